// SPDX-License-Identifier: GPL-3.0-or-later
// What the command center does with typed text and with its menu entries.

#include "commandcenterwindow.h"

#include "platform.h"
#include "records.h"

#include <QLineEdit>

#include <cstdio>

namespace korvane {

namespace {

// The folder argument follows "explorer " unchanged: "DIR /TMP" opens " /TMP".
QString explorerCommand(const QString &folder)
{
    return QStringLiteral("explorer ") + folder;
}

bool isPath(const QString &text)
{
    // A drive or URL colon anywhere, or a Linux path.
    return text.contains(u':') || text.startsWith(u'/') || text.startsWith(u'~');
}

} // namespace

// One row of what typed text does: the first row whose test holds acts. The text
// is trimmed and upper-cased the way key words are.
struct CommandCenterWindow::TypedTextRule
{
    bool (*matches)(const QString &text);
    void (*act)(CommandCenterWindow &window, const QString &text);
};

const CommandCenterWindow::TypedTextRule CommandCenterWindow::kTypedTextRules[] = {
    {[](const QString &text) { return text.isEmpty() || text == u"POPUP"; },
     [](CommandCenterWindow &window, const QString &) {
         window.popUpAtClientOrigin(window.m_menu->menu());
     }},
    {[](const QString &text) { return text == u"EXIT"; },
     [](CommandCenterWindow &window, const QString &) { window.exitProgram(); }},
    // A refused logout changes nothing here.
    {[](const QString &text) { return text == u"SHUTDOWN"; },
     [](CommandCenterWindow &window, const QString &) { window.m_platform.session().logout(); }},
    {[](const QString &text) { return text.startsWith(u"DIR"); },
     [](CommandCenterWindow &window, const QString &text) { window.openFolder(text.mid(3)); }},
    {[](const QString &text) { return text == u"ADD KEYWORD"; },
     [](CommandCenterWindow &window, const QString &) { window.m_windows.keywordEditor(); }},
    {[](const QString &text) { return text == u"KEYWORDS"; },
     [](CommandCenterWindow &window, const QString &) {
         window.popUpAtClientOrigin(window.m_menu->keyWordsMenu());
     }},
    {[](const QString &text) { return text == u"APPLICATIONS"; },
     [](CommandCenterWindow &window, const QString &) {
         window.popUpAtClientOrigin(window.m_menu->applicationsMenu());
     }},
    // With a "." a path names a program file; otherwise a folder to open.
    {isPath,
     [](CommandCenterWindow &window, const QString &text) {
         if (text.contains(u'.'))
             window.startProgram(text);
         else
             window.openFolder(text);
     }},
    {[](const QString &text) { return text.contains(u"WWW."); },
     [](CommandCenterWindow &window, const QString &) {
         db::KeyWord browser = db::kWebBrowserKeyWord;
         window.launch(browser);
     }},
    {[](const QString &) { return true; },
     [](CommandCenterWindow &window, const QString &text) {
         window.actOnKeyWord(db::KeyWord(text));
     }},
};

void CommandCenterWindow::onEnterPressed()
{
    // The field shows the text upper-cased and selected, so that typing replaces it.
    m_keyWordField->setText(db::upperCase(m_keyWordField->text()));
    m_keyWordField->selectAll();
    actOnText(m_keyWordField->text());
}

void CommandCenterWindow::actOnText(const QString &typed)
{
    const QString text = db::upperCase(typed.trimmed());
    m_platform.events().doEvents();
    for (const TypedTextRule &rule : kTypedTextRules) {
        if (rule.matches(text)) {
            rule.act(*this, text);
            return;
        }
    }
}

void CommandCenterWindow::actOnKeyWord(db::KeyWord keyWord)
{
    // A key word the database cannot be searched for is not offered to add.
    if (!launch(keyWord) && m_database.errorString().isEmpty() &&
        m_platform.dialogs().messageBox(kNoApplicationQuestion, MessageButtons::YesNo) ==
            MessageAnswer::Yes)
        m_windows.keywordEditor(keyWord.text());
}

bool CommandCenterWindow::launch(db::KeyWord &keyWord)
{
    QString argument;
    if (keyWord.asksForFile()) {
        // A cancelled dialog leaves the name it was shown with; "*" names no file.
        m_platform.dialogs().openFileName(m_dialogFileName);
        argument = m_dialogFileName.contains(u'*') ? QString() : db::trimSpaces(m_dialogFileName);
        keyWord = keyWord.withoutLastCharacter();
    }
    // The web browser is handed the address as the field shows it.
    if (keyWord == db::kWebBrowserKeyWord)
        argument = m_keyWordField->text();

    const QStringList commandLines = db::commandLinesFor(m_database, keyWord, argument);
    m_keyWordFound = !commandLines.isEmpty();
    if (!m_database.errorString().isEmpty())
        m_platform.dialogs().messageBox(db::kDatabaseUnreadableMessage + m_database.errorString(),
                                        MessageButtons::Ok);
    // A program that cannot be started is passed over, with a line on standard error.
    for (const QString &commandLine : commandLines) {
        if (!m_platform.processes().start(commandLine))
            std::fprintf(stderr, "korvane: %s: cannot start \"%s\": %s\n",
                         qPrintable(keyWord.text()), qPrintable(commandLine),
                         qPrintable(m_platform.processes().lastFailure()));
    }
    return m_keyWordFound;
}

void CommandCenterWindow::chooseMenuEntry(MenuEntry entry)
{
    switch (entry) {
    case MenuEntry::AddKeyWords:
        m_windows.keywordEditor();
        break;
    case MenuEntry::TitleBar:
        if (m_titleBar == TitleBarState::Removed)
            showTitleBar();
        else
            removeTitleBar();
        break;
    case MenuEntry::About:
        m_windows.about();
        break;
    case MenuEntry::ScriptEditor:
        m_windows.scriptEditor();
        break;
    case MenuEntry::Tutorial:
        m_windows.tutorial();
        break;
    case MenuEntry::Exit:
        exitProgram();
        break;
    case MenuEntry::Applications:
    case MenuEntry::KeyWords:
        break; // they only open their submenus
    }
}

void CommandCenterWindow::startProgram(const QString &commandLine)
{
    // The blank first entry of a submenu starts nothing.
    if (!commandLine.trimmed().isEmpty())
        m_platform.processes().start(commandLine);
}

void CommandCenterWindow::openFolder(const QString &folder)
{
    m_platform.processes().start(explorerCommand(folder));
}

void CommandCenterWindow::exitProgram()
{
    saveSettings();
    m_platform.events().endProgram(0);
}

} // namespace korvane
