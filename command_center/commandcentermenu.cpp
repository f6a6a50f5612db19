// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandcentermenu.h"

#include "applicationicons.h"
#include "menuicons.h"

#include <QAction>
#include <QMenu>

namespace korvane {

namespace {

const std::array<QString, CommandCenterMenu::kEntryCount> kEntryCaptions = {
    QStringLiteral("&Add New Keywords"),
    QStringLiteral("&Remove Title Bar"),
    QStringLiteral("A&pplications"),
    QStringLiteral("&Key Words"),
    QStringLiteral("&About"),
    QStringLiteral("&Velmora "),
    QStringLiteral("&Help"),
    QStringLiteral("E&xit"),
};

// A submenu lists at most this many entries: building and laying out more would
// hold the window for too long. The suggestions under the field reach the rest.
constexpr qsizetype kMostSubmenuEntries = 1000;
const QString kMoreKeyWordsCaption =
    QStringLiteral("More key words: type the first letters in the field");
const QString kMoreApplicationsCaption =
    QStringLiteral("More applications: see the keyword editor's list");

// Replaces `menu`'s entries after its blank first one by one entry per caption, up
// to kMostSubmenuEntries and then a last entry that says where the others are; a
// click reports the caption through `chosen`.
template<typename Signal>
void fillEntries(QMenu *menu, const QStringList &captions, CommandCenterMenu *owner, Signal chosen,
                 const QString &moreCaption)
{
    constexpr int first = 1;
    const QList<QAction *> old = menu->actions();
    for (qsizetype i = first; i < old.size(); ++i) {
        menu->removeAction(old.at(i));
        delete old.at(i); // entries are owned by the menu they were created in
    }
    menu->setUpdatesEnabled(false);
    for (const QString &caption : captions.first(std::min(captions.size(), kMostSubmenuEntries))) {
        QAction *action = menu->addAction(caption);
        QObject::connect(action, &QAction::triggered, owner,
                         [owner, chosen, caption] { emit(owner->*chosen)(caption); });
    }
    if (captions.size() > kMostSubmenuEntries)
        menu->addAction(moreCaption)->setEnabled(false);
    menu->setUpdatesEnabled(true);
}

// The blank entry each submenu starts with; choosing it reports an empty text.
template<typename Signal> void addBlankEntry(QMenu *menu, CommandCenterMenu *owner, Signal chosen)
{
    QObject::connect(menu->addAction(QString()), &QAction::triggered, owner,
                     [owner, chosen] { emit(owner->*chosen)(QString()); });
}

} // namespace

CommandCenterMenu::CommandCenterMenu(const db::KeywordDatabase &database, QWidget *window)
    : m_database(database)
    , m_menu(new QMenu(QStringLiteral("Floating Menu"), window))
{
    for (int i = 0; i < kEntryCount; ++i) {
        QAction *action = m_menu->addAction(kEntryCaptions.at(i));
        const auto chosen = MenuEntry(i);
        connect(action, &QAction::triggered, this, [this, chosen] { emit entryChosen(chosen); });
        m_entries.at(i) = action;
    }

    m_applications = new QMenu(m_menu);
    addBlankEntry(m_applications, this, &CommandCenterMenu::applicationChosen);
    entry(MenuEntry::Applications)->setMenu(m_applications);

    m_keyWords = new QMenu(m_menu);
    m_keyWordPrograms = new QMenu(m_keyWords);
    addBlankEntry(m_keyWordPrograms, this, &CommandCenterMenu::keyWordProgramChosen);
    m_keyWords->addAction(QString())->setMenu(m_keyWordPrograms);
    entry(MenuEntry::KeyWords)->setMenu(m_keyWords);

    connect(m_applications, &QMenu::aboutToShow, this, &CommandCenterMenu::fillApplications);
    connect(m_keyWords, &QMenu::aboutToShow, this, &CommandCenterMenu::fillKeyWords);
    connect(m_keyWordPrograms, &QMenu::aboutToShow, this, &CommandCenterMenu::fillKeyWordPrograms);
}

CommandCenterMenu::~CommandCenterMenu() = default;

void CommandCenterMenu::setLists(const db::AvailableLists &lists)
{
    m_lists = lists;
    m_programs.clear();
    m_programsLoaded = false;
    m_applicationsBuilt = false;
    m_keyWordsBuilt = false;
    m_keyWordProgramsBuilt = false;
    if (m_icons)
        m_icons->forget(); // the applications are read again when next needed
}

void CommandCenterMenu::showApplicationIcons(InstalledApplications &applications)
{
    m_icons = std::make_unique<ApplicationIcons>(applications);
}

void CommandCenterMenu::fillApplications()
{
    if (m_applicationsBuilt)
        return;
    QStringList captions;
    captions.reserve(m_lists.applications.size());
    for (const db::RecordItem &item : std::as_const(m_lists.applications))
        captions.append(item.text);
    fillEntries(m_applications, captions, this, &CommandCenterMenu::applicationChosen,
                kMoreApplicationsCaption);
    if (m_icons)
        setProgramIcons(m_applications, captions, *m_icons);
    m_applicationsBuilt = true;
}

void CommandCenterMenu::fillKeyWords()
{
    if (m_keyWordsBuilt)
        return;
    QStringList captions;
    captions.reserve(m_lists.keyWords.size());
    for (const db::RecordItem &item : std::as_const(m_lists.keyWords))
        captions.append(item.text);
    fillEntries(m_keyWords, captions, this, &CommandCenterMenu::keyWordChosen,
                kMoreKeyWordsCaption);
    // A key word shows its program's icon; the programs are read only when there
    // are applications to match.
    if (m_icons && !m_icons->isEmpty()) {
        loadPrograms();
        QStringList programs;
        programs.reserve(m_lists.keyWords.size());
        for (const db::RecordItem &item : std::as_const(m_lists.keyWords))
            programs.append(m_programs.value(item.recordNumber));
        setProgramIcons(m_keyWords, programs, *m_icons);
    }
    m_keyWordsBuilt = true;
}

void CommandCenterMenu::fillKeyWordPrograms()
{
    if (m_keyWordProgramsBuilt)
        return;
    loadPrograms();
    QStringList captions;
    captions.reserve(m_lists.keyWords.size());
    for (const db::RecordItem &item : std::as_const(m_lists.keyWords))
        captions.append(m_programs.value(item.recordNumber));
    fillEntries(m_keyWordPrograms, captions, this, &CommandCenterMenu::keyWordProgramChosen,
                kMoreKeyWordsCaption);
    if (m_icons)
        setProgramIcons(m_keyWordPrograms, captions, *m_icons);
    m_keyWordProgramsBuilt = true;
}

void CommandCenterMenu::loadPrograms()
{
    if (m_programsLoaded)
        return;
    // Only the programs of the key words the submenu lists: one read each.
    for (const db::RecordItem &item :
         m_lists.keyWords.first(std::min(m_lists.keyWords.size(), kMostSubmenuEntries))) {
        if (const std::optional<db::KeywordRecord> record = m_database.record(item.recordNumber))
            m_programs.insert(item.recordNumber, record->program.trimmed());
    }
    m_programsLoaded = true;
}

} // namespace korvane
