#include "records.h"

#include "windows1252.h"

#include <QtEndian>

namespace korvane::db {
namespace {

void appendInt16(QByteArray &bytes, qint16 value)
{
    char buffer[2];
    qToLittleEndian(value, buffer);
    bytes.append(buffer, 2);
}

void appendInt32(QByteArray &bytes, qint32 value)
{
    char buffer[4];
    qToLittleEndian(value, buffer);
    bytes.append(buffer, 4);
}

QChar upperChar(QChar c)
{
    if (c.unicode() < 0x80)
        return c.toUpper();
    const QChar upper = c.toUpper();
    return upper != c && isAnsiRepresentable(QStringView(&upper, 1)) ? upper : c;
}

} // namespace

qint64 roundedCount(qint64 byteLength, int itemSize)
{
    if (byteLength <= 0 || itemSize <= 0)
        return 0;
    const qint64 whole = byteLength / itemSize;
    const qint64 twiceRest = 2 * (byteLength % itemSize);
    if (twiceRest > itemSize || (twiceRest == itemSize && whole % 2 == 1))
        return whole + 1;
    return whole;
}

QString fitField(const QString &text, int width)
{
    if (text.size() >= width)
        return text.left(width);
    return text + QString(width - text.size(), u' ');
}

QString upperCase(QStringView text)
{
    QString upper(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        upper[i] = upperChar(text[i]);
    return upper;
}

QString trimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin).toString();
}

QByteArray encodeRecord(const KeywordRecord &record)
{
    QByteArray bytes;
    bytes.reserve(kRecordSize);
    appendInt16(bytes, record.status);
    bytes.append(toAnsi(fitField(record.program, kProgramWidth)));
    bytes.append(toAnsi(fitField(record.keyWord, kKeyWordWidth)));
    return bytes;
}

std::optional<KeywordRecord> decodeRecord(QByteArrayView bytes)
{
    if (bytes.size() < kRecordSize)
        return std::nullopt;
    KeywordRecord record;
    record.status = qFromLittleEndian<qint16>(bytes.data());
    record.program = fromAnsi(bytes.sliced(2, kProgramWidth));
    record.keyWord = fromAnsi(bytes.sliced(2 + kProgramWidth, kKeyWordWidth));
    return record;
}

QByteArray encodeIndexEntry(const IndexEntry &entry)
{
    QByteArray bytes;
    bytes.reserve(kIndexEntrySize);
    appendInt16(bytes, entry.status);
    appendInt32(bytes, entry.recordNumber);
    bytes.append(toAnsi(fitField(entry.key, kIndexKeyWidth)));
    return bytes;
}

std::optional<IndexEntry> decodeIndexEntry(QByteArrayView bytes)
{
    if (bytes.size() < kIndexEntrySize)
        return std::nullopt;
    IndexEntry entry;
    entry.status = qFromLittleEndian<qint16>(bytes.data());
    entry.recordNumber = qFromLittleEndian<qint32>(bytes.data() + 2);
    entry.key = fromAnsi(bytes.sliced(6, kIndexKeyWidth));
    return entry;
}

} // namespace korvane::db
