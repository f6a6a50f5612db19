#include "keyworddatabase.h"

#include "appfolder.h"
#include "windows1252.h"

#include <QByteArrayMatcher>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <array>
#include <limits>

namespace korvane::db {
namespace {

// Records read per call when walking the whole record file.
constexpr qint64 kRecordsPerRead = 256;

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

// Reads record `recordNumber` from an open record file; nothing when it does not
// lie whole inside the file.
std::optional<KeywordRecord> readRecord(QFile &file, qint64 recordNumber)
{
    if (recordNumber < 1 || !file.seek((recordNumber - 1) * kRecordSize))
        return std::nullopt;
    char buffer[kRecordSize];
    if (file.read(buffer, kRecordSize) != kRecordSize)
        return std::nullopt;
    return decodeRecord(QByteArrayView(buffer, kRecordSize));
}

// Appends `item` (one record or entry) to the file at `path`, creating it, and
// returns its number. It goes after the last whole item, at floor(length / size) *
// size: a partial item left at the end by an interrupted write is overwritten
// rather than kept before the new one (where it would shift every later item) or
// skipped (which would leave a gap readers count as an item). One write call; if
// it is not written whole the file is cut back and nothing is returned.
std::optional<qint64> appendItem(const QString &path, const QByteArray &item)
{
    if (path.isEmpty()) // a key no file name can hold
        return std::nullopt;
    QFile file(path);
    // The database is the user's own: a file created here is readable by no one else.
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return std::nullopt;
    const qint64 whole = file.size() / item.size();
    const qint64 offset = whole * item.size();
    if (!file.seek(offset))
        return std::nullopt;
    if (file.write(item) != item.size()) {
        file.resize(offset);
        return std::nullopt;
    }
    return whole + 1;
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

QString KeywordDatabase::indexFilePath(const QString &key, const QString &extension,
                                       int prefixLength) const
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
    return dataFilePath(m_folder, name);
}

qint64 KeywordDatabase::recordCount() const
{
    const QFileInfo info(recordFilePath());
    return info.exists() ? roundedCount(info.size(), kRecordSize) : 0;
}

std::optional<KeywordRecord> KeywordDatabase::record(qint32 recordNumber) const
{
    QFile file(recordFilePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    return readRecord(file, recordNumber);
}

QList<IndexHit> KeywordDatabase::scanIndex(const QString &indexFile, const QString &searchKey,
                                           const RecordTest &accept) const
{
    QList<IndexHit> hits;
    // A key Windows-1252 cannot hold occurs in no index file.
    if (indexFile.isEmpty() || searchKey.isEmpty() || !isAnsiRepresentable(searchKey))
        return hits;
    // A missing or unreadable index file holds no entries; it is not created.
    QFile index(indexFile);
    if (!index.open(QIODevice::ReadOnly))
        return hits;
    QFile records(recordFilePath());
    if (!records.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return hits;

    const QByteArrayMatcher matcher(toAnsi(searchKey));
    const std::array<char, 256> &toUpper = upperBytes();
    std::array<char, kIndexBlockSize> block{};
    std::array<char, kIndexBlockSize> upperBlock{};
    for (qint64 firstEntry = 1;; firstEntry += kIndexBlockEntries) {
        const qint64 length = index.read(block.data(), kIndexBlockSize);
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
                    readRecord(records, entry->recordNumber);
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

void KeywordDatabase::forEachRecord(
    const std::function<bool(qint32, const KeywordRecord &)> &visit) const
{
    QFile file(recordFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return;
    const qint64 count = std::min<qint64>(roundedCount(file.size(), kRecordSize),
                                          std::numeric_limits<qint32>::max());
    QByteArray chunk;
    qint32 recordNumber = 0;
    while (recordNumber < count) {
        chunk = file.read(std::min(count - recordNumber, kRecordsPerRead) * kRecordSize);
        // A partial record at the end (the count rounds up over it) is never decoded.
        const qint64 wholeRecords = chunk.size() / kRecordSize;
        if (wholeRecords == 0)
            return;
        for (qint64 i = 0; i < wholeRecords; ++i) {
            const std::optional<KeywordRecord> record =
                decodeRecord(QByteArrayView(chunk).sliced(i * kRecordSize, kRecordSize));
            ++recordNumber;
            if (!visit(recordNumber, *record))
                return;
        }
        if (chunk.size() % kRecordSize != 0)
            return;
    }
}

std::optional<qint32> KeywordDatabase::appendRecord(const QString &keyWord, const QString &program)
{
    KeywordRecord record;
    record.status = kStatusActive;
    record.keyWord = fitField(upperCase(keyWord), kKeyWordWidth);
    record.program = fitField(upperCase(program), kProgramWidth);
    const std::optional<qint64> number = appendItem(recordFilePath(), encodeRecord(record));
    if (!number || *number > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(*number);
}

std::optional<qint32> KeywordDatabase::addLinkedRecord(const QString &keyWord,
                                                       const QString &program)
{
    const std::optional<qint32> recordNumber = appendRecord(keyWord, program);
    if (recordNumber)
        indexRecord(*recordNumber, fitField(upperCase(keyWord), kKeyWordWidth),
                    fitField(upperCase(program), kProgramWidth));
    return recordNumber;
}

void KeywordDatabase::indexRecord(qint32 recordNumber, const QString &keyWordField,
                                  const QString &programField)
{
    appendIndexEntry(keyWordField, recordNumber, kKeywordIndexExtension);
    appendIndexEntry(applicationKey(programField), recordNumber, kApplicationIndexExtension);
}

void KeywordDatabase::markDeleted(qint32 recordNumber)
{
    if (recordNumber < 1)
        return;
    // Only an existing, whole record is marked; the file is never created or grown.
    const QString path = findEntryIgnoringCase(m_folder, kRecordFileName);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return;
    const qint64 offset = qint64(recordNumber - 1) * kRecordSize;
    if (offset + kRecordSize > file.size() || !file.seek(offset))
        return;
    // Status is the record's first field: one write at the record's offset.
    char status[2];
    qToLittleEndian(kStatusDeleted, status);
    file.write(status, 2);
}

void KeywordDatabase::appendIndexEntry(const QString &key, qint32 recordNumber,
                                       const QString &extension, int prefixLength)
{
    IndexEntry entry;
    entry.status = kStatusActive;
    entry.recordNumber = recordNumber;
    entry.key = trimSpaces(upperCase(key));
    if (entry.key.isEmpty())
        return;
    // A name the file system refuses means no entry; nothing to report.
    appendItem(indexFilePath(entry.key, extension, prefixLength), encodeIndexEntry(entry));
}

void KeywordDatabase::rebuildIndexes()
{
    removeEntriesWithSuffix(m_folder, QStringLiteral(".kwx"));
    removeEntriesWithSuffix(m_folder, QStringLiteral(".apx"));
    forEachRecord([this](qint32 recordNumber, const KeywordRecord &record) {
        if (record.isActive())
            indexRecord(recordNumber, record.keyWord, record.program);
        return true;
    });
}

QString KeywordDatabase::applicationKey(const QString &program)
{
    return trimSpaces(upperCase(trimSpaces(program).right(kIndexKeyWidth)));
}

} // namespace korvane::db
