// The command center's command line and menu commands.

#include "keyscan.h"

#include "floatingmenu.h"
#include "platform.h"

#include <QAction>
#include <QLineEdit>

namespace korvane {

namespace {

bool isPath(const QString &keyWord)
{
    // A drive or URL colon anywhere, or a Linux path.
    return keyWord.contains(u':') || keyWord.startsWith(u'/') || keyWord.startsWith(u'~');
}

QString explorerCommand(const QString &folder)
{
    return QStringLiteral("explorer ") + folder;
}

} // namespace

void KeyScan::KeyWord_KeyPress(int &keyAscii)
{
    if (keyAscii != 13)
        return;
    keyAscii = 0;
    m_keyWord->setText(m_keyWord->text().toUpper());
    m_keyWord->setSelection(0, int(m_keyWord->text().size()));
    QString keyWord = m_keyWord->text();
    Search_Keyword(keyWord);
}

void KeyScan::Search_Keyword(QString &keyWord)
{
    keyWord = keyWord.trimmed().toUpper();
    m_platform.events().doEvents();

    // The first test that holds decides.
    if (keyWord.isEmpty()) {
        showPopupAtClientOrigin(m_menu->menu());
    } else if (keyWord == QLatin1String("EXIT")) {
        Save_Window_Settings();
        m_platform.events().endProgram(0);
    } else if (keyWord == QLatin1String("SHUTDOWN")) {
        m_platform.session().logout(); // a refusal changes nothing here
    } else if (keyWord.startsWith(QLatin1String("DIR"))) {
        m_platform.processes().start(explorerCommand(keyWord.mid(3)));
    } else if (keyWord == QLatin1String("POPUP")) {
        showPopupAtClientOrigin(m_menu->menu());
    } else if (keyWord == QLatin1String("ADD KEYWORD")) {
        MenuItem_Click(1);
    } else if (keyWord == QLatin1String("KEYWORDS")) {
        showPopupAtClientOrigin(m_menu->keyWordsMenu());
    } else if (keyWord == QLatin1String("APPLICATIONS")) {
        showPopupAtClientOrigin(m_menu->applicationsMenu());
    } else if (isPath(keyWord)) {
        // With a "." it names a program file; otherwise a folder to open.
        m_platform.processes().start(keyWord.contains(u'.') ? keyWord : explorerCommand(keyWord));
    } else if (keyWord.contains(QLatin1String("WWW."))) {
        QString browser = db::kWebBrowserKeyWord;
        m_keyWordFound = db::Search_KeyWords_Indexed(m_database, m_platform, browser,
                                                     m_keyWord->text(), m_dialogFileName);
    } else {
        m_keyWordFound = db::Search_KeyWords_Indexed(m_database, m_platform, keyWord,
                                                     m_keyWord->text(), m_dialogFileName);
        if (!m_keyWordFound &&
            m_platform.dialogs().messageBox(kNoApplicationQuestion, MessageButtons::YesNo) ==
                MessageAnswer::Yes)
            m_windows.keywordEditor(keyWord);
    }
}

void KeyScan::MenuItem_Click(int index)
{
    switch (index) {
    case 1:
        m_windows.keywordEditor();
        break;
    case FloatingMenu::kTitleBarItem: {
        const QString caption = m_menu->menuItem(index)->text();
        if (caption == kRemoveTitleBarCaption)
            Remove_Title_Bar(index);
        else if (caption == kShowTitleBarCaption)
            Display_Title_Bar(index);
        break;
    }
    case 5:
        m_windows.about();
        break;
    case 6:
        m_windows.scriptEditor();
        break;
    case 7:
        m_windows.tutorial();
        break;
    case 8:
        Save_Window_Settings();
        m_platform.events().endProgram(0);
        break;
    default: // 3 and 4 only open their submenus
        break;
    }
}

void KeyScan::ApplicationsMenuItem_Click(int index)
{
    const QString commandLine = m_menu->applicationsMenuItemCaption(index);
    if (!commandLine.trimmed().isEmpty())
        m_platform.processes().start(commandLine);
}

void KeyScan::KeyWordSubMenu_Click(int index)
{
    const QString commandLine = m_menu->keyWordSubMenuCaption(index);
    if (!commandLine.trimmed().isEmpty())
        m_platform.processes().start(commandLine);
}

void KeyScan::KeyWordsMenuItem_Click(int index)
{
    m_keyWord->setText(m_menu->keyWordsMenuItemCaption(index));
    int keyAscii = 13;
    KeyWord_KeyPress(keyAscii);
}

} // namespace korvane
