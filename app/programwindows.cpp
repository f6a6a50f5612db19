// SPDX-License-Identifier: GPL-3.0-or-later
#include "programwindows.h"

#include "keywordeditorwindow.h"

namespace korvane {

ProgramWindows::ProgramWindows(Platform &platform)
    : m_platform(platform)
    , m_tutorial(platform)
    , m_about(platform)
    , m_keywordEditor(platform)
{
    // The editor's face, Help menu and pop-up menu open (and close) the tutorial;
    // the tutorial shows the editor and points at its key word field.
    KeywordEditorHooks &editorHooks = m_keywordEditor.hooks();
    editorHooks.showTutorial = [this] {
        m_tutorial.show();
        m_tutorial.sayHello();
    };
    editorHooks.closeTutorial = [this] { m_tutorial.unload(); };
    editorHooks.reloadCommandCenterLists = [this] { m_commandCenter->reloadLists(); };
    editorHooks.actOnKeyWord = [this](const db::KeyWord &keyWord) {
        m_commandCenter->actOnKeyWord(keyWord);
    };
    m_tutorial.setKeywordEditorLink(
        {[this] { m_keywordEditor.show(); },
         [this] { return m_keywordEditor.loadedWindow().keyWordField(); }});

    WindowDirectory directory;
    directory.showKeywordEditor = [this](const QString &keyWord) { m_keywordEditor.show(keyWord); };
    directory.showScriptEditor = [this] { scriptEditor().showWindow(); };
    directory.showTutorial = [this] { m_tutorial.show(); };
    directory.showAbout = [this] { m_about.show(); };
    m_commandCenter = std::make_unique<CommandCenterWindow>(platform, directory);
}

ProgramWindows::~ProgramWindows() = default;

editor::ScriptEditorWindow &ProgramWindows::scriptEditor()
{
    if (!m_scriptEditor) {
        m_scriptEditor = std::make_unique<editor::ScriptEditorWindow>(m_platform);
        m_scriptEditor->setShowAbout([this] { m_about.show(); });
    }
    return *m_scriptEditor;
}

} // namespace korvane
