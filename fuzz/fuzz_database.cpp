// The keyword record and index readers on any bytes: single records and entries,
// then a database folder whose "KeyWord.DAT" and one index file come from the
// input, read through every lookup, reindexed, and checked: every active record
// that can be found at all is found after the reindex.

#include "fuzzsupport.h"
#include "keyworddatabase.h"
#include "lookup.h"

#include <QDir>

#include <algorithm>

using namespace korvane;
using namespace korvane::db;

namespace {

// A record whose key word the keyword index can find: written the way Korvane
// writes it (upper case), at most 25 characters once trimmed, and a first
// character that can stand in a file name.
bool findableKeyWord(const QString &keyWord)
{
    const QString key = trimSpaces(keyWord);
    return !key.isEmpty() && key.size() <= kIndexKeyWidth && keyWord == upperCase(keyWord) &&
           key.at(0).unicode() >= 0x20;
}

bool findableProgram(const QString &program)
{
    const QString tail = trimSpaces(program).right(kIndexKeyWidth);
    return !tail.isEmpty() && program == upperCase(program) && tail.at(0) != u' ' &&
           tail.at(0).unicode() >= 0x20;
}

void checkHits(const KeywordDatabase &database, const QList<IndexHit> &hits)
{
    for (const IndexHit &hit : hits) {
        fuzz::check(hit.record.isActive(), "a hit is an active record");
        const std::optional<KeywordRecord> record = database.record(hit.recordNumber);
        fuzz::check(record && record->keyWord == hit.record.keyWord, "a hit is its record");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);

    // Single items: decoding then encoding gives the bytes back.
    if (const std::optional<KeywordRecord> record = decodeRecord(bytes)) {
        fuzz::check(encodeRecord(*record) == bytes.left(kRecordSize), "records round-trip");
    } else {
        fuzz::check(bytes.size() < kRecordSize, "only a short buffer is no record");
    }
    if (const std::optional<IndexEntry> entry = decodeIndexEntry(bytes))
        fuzz::check(encodeIndexEntry(*entry) == bytes.left(kIndexEntrySize), "entries round-trip");

    // A folder: the first byte names the index file, the next two split the rest.
    if (size < 3)
        return 0;
    QDir folder(fuzz::scratchFolder());
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden))
        folder.remove(name);
    const QString indexName = QString(QChar(u'A' + (data[0] & 3))) +
                              (data[0] & 4 ? kKeywordIndexExtension : kApplicationIndexExtension);
    const QByteArray rest = bytes.mid(3);
    const qsizetype split = rest.isEmpty() ? 0 : (data[1] | data[2] << 8) % (rest.size() + 1);
    fuzz::writeScratchFile(kRecordFileName, rest.left(split));
    fuzz::writeScratchFile(indexName, rest.mid(split));

    KeywordDatabase database(folder.path());
    const qint64 count = database.recordCount();
    qint64 visited = 0;
    QList<std::pair<qint32, KeywordRecord>> active;
    database.forEachRecord([&](qint32 number, const KeywordRecord &record) {
        fuzz::check(number == ++visited, "records are visited in order");
        if (record.isActive())
            active.append({number, record});
        return true;
    });
    fuzz::check(visited <= count, "no more records visited than counted");
    fuzz::check(visited == split / kRecordSize, "every whole record is visited");

    // Look up the keys the index holds, then the ones the records hold.
    for (qsizetype offset = 0; offset + kIndexEntrySize <= rest.size() - split && offset < 8 * 31;
         offset += kIndexEntrySize) {
        const IndexEntry entry =
            *decodeIndexEntry(QByteArrayView(rest).sliced(split + offset, kIndexEntrySize));
        checkHits(database, database.findKeyword(KeyWord(entry.key)));
        checkHits(database, database.findApplication(entry.key));
    }
    const AvailableLists lists = buildAvailableLists(database);
    fuzz::check(lists.keyWords.size() == active.size(), "one list item per record");

    database.rebuildIndexes();
    for (const auto &item : active) {
        const qint32 number = item.first;
        const KeywordRecord &record = item.second;
        if (findableKeyWord(record.keyWord)) {
            const QList<IndexHit> hits = database.findKeyword(KeyWord(trimSpaces(record.keyWord)));
            checkHits(database, hits);
            fuzz::check(
                std::any_of(hits.cbegin(), hits.cend(),
                            [&](const IndexHit &hit) { return hit.recordNumber == number; }),
                "an active key word is found after a reindex");
        }
        if (findableProgram(record.program)) {
            const QList<IndexHit> hits = database.findApplication(record.program);
            fuzz::check(
                std::any_of(hits.cbegin(), hits.cend(),
                            [&](const IndexHit &hit) { return hit.recordNumber == number; }),
                "an active program is found after a reindex");
        }
    }
    return 0;
}
