// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's windows, each created on first use, and the hooks through which
// they reach each other: the one place that knows them all.

#include "abouthost.h"
#include "commandcenterwindow.h"
#include "keywordeditorhost.h"
#include "scripteditorwindow.h"
#include "tutorialhost.h"

#include <memory>

namespace korvane {

class Platform;

class ProgramWindows
{
public:
    explicit ProgramWindows(Platform &platform);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;

    CommandCenterWindow &commandCenter() { return *m_commandCenter; }
    KeywordEditorHost &keywordEditor() { return m_keywordEditor; }
    TutorialHost &tutorial() { return m_tutorial; }
    AboutHost &about() { return m_about; }
    editor::ScriptEditorWindow &scriptEditor();

private:
    Platform &m_platform;
    TutorialHost m_tutorial;
    AboutHost m_about;
    KeywordEditorHost m_keywordEditor;
    std::unique_ptr<editor::ScriptEditorWindow> m_scriptEditor;
    std::unique_ptr<CommandCenterWindow> m_commandCenter;
};

} // namespace korvane
