// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command center's pop-up menu "Floating Menu": its eight entries and the
// Applications and Key Words submenus. Submenu entries mirror the window's
// sorted lists; they are created only when a submenu is about to be shown, so a
// database of many thousands of key words costs nothing at start-up.

#include "lookup.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <array>
#include <memory>

class QAction;
class QMenu;
class QWidget;

namespace korvane {

class ApplicationIcons;
class InstalledApplications;

// The pop-up menu's entries, top to bottom.
enum class MenuEntry {
    AddKeyWords,
    TitleBar, // "Remove Title Bar" or "Show Title Bar"
    Applications,
    KeyWords,
    About,
    ScriptEditor,
    Tutorial,
    Exit,
};

class CommandCenterMenu : public QObject
{
    Q_OBJECT
public:
    static constexpr int kEntryCount = int(MenuEntry::Exit) + 1;

    // The menu is owned by `window`, so that it pops up as that window's menu.
    CommandCenterMenu(const db::KeywordDatabase &database, QWidget *window);
    ~CommandCenterMenu() override;

    QMenu *menu() const { return m_menu; }
    QAction *entry(MenuEntry entry) const { return m_entries.at(int(entry)); }
    QMenu *applicationsMenu() const { return m_applications; }
    QMenu *keyWordsMenu() const { return m_keyWords; }
    // The submenu of the Key Words menu's first, blank entry: the key words' programs.
    QMenu *keyWordProgramsMenu() const { return m_keyWordPrograms; }

    // New contents for the submenus; their entries are rebuilt on next showing.
    void setLists(const db::AvailableLists &lists);
    // Entries of programs show the icon of their installed application, looked
    // up when a submenu is built.
    void showApplicationIcons(InstalledApplications &applications);

signals:
    void entryChosen(MenuEntry entry);
    // Each submenu starts with a blank entry, which reports an empty text.
    void applicationChosen(const QString &commandLine);
    void keyWordChosen(const QString &keyWord);
    void keyWordProgramChosen(const QString &commandLine);

private:
    void fillApplications();
    void fillKeyWords();
    void fillKeyWordPrograms();
    void loadPrograms();

    const db::KeywordDatabase &m_database;
    QMenu *m_menu = nullptr;
    std::array<QAction *, kEntryCount> m_entries{};
    QMenu *m_applications = nullptr;
    QMenu *m_keyWords = nullptr;
    QMenu *m_keyWordPrograms = nullptr;

    db::AvailableLists m_lists;
    QHash<qint32, QString> m_programs; // record number -> trimmed program, loaded on demand
    bool m_programsLoaded = false;
    bool m_applicationsBuilt = false;
    bool m_keyWordsBuilt = false;
    bool m_keyWordProgramsBuilt = false;
    std::unique_ptr<ApplicationIcons> m_icons; // none: entries without icons
};

} // namespace korvane
