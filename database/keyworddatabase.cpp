// SPDX-License-Identifier: GPL-3.0-or-later
#include "keyworddatabase.h"

#include "appfolder.h"
#include "datafile.h"
#include "windows1252.h"

#include <QByteArrayMatcher>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <limits>

#include <sys/stat.h>
#include <time.h>

namespace korvane::db {
namespace {

// Windows-1252 upper case as a byte table, for the raw-block filter.
const std::array<char, 256> &upperBytes()
{
    static const std::array<char, 256> table = [] {
        std::array<char, 256> bytes{};
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            bytes[b] = toAnsi(upperCase(fromAnsi(QByteArrayView(&byte, 1)))).at(0);
        }
        return bytes;
    }();
    return table;
}

} // namespace

KeywordDatabase::KeywordDatabase(QString folder)
    : m_folder(std::move(folder))
{
}

QString KeywordDatabase::recordFilePath() const
{
    return dataFilePath(m_folder, kRecordFileName);
}

QString KeywordDatabase::indexFileName(const QString &key, const QString &extension,
                                       int prefixLength)
{
    const QString upperKey = upperCase(trimSpaces(key));
    if (upperKey.isEmpty())
        return {};
    QString name = upperKey.left(prefixLength) + extension;
    // "folder/" + "/" + ".KWX" names the file ".KWX": the doubled separator collapses.
    while (name.startsWith(u'/'))
        name.remove(0, 1);
    // No file name holds a NUL: such a key has no index file.
    if (name.contains(QChar(0)))
        return {};
    return name;
}

QString KeywordDatabase::indexFilePath(const QString &key, const QString &extension,
                                       int prefixLength) const
{
    const QString name = indexFileName(key, extension, prefixLength);
    return name.isEmpty() ? QString() : dataFilePath(m_folder, name);
}

qint64 KeywordDatabase::recordCount() const
{
    const QFileInfo info(recordFilePath());
    return info.isFile() ? roundedCount(info.size(), kRecordSize) : 0;
}

namespace {

qint64 nanoseconds(const struct timespec &time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

} // namespace

KeywordDatabase::Stamp KeywordDatabase::stampOf(const struct stat &info)
{
    return {true, quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size),
            nanoseconds(info.st_mtim)};
}

KeywordDatabase::Stamp KeywordDatabase::currentStamp() const
{
    struct stat info = {};
    if (::stat(QFile::encodeName(recordFilePath()).constData(), &info) != 0)
        return {};
    return stampOf(info);
}

void KeywordDatabase::followChanges()
{
    m_known = currentStamp();
    m_othersChanged = false;
}

bool KeywordDatabase::changedByOthers() const
{
    return m_othersChanged || currentStamp() != m_known;
}

void KeywordDatabase::beginChange(const DataFile &records)
{
    // A file this change created was missing before: as known, unless it was
    // known to exist.
    struct stat info = {};
    if (records.created ? m_known.exists
                        : ::fstat(records.file->handle(), &info) == 0 && stampOf(info) != m_known)
        m_othersChanged = true;
}

void KeywordDatabase::endChange(const DataFile &records)
{
    const int descriptor = records.file->handle();
    struct stat info = {};
    if (::fstat(descriptor, &info) != 0)
        return;
    // Later than the time it has, even within one tick of the file system's clock.
    struct timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const qint64 modified = std::max(nanoseconds(now), nanoseconds(info.st_mtim) + 1);
    const struct timespec times[2] = {{0, UTIME_OMIT},
                                      {modified / 1000000000, modified % 1000000000}};
    // Only the owner may set the time; then the write keeps the time it was given.
    ::futimens(descriptor, times);
    if (::fstat(descriptor, &info) == 0)
        m_known = stampOf(info);
}

bool KeywordDatabase::openRecords(DataFile &records, FileLock &lock, DataFileAccess access) const
{
    records = openDataFile(recordFilePath(), access);
    if (!records) {
        m_error = records.error; // empty for a missing file that is only read
        return false;
    }
    return lock.lock(
        records, access == DataFileAccess::Read ? LockMode::Shared : LockMode::Exclusive, m_error);
}

std::optional<KeywordRecord> KeywordDatabase::record(qint32 recordNumber) const
{
    m_error.clear();
    DataFile records;
    FileLock lock;
    if (!openRecords(records, lock, DataFileAccess::Read))
        return std::nullopt;
    return readRecord(*records.file, recordNumber);
}

