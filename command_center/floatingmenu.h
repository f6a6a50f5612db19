#pragma once

// The command center's pop-up menu "Floating Menu": the eight MenuItem entries and
// the Applications and Key Words submenus. Submenu entries mirror the window's
// sorted lists; they are created only when a submenu is about to be shown, so a
// database of many thousands of key words costs nothing at start-up.

#include "lookup.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <array>

class QAction;
class QMenu;
class QWidget;

namespace korvane {

class FloatingMenu : public QObject
{
    Q_OBJECT
public:
    static constexpr int kItemCount = 8;
    static constexpr int kTitleBarItem = 2;
    static constexpr int kApplicationsItem = 3;
    static constexpr int kKeyWordsItem = 4;

    // The menu is owned by `window`, so that it pops up as that window's menu.
    FloatingMenu(const db::KeywordDatabase &database, QWidget *window);
    ~FloatingMenu() override;

    QMenu *menu() const { return m_menu; }
    // MenuItem(index), index 1..8.
    QAction *menuItem(int index) const;
    QMenu *applicationsMenu() const { return m_applications; }
    QMenu *keyWordsMenu() const { return m_keyWords; }
    // The submenu of the Key Words menu's first, blank entry: the key words' programs.
    QMenu *keyWordSubMenu() const { return m_keyWordPrograms; }

    // New contents for the submenus; their entries are rebuilt on next showing.
    void setLists(const db::AvailableLists &lists);

    // Captions of the menu arrays, indexed from 1 (index 1 is the blank
    // design-time entry); empty for an index without an entry.
    QString applicationsMenuItemCaption(int index) const;
    QString keyWordsMenuItemCaption(int index) const;
    QString keyWordSubMenuCaption(int index);

signals:
    void menuItemClicked(int index);
    void applicationsMenuItemClicked(int index);
    void keyWordsMenuItemClicked(int index);
    void keyWordSubMenuClicked(int index);

private:
    void fillApplications();
    void fillKeyWords();
    void fillKeyWordPrograms();
    void loadPrograms();

    const db::KeywordDatabase &m_database;
    QMenu *m_menu = nullptr;
    std::array<QAction *, kItemCount> m_items{};
    QMenu *m_applications = nullptr;
    QMenu *m_keyWords = nullptr;
    QMenu *m_keyWordPrograms = nullptr;

    db::AvailableLists m_lists;
    QHash<qint32, QString> m_programs; // record number -> trimmed program, loaded on demand
    bool m_programsLoaded = false;
    bool m_applicationsBuilt = false;
    bool m_keyWordsBuilt = false;
    bool m_keyWordProgramsBuilt = false;
};

} // namespace korvane
