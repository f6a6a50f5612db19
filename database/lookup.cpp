// SPDX-License-Identifier: GPL-3.0-or-later
#include "lookup.h"

#include "numbertext.h"

#include <QSet>

#include <algorithm>

namespace korvane::db {
namespace {

// Records between two calls of the yield callback while building the lists.
constexpr qint32 kRecordsPerYield = 256;

QString spaces(int count)
{
    return QString(count, u' ');
}

} // namespace

QStringList commandLinesFor(const KeywordDatabase &database, const KeyWord &keyWord,
                            const QString &argument)
{
    QStringList commandLines;
    for (const IndexHit &hit : database.findKeyword(keyWord))
        commandLines.append(
            trimSpaces(fitField(hit.record.program, kProgramWidth) + u' ' + argument));
    return commandLines;
}

RecordItem keyWordItem(const KeywordRecord &record, qint32 recordNumber)
{
    return {trimSpaces(record.keyWord), recordNumber,
            fitField(record.keyWord, kKeyWordWidth) + spaces(53) + numberText(recordNumber)};
}

RecordItem applicationItem(const KeywordRecord &record, qint32 recordNumber)
{
    const QString program = upperCase(record.program);
    return {trimSpaces(program), recordNumber,
            fitField(program, kProgramWidth) + spaces(17) + numberText(recordNumber)};
}

RecordItem keyWordOfApplicationItem(const KeywordRecord &record, qint32 recordNumber)
{
    return {trimSpaces(record.keyWord), recordNumber,
            fitField(record.keyWord, kKeyWordWidth) + spaces(74) + numberText(recordNumber)};
}

RecordItem addedKeyWordItem(const QString &trimmedKeyWord, qint32 recordNumber)
{
    return {trimmedKeyWord, recordNumber, trimmedKeyWord + spaces(124) + numberText(recordNumber)};
}

bool itemLess(const RecordItem &a, const RecordItem &b)
{
    const int folded = QString::compare(a.shown, b.shown, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : QString::compare(a.shown, b.shown, Qt::CaseSensitive) < 0;
}

void insertSorted(QList<RecordItem> &list, const RecordItem &item)
{
    list.insert(std::upper_bound(list.cbegin(), list.cend(), item, itemLess), item);
}

AvailableLists buildAvailableLists(const KeywordDatabase &database,
                                   const std::function<void()> &yield)
{
    AvailableLists lists;
    // The programs listed so far: one entry per program, compared trimmed.
    QSet<QString> programsListed;
    database.forEachRecord([&](qint32 recordNumber, const KeywordRecord &record) {
        if (yield && recordNumber % kRecordsPerYield == 0)
            yield();
        if (!record.isActive())
            return true;
        lists.keyWords.append(keyWordItem(record, recordNumber));
        RecordItem application = applicationItem(record, recordNumber);
        if (!programsListed.contains(application.text)) {
            programsListed.insert(application.text);
            lists.applications.append(std::move(application));
        }
        return true;
    });
    std::stable_sort(lists.keyWords.begin(), lists.keyWords.end(), itemLess);
    std::stable_sort(lists.applications.begin(), lists.applications.end(), itemLess);
    return lists;
}

} // namespace korvane::db
