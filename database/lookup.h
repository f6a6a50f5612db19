// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading the keyword database for the windows: the command lines a key word
// starts (the command center starts them), and the sorted list items the command
// center and the keyword editor show, each carrying its record number as data.

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

// An entry of a list that stands for a Keyword record: its trimmed key word or
// program, the record's number, and the text the list shows and sorts by (the
// field pushed out by spaces, then the number, so that the number stays out of
// sight and equal texts sort by it). Code reads `text` and `recordNumber` only.
struct RecordItem
{
    QString text;
    qint32 recordNumber = 0;
    QString shown;

    bool operator==(const RecordItem &other) const = default;
};

// The key words list built from the record file: the 50-character key word field,
// 53 spaces, the record number with its sign blank.
RecordItem keyWordItem(const KeywordRecord &record, qint32 recordNumber);
// The programs list: the upper-cased 256-character program field, 17 spaces.
RecordItem applicationItem(const KeywordRecord &record, qint32 recordNumber);
// The key words of one program, as found through the application index: the key
// word field, 74 spaces.
RecordItem keyWordOfApplicationItem(const KeywordRecord &record, qint32 recordNumber);
// The entry Add puts into the key word lists: the trimmed key word, 124 spaces.
RecordItem addedKeyWordItem(const QString &trimmedKeyWord, qint32 recordNumber);

// The order of a sorted list: alphabetical over the shown text, ignoring case.
bool itemLess(const RecordItem &a, const RecordItem &b);
// Inserts `item` at its sorted place (after equal ones).
void insertSorted(QList<RecordItem> &list, const RecordItem &item);

struct AvailableLists
{
    QList<RecordItem> keyWords;     // one per active record, sorted
    QList<RecordItem> applications; // one per distinct program, sorted
};

// Builds both lists from the active records in one pass over the record file,
// in time linear in the number of records. `yield` (if set) is called every few
// hundred records so that a window stays responsive.
AvailableLists buildAvailableLists(const KeywordDatabase &database,
                                   const std::function<void()> &yield = {});

} // namespace korvane::db