QList<IndexHit> KeywordDatabase::scanIndex(const QString &indexFile, const QString &searchKey,
                                           const RecordTest &accept) const
{
    m_error.clear();
    QList<IndexHit> hits;
    // A key Windows-1252 cannot hold occurs in no index file.
    if (indexFile.isEmpty() || searchKey.isEmpty() || !isAnsiRepresentable(searchKey))
        return hits;
    DataFile records;
    FileLock lock;
    if (!openRecords(records, lock, DataFileAccess::Read))
        return hits;
    // A missing index file holds no entries; it is not created.
    const DataFile index = openDataFile(indexFile, DataFileAccess::Read, true);
    if (!index) {
        m_error = index.error;
        return hits;
    }

    const QByteArrayMatcher matcher(toAnsi(searchKey));
    const std::array<char, 256> &toUpper = upperBytes();
    std::array<char, kIndexBlockSize> block{};
    std::array<char, kIndexBlockSize> upperBlock{};
    for (qint64 firstEntry = 1;; firstEntry += kIndexBlockEntries) {
        const qint64 length = index.file->read(block.data(), kIndexBlockSize);
        if (length < 0)
            m_error = fileError(indexFile, index.file->errorString());
        if (length <= 0)
            break;
        for (qint64 i = 0; i < length; ++i)
            upperBlock[i] = toUpper[static_cast<unsigned char>(block[i])];
        // Quick filter over the raw bytes, binary fields included.
        if (matcher.indexIn(upperBlock.data(), length) >= 0) {
            // Only whole entries: a partial one at the end of the file is no entry.
            for (qint64 offset = 0; offset + kIndexEntrySize <= length; offset += kIndexEntrySize) {
                const std::optional<IndexEntry> entry =
                    decodeIndexEntry(QByteArrayView(block.data() + offset, kIndexEntrySize));
                if (!entry || !entry->isActive() ||
                    !trimSpaces(upperCase(entry->key)).contains(searchKey))
                    continue;
                const std::optional<KeywordRecord> record =
                    readRecord(*records.file, entry->recordNumber);
                if (record && record->isActive() && accept(*record))
                    hits.append(
                        {firstEntry + offset / kIndexEntrySize, entry->recordNumber, *record});
            }
        }
        if (length < kIndexBlockSize)
            break;
    }
    return hits;
}

QList<IndexHit> KeywordDatabase::findKeyword(const KeyWord &keyWord) const
{
    const QString &key = keyWord.text();
    if (key.isEmpty())
        return {};
    return scanIndex(
        indexFilePath(key, kKeywordIndexExtension), key,
        [&key](const KeywordRecord &record) { return trimSpaces(record.keyWord) == key; });
}

QList<IndexHit> KeywordDatabase::findApplication(const QString &program) const
{
    const QString key = applicationKey(program);
    if (key.isEmpty())
        return {};
    // The record's trimmed program must end in exactly these 25 characters.
    return scanIndex(indexFilePath(key, kApplicationIndexExtension), key,
                     [&key](const KeywordRecord &record) {
                         return trimSpaces(record.program).right(kIndexKeyWidth) == key;
                     });
}

bool KeywordDatabase::forEachRecord(
    const std::function<bool(qint32, const KeywordRecord &)> &visit) const
{
    m_error.clear();
    const DataFile records = openDataFile(recordFilePath(), DataFileAccess::Read);
    if (!records) {
        m_error = records.error; // empty for a missing file: no records
        return m_error.isEmpty();
    }
    return readRecords(records, true, visit, m_error);
}

KeywordRecord KeywordDatabase::storedRecord(const QString &keyWord, const QString &program)
{
    return {kStatusActive, fitField(upperCase(program), kProgramWidth),
            fitField(upperCase(keyWord), kKeyWordWidth)};
}

