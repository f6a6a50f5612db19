// SPDX-License-Identifier: GPL-3.0-or-later
#include "records.h"

#include "windows1252.h"

#include <QtEndian>

namespace korvane::db {
namespace {

// Each layout is written down once, as the fields in file order, and serves both
// directions: FieldWriter appends the fields, FieldReader fills them in.
template<typename Fields> void layout(Fields &fields, KeywordRecord &record)
{
    fields.integer(record.status);
    fields.text(record.program, kProgramWidth);
    fields.text(record.keyWord, kKeyWordWidth);
}

template<typename Fields> void layout(Fields &fields, IndexEntry &entry)
{
    fields.integer(entry.status);
    fields.integer(entry.recordNumber);
    fields.text(entry.key, kIndexKeyWidth);
}

// Integers little-endian; text in Windows-1252, cut or padded with spaces.
class FieldWriter
{
public:
    template<typename Int> void integer(Int value)
    {
        char buffer[sizeof(Int)];
        qToLittleEndian(value, buffer);
        bytes.append(buffer, sizeof(Int));
    }
    void text(const QString &value, int width) { bytes.append(toAnsi(fitField(value, width))); }

    QByteArray bytes;
};

class FieldReader
{
public:
    explicit FieldReader(QByteArrayView bytes)
        : m_bytes(bytes)
    {
    }

    template<typename Int> void integer(Int &value)
    {
        value = qFromLittleEndian<Int>(m_bytes.data() + m_at);
        m_at += sizeof(Int);
    }
    void text(QString &value, int width)
    {
        value = fromAnsi(m_bytes.sliced(m_at, width));
        m_at += width;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};

template<typename Item> QByteArray encode(Item item)
{
    FieldWriter writer;
    layout(writer, item);
    return writer.bytes;
}

// Reads the first `size` bytes; a shorter buffer gives nothing.
template<typename Item> std::optional<Item> decode(QByteArrayView bytes, int size)
{
    if (bytes.size() < size)
        return std::nullopt;
    Item item;
    FieldReader reader(bytes);
    layout(reader, item);
    return item;
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
    return encode(record);
}

std::optional<KeywordRecord> decodeRecord(QByteArrayView bytes)
{
    return decode<KeywordRecord>(bytes, kRecordSize);
}

QByteArray encodeIndexEntry(const IndexEntry &entry)
{
    return encode(entry);
}

std::optional<IndexEntry> decodeIndexEntry(QByteArrayView bytes)
{
    return decode<IndexEntry>(bytes, kIndexEntrySize);
}

} // namespace korvane::db
