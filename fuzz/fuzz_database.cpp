// SPDX-License-Identifier: GPL-3.0-or-later
// The keyword record and index readers on any bytes: single records and entries,
// then a database folder whose "KeyWord.DAT" and one index file come from the
// input, read through every lookup, reindexed, and checked: every active record
// that can be found at all is found after the reindex. Inputs of the second kind
// add a key word to the record file instead, as the keyword editor does, and
// check the outcome, the record's bytes and that the key word is found.

#include "fuzzsupport.h"
#include "keyworddatabase.h"
#include "lookup.h"
#include "maintenance.h"
#include "windows1252.h"

#include <QDir>

#include <algorithm>

using namespace korvane;
using namespace korvane::db;

namespace {

// A record whose key word the keyword index can find: as a user types it (the
// key word normalised is itself: upper case, no tab or other blank at its ends),
// at most 25 characters once trimmed, and a first character that can stand in a
// file name.
bool findableKeyWord(const QString &keyWord)
{
    const QString key = trimSpaces(keyWord);
    return !key.isEmpty() && key.size() <= kIndexKeyWidth && KeyWord(key).text() == key &&
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

bool finds(const QList<IndexHit> &hits, qint32 recordNumber)
{
    return std::any_of(hits.cbegin(), hits.cend(),
                       [&](const IndexHit &hit) { return hit.recordNumber == recordNumber; });
}

// "key word\nprogram" added to a folder whose record file holds `records`.
void checkAdd(KeywordDatabase &database, const QByteArray &records, const QString &text)
{
    const qsizetype lineEnd = text.indexOf(u'\n');
    const QString keyWord = text.left(lineEnd);
    const QString program = lineEnd < 0 ? QString() : text.mid(lineEnd + 1);
    const QStringList filesBefore = QDir(database.folder()).entryList(QDir::Files | QDir::Hidden);
    const AddResult result = addKeyWord(database, keyWord, program);
    const QByteArray recordsAfter = fuzz::readScratchFile(kRecordFileName);
    AddOutcome expected = AddOutcome::Added;
    if (program.isEmpty())
        expected = AddOutcome::MissingProgram;
    else if (trimSpaces(keyWord).isEmpty())
        expected = AddOutcome::MissingKeyWord;
    else if (!isAnsiRepresentable(keyWord + program))
        expected = AddOutcome::NotRepresentable;
    fuzz::check(result.outcome == expected, "the outcome of an add");
    if (expected != AddOutcome::Added) {
        fuzz::check(recordsAfter == records, "a refused add leaves the records");
        fuzz::check(QDir(database.folder()).entryList(QDir::Files | QDir::Hidden) == filesBefore,
                    "a refused add makes no index file");
        return;
    }
    // One whole record after the last whole one, its fields upper-cased, cut and padded.
    const qint64 whole = records.size() / kRecordSize;
    fuzz::check(result.recordNumber == whole + 1, "the record number of an add");
    fuzz::check(recordsAfter.size() == (whole + 1) * kRecordSize &&
                    recordsAfter.startsWith(records.left(whole * kRecordSize)),
                "an add appends one record after the whole ones");
    const std::optional<KeywordRecord> added = database.record(result.recordNumber);
    fuzz::check(added && added->isActive() &&
                    added->keyWord == upperCase(keyWord).leftJustified(kKeyWordWidth, u' ', true) &&
                    added->program == upperCase(program).leftJustified(kProgramWidth, u' ', true),
                "the fields of an added record");
    for (int pass = 0; pass < 2; ++pass) {
        if (findableKeyWord(added->keyWord))
            fuzz::check(finds(database.findKeyword(KeyWord(trimSpaces(added->keyWord))),
                              result.recordNumber),
                        "an added key word is found, before and after a reindex");
        if (findableProgram(added->program))
            fuzz::check(finds(database.findApplication(added->program), result.recordNumber),
                        "an added program is found, before and after a reindex");
        database.rebuildIndexes();
    }
}

// Qt warns when a file name it is given cannot be one (holding a NUL, say): the
// database must never try such a name.
void abortOnWarning(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    fuzz::check(type == QtDebugMsg || type == QtInfoMsg, qPrintable(message));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(abortOnWarning);
    return 0;
}

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

    // A folder: the first byte names the index file (or, with bit 3, asks for an
    // add), the next two split the rest into the record file and what follows.
    if (size < 3)
        return 0;
    QDir folder(fuzz::scratchFolder());
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden))
        folder.remove(name);
    const bool adds = data[0] & 8;
    const QString indexName = QString(QChar(u'A' + (data[0] & 3))) +
                              (data[0] & 4 ? kKeywordIndexExtension : kApplicationIndexExtension);
    const QByteArray rest = bytes.mid(3);
    const qsizetype split = rest.isEmpty() ? 0 : (data[1] | data[2] << 8) % (rest.size() + 1);
    fuzz::writeScratchFile(kRecordFileName, rest.left(split));
    KeywordDatabase database(folder.path());
    if (adds) {
        checkAdd(database, rest.left(split), QString::fromUtf8(rest.mid(split)));
        return 0;
    }
    fuzz::writeScratchFile(indexName, rest.mid(split));

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
            fuzz::check(finds(hits, number), "an active key word is found after a reindex");
        }
        if (findableProgram(record.program))
            fuzz::check(finds(database.findApplication(record.program), number),
                        "an active program is found after a reindex");
    }
    return 0;
}
