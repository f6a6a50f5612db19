#pragma once

// Reading the keyword database for the windows: what a key word starts, and the
// sorted list items the command center and the keyword editor show. List items
// carry their record number in their last 10 characters, pushed out of sight by
// spaces.

#include "keyword.h"
#include "keyworddatabase.h"

#include <QStringList>

#include <functional>

namespace korvane::db {

// The key word whose programs open web addresses typed in the command center.
inline const KeyWord kWebBrowserKeyWord{u"WEB BROWSER"};

// The command lines of every program linked to `keyWord`, in index order: the
// record's program field, a blank and `argument`, trimmed at both ends (the
// field's padding stays between program and argument). Empty when no active
// record carries the key word.
QStringList commandLinesFor(const KeywordDatabase &database, const KeyWord &keyWord,
                            const QString &argument);

// --- list items ---------------------------------------------------------------

// KeywordsAlreadyUsed as built from the record file: 50-character key word field,
// 53 spaces, the record number with its sign blank.
QString keywordsAlreadyUsedItem(const KeywordRecord &record, qint32 recordNumber);
// AvailableApplications: 256-character program field, 17 spaces, record number.
QString availableApplicationsItem(const KeywordRecord &record, qint32 recordNumber);
// KeyWordList as filled from the application index: key word field, 74 spaces.
QString keyWordListItem(const KeywordRecord &record, qint32 recordNumber);
// KeyWordList and KeywordsAlreadyUsed items that Add appends: the trimmed key
// word, 124 spaces, record number.
QString addedKeyWordItem(const QString &trimmedKeyWord, qint32 recordNumber);

// The record number held in an item's last 10 characters (0 when not numeric).
qint32 itemRecordNumber(const QString &item);
// The item without its last `tailLength` characters, trimmed.
QString itemText(const QString &item, int tailLength = 10);

// The order of a sorted list box: alphabetical over the whole item text,
// ignoring case.
bool listItemLess(const QString &a, const QString &b);
// Inserts `item` at its sorted place.
void insertSorted(QStringList &list, const QString &item);

// True if some item, without its last 10 characters, trimmed and upper-cased,
// equals `program` exactly.
bool ApplicationExistsInList(const QStringList &availableApplications, const QString &program);

struct AvailableLists
{
    QStringList keywordsAlreadyUsed;   // one item per active record, sorted
    QStringList availableApplications; // one item per distinct program, sorted
};

// Builds both lists from the active records in one pass over the record file,
// in time linear in the number of records. `yield` (if set) is called every few
// hundred records so that a window stays responsive.
AvailableLists buildAvailableLists(const KeywordDatabase &database,
                                   const std::function<void()> &yield = {});

} // namespace korvane::db
