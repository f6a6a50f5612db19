#include "lookup.h"

#include "numbertext.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvane::db {
namespace {

// Records between two calls of the yield callback while building the lists.
constexpr qint32 kRecordsPerYield = 256;
// The characters at an item's end that hold its record number.
constexpr int kRecordNumberTail = 10;

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

QString keywordsAlreadyUsedItem(const KeywordRecord &record, qint32 recordNumber)
{
    return fitField(record.keyWord, kKeyWordWidth) + spaces(53) + numberText(recordNumber);
}

QString availableApplicationsItem(const KeywordRecord &record, qint32 recordNumber)
{
    return fitField(upperCase(record.program), kProgramWidth) + spaces(17) +
           numberText(recordNumber);
}

QString keyWordListItem(const KeywordRecord &record, qint32 recordNumber)
{
    return fitField(record.keyWord, kKeyWordWidth) + spaces(74) + numberText(recordNumber);
}

QString addedKeyWordItem(const QString &trimmedKeyWord, qint32 recordNumber)
{
    return trimmedKeyWord + spaces(124) + numberText(recordNumber);
}

qint32 itemRecordNumber(const QString &item)
{
    // Rounded half to even, as the 32-bit conversion did; out of range reads as none.
    const double value = std::nearbyint(leadingNumber(QStringView(item).right(kRecordNumberTail)));
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return 0;
    return qint32(value);
}

QString itemText(const QString &item, int tailLength)
{
    if (item.size() <= tailLength)
        return {};
    return trimSpaces(QStringView(item).left(item.size() - tailLength));
}

bool listItemLess(const QString &a, const QString &b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}

void insertSorted(QStringList &list, const QString &item)
{
    list.insert(std::upper_bound(list.cbegin(), list.cend(), item, listItemLess), item);
}

bool ApplicationExistsInList(const QStringList &availableApplications, const QString &program)
{
    return std::any_of(
        availableApplications.cbegin(), availableApplications.cend(),
        [&program](const QString &item) { return upperCase(itemText(item)) == program; });
}

AvailableLists buildAvailableLists(const KeywordDatabase &database,
                                   const std::function<void()> &yield)
{
    AvailableLists lists;
    // The programs listed so far, as ApplicationExistsInList would compare them.
    QSet<QString> programsListed;
    database.forEachRecord([&](qint32 recordNumber, const KeywordRecord &record) {
        if (yield && recordNumber % kRecordsPerYield == 0)
            yield();
        if (!record.isActive())
            return true;
        lists.keywordsAlreadyUsed.append(keywordsAlreadyUsedItem(record, recordNumber));
        const QString program = trimSpaces(upperCase(record.program));
        if (!programsListed.contains(program)) {
            programsListed.insert(program);
            lists.availableApplications.append(availableApplicationsItem(record, recordNumber));
        }
        return true;
    });
    std::stable_sort(lists.keywordsAlreadyUsed.begin(), lists.keywordsAlreadyUsed.end(),
                     listItemLess);
    std::stable_sort(lists.availableApplications.begin(), lists.availableApplications.end(),
                     listItemLess);
    return lists;
}

} // namespace korvane::db
