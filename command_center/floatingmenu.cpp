#include "floatingmenu.h"

#include <QAction>
#include <QMenu>
#include <QSet>

namespace korvane {

namespace {

const std::array<QString, FloatingMenu::kItemCount> kItemCaptions = {
    QStringLiteral("&Add New Keywords"),
    QStringLiteral("&Remove Title Bar"),
    QStringLiteral("A&pplications"),
    QStringLiteral("&Key Words"),
    QStringLiteral("&About"),
    QStringLiteral("&Velmora "),
    QStringLiteral("&Help"),
    QStringLiteral("E&xit"),
};

// Replaces `menu`'s entries from `first` on by one entry per caption, numbered
// from 2; a click reports the entry's index through `clicked`.
template<typename Signal>
void fillEntries(QMenu *menu, int first, const QStringList &captions, FloatingMenu *owner,
                 Signal clicked)
{
    const QList<QAction *> old = menu->actions();
    for (qsizetype i = first; i < old.size(); ++i) {
        menu->removeAction(old.at(i));
        delete old.at(i); // entries are owned by the menu they were created in
    }
    menu->setUpdatesEnabled(false);
    int index = 2;
    for (const QString &caption : captions) {
        QAction *action = menu->addAction(caption);
        QObject::connect(action, &QAction::triggered, owner,
                         [owner, clicked, index] { emit(owner->*clicked)(index); });
        ++index;
    }
    menu->setUpdatesEnabled(true);
}

QString captionAt(const QStringList &items, int index)
{
    // Index 1 is the blank design-time entry; item i of the list is entry i + 2.
    const qsizetype item = index - 2;
    return item >= 0 && item < items.size() ? db::itemText(items.at(item)) : QString();
}

} // namespace

FloatingMenu::FloatingMenu(const db::KeywordDatabase &database, QWidget *window)
    : m_database(database)
    , m_menu(new QMenu(QStringLiteral("Floating Menu"), window))
{
    for (int i = 0; i < kItemCount; ++i) {
        QAction *action = m_menu->addAction(kItemCaptions.at(i));
        const int index = i + 1;
        connect(action, &QAction::triggered, this, [this, index] { emit menuItemClicked(index); });
        m_items.at(i) = action;
    }

    m_applications = new QMenu(m_menu);
    m_applications->addAction(QString())->setObjectName(QStringLiteral("ApplicationsMenuItem1"));
    connect(m_applications->actions().constFirst(), &QAction::triggered, this,
            [this] { emit applicationsMenuItemClicked(1); });
    menuItem(kApplicationsItem)->setMenu(m_applications);

    m_keyWords = new QMenu(m_menu);
    m_keyWordPrograms = new QMenu(m_keyWords);
    m_keyWordPrograms->addAction(QString());
    connect(m_keyWordPrograms->actions().constFirst(), &QAction::triggered, this,
            [this] { emit keyWordSubMenuClicked(1); });
    QAction *blankKeyWord = m_keyWords->addAction(QString());
    blankKeyWord->setMenu(m_keyWordPrograms);
    menuItem(kKeyWordsItem)->setMenu(m_keyWords);

    connect(m_applications, &QMenu::aboutToShow, this, &FloatingMenu::fillApplications);
    connect(m_keyWords, &QMenu::aboutToShow, this, &FloatingMenu::fillKeyWords);
    connect(m_keyWordPrograms, &QMenu::aboutToShow, this, &FloatingMenu::fillKeyWordPrograms);
}

FloatingMenu::~FloatingMenu() = default;

QAction *FloatingMenu::menuItem(int index) const
{
    return index >= 1 && index <= kItemCount ? m_items.at(index - 1) : nullptr;
}

void FloatingMenu::setLists(const db::AvailableLists &lists)
{
    m_lists = lists;
    m_programs.clear();
    m_programsLoaded = false;
    m_applicationsBuilt = false;
    m_keyWordsBuilt = false;
    m_keyWordProgramsBuilt = false;
}

QString FloatingMenu::applicationsMenuItemCaption(int index) const
{
    return captionAt(m_lists.availableApplications, index);
}

QString FloatingMenu::keyWordsMenuItemCaption(int index) const
{
    return captionAt(m_lists.keywordsAlreadyUsed, index);
}

QString FloatingMenu::keyWordSubMenuCaption(int index)
{
    const qsizetype item = index - 2;
    if (item < 0 || item >= m_lists.keywordsAlreadyUsed.size())
        return {};
    loadPrograms();
    return m_programs.value(db::itemRecordNumber(m_lists.keywordsAlreadyUsed.at(item)));
}

void FloatingMenu::fillApplications()
{
    if (m_applicationsBuilt)
        return;
    QStringList captions;
    captions.reserve(m_lists.availableApplications.size());
    for (const QString &item : std::as_const(m_lists.availableApplications))
        captions.append(db::itemText(item));
    fillEntries(m_applications, 1, captions, this, &FloatingMenu::applicationsMenuItemClicked);
    m_applicationsBuilt = true;
}

void FloatingMenu::fillKeyWords()
{
    if (m_keyWordsBuilt)
        return;
    QStringList captions;
    captions.reserve(m_lists.keywordsAlreadyUsed.size());
    for (const QString &item : std::as_const(m_lists.keywordsAlreadyUsed))
        captions.append(db::itemText(item));
    fillEntries(m_keyWords, 1, captions, this, &FloatingMenu::keyWordsMenuItemClicked);
    m_keyWordsBuilt = true;
}

void FloatingMenu::fillKeyWordPrograms()
{
    if (m_keyWordProgramsBuilt)
        return;
    loadPrograms();
    QStringList captions;
    captions.reserve(m_lists.keywordsAlreadyUsed.size());
    for (const QString &item : std::as_const(m_lists.keywordsAlreadyUsed))
        captions.append(m_programs.value(db::itemRecordNumber(item)));
    fillEntries(m_keyWordPrograms, 1, captions, this, &FloatingMenu::keyWordSubMenuClicked);
    m_keyWordProgramsBuilt = true;
}

void FloatingMenu::loadPrograms()
{
    if (m_programsLoaded)
        return;
    // One sequential pass over the record file instead of one open per key word.
    QSet<qint32> wanted;
    for (const QString &item : std::as_const(m_lists.keywordsAlreadyUsed))
        wanted.insert(db::itemRecordNumber(item));
    m_database.forEachRecord([this, &wanted](qint32 number, const db::KeywordRecord &record) {
        if (wanted.contains(number))
            m_programs.insert(number, record.program.trimmed());
        return true;
    });
    m_programsLoaded = true;
}

} // namespace korvane