std::optional<qint32> KeywordDatabase::appendRecord(const QString &keyWord, const QString &program)
{
    m_error.clear();
    DataFile records;
    FileLock lock;
    if (!openRecords(records, lock, DataFileAccess::ReadWrite))
        return std::nullopt;
    beginChange(records);
    const std::optional<qint64> number =
        appendItem(records, encodeRecord(storedRecord(keyWord, program)), m_error);
    endChange(records);
    if (!number || *number > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(*number);
}

std::optional<qint32> KeywordDatabase::addLinkedRecord(const QString &keyWord,
                                                       const QString &program)
{
    m_error.clear();
    const KeywordRecord record = storedRecord(keyWord, program);
    DataFile records;
    FileLock lock;
    if (!openRecords(records, lock, DataFileAccess::ReadWrite))
        return std::nullopt;

    // Both index files are opened before anything is written, so that an index
    // that cannot take its entry stops the add whole. A key no file name can hold
    // has no index file, and its record is still written.
    struct Entry
    {
        DataFile file;
        qint64 length = 0; // to cut it back to
    };
    std::array<Entry, 2> entries;
    const std::array<std::pair<QString, QString>, 2> keys = {
        std::pair{trimSpaces(record.keyWord), kKeywordIndexExtension},
        std::pair{applicationKey(record.program), kApplicationIndexExtension}};
    const auto undo = [&entries] {
        for (Entry &entry : entries) {
            if (entry.file && entry.file.created)
                QFile::remove(entry.file.path);
            else if (entry.file)
                entry.file.file->resize(entry.length);
        }
    };
    for (int i = 0; i < 2; ++i) {
        const QString path = indexFilePath(keys[i].first, keys[i].second);
        if (keys[i].first.isEmpty() || path.isEmpty())
            continue;
        entries[i].file = openDataFile(path, DataFileAccess::ReadWrite);
        if (!entries[i].file) {
            m_error = entries[i].file.error;
            undo();
            return std::nullopt;
        }
        entries[i].length = entries[i].file.file->size();
    }

    beginChange(records);
    const std::optional<qint64> number = appendItem(records, encodeRecord(record), m_error);
    bool written = number && *number <= std::numeric_limits<qint32>::max();
    for (int i = 0; i < 2 && written; ++i) {
        const IndexEntry entry{kStatusActive, qint32(*number), keys[i].first};
        written = !entries[i].file || appendItem(entries[i].file, encodeIndexEntry(entry), m_error);
    }
    if (!written) {
        undo();
        if (number)
            records.file->resize((*number - 1) * kRecordSize);
    }
    endChange(records);
    return written ? std::optional<qint32>(qint32(*number)) : std::nullopt;
}

bool KeywordDatabase::markDeleted(qint32 recordNumber)
{
    m_error.clear();
    // Only an existing, whole record is marked; the file is never created or grown.
    DataFile records;
    FileLock lock;
    if (recordNumber < 1 || !openRecords(records, lock, DataFileAccess::Write))
        return false;
    QFile &file = *records.file;
    const qint64 offset = qint64(recordNumber - 1) * kRecordSize;
    if (offset + kRecordSize > file.size()) {
        m_error =
            fileError(records.path, QStringLiteral("it holds no record %1").arg(recordNumber));
        return false;
    }
    // Status is the record's first field: one write at the record's offset.
    char status[2];
    qToLittleEndian(kStatusDeleted, status);
    beginChange(records);
    const bool written = file.seek(offset) && file.write(status, 2) == 2;
    endChange(records);
    if (!written)
        m_error = fileError(records.path, file.errorString());
    return written;
}

bool KeywordDatabase::appendIndexEntry(const QString &key, qint32 recordNumber,
                                       const QString &extension, int prefixLength)
{
    m_error.clear();
    IndexEntry entry;
    entry.status = kStatusActive;
    entry.recordNumber = recordNumber;
    entry.key = trimSpaces(upperCase(key));
    const QString path = indexFilePath(entry.key, extension, prefixLength);
    // A name the file system cannot hold means no entry; nothing to report.
    if (entry.key.isEmpty() || path.isEmpty())
        return true;
    DataFile records;
    FileLock lock;
    if (!openRecords(records, lock, DataFileAccess::ReadWrite))
        return false;
    DataFile index = openDataFile(path, DataFileAccess::ReadWrite);
    if (!index) {
        m_error = index.error;
        return false;
    }
    return appendItem(index, encodeIndexEntry(entry), m_error).has_value();
}

QString KeywordDatabase::applicationKey(const QString &program)
{
    return trimSpaces(upperCase(trimSpaces(program).right(kIndexKeyWidth)));
}

} // namespace korvane::db
