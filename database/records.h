// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Byte layouts of the keyword database: "KeyWord.DAT" is an array of 308-byte
// Keyword records, each ".KWX"/".APX" index file an array of 31-byte entries.
// Text fields are Windows-1252, space-padded, without terminator; integers are
// little-endian and signed.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace korvane::db {

inline constexpr int kRecordSize = 308;
inline constexpr int kProgramWidth = 256;
inline constexpr int kKeyWordWidth = 50;
inline constexpr int kIndexEntrySize = 31;
inline constexpr int kIndexKeyWidth = 25;
inline constexpr int kIndexBlockEntries = 8;
inline constexpr int kIndexBlockSize = kIndexBlockEntries * kIndexEntrySize; // 248
// Status, then the fields; an entry's status and record number, then its key.
static_assert(kRecordSize == 2 + kProgramWidth + kKeyWordWidth);
static_assert(kIndexEntrySize == 2 + 4 + kIndexKeyWidth);

inline constexpr qint16 kStatusActive = 1;
inline constexpr qint16 kStatusDeleted = 3;

inline const QString kRecordFileName = QStringLiteral("KeyWord.DAT");
inline const QString kKeywordIndexExtension = QStringLiteral(".KWX");
inline const QString kApplicationIndexExtension = QStringLiteral(".APX");

struct KeywordRecord
{
    qint16 status = 0;
    QString program; // full 256-character field, padding kept
    QString keyWord; // full 50-character field, padding kept

    bool isActive() const { return status == kStatusActive; }
};

struct IndexEntry
{
    qint16 status = 0;
    qint32 recordNumber = 0;
    QString key; // full 25-character field, padding kept

    bool isActive() const { return status == kStatusActive; }
};

// Number of fixed-size items in a file of `byteLength` bytes, rounded to the
// nearest whole number (a half rounds to even, as the classic runtime did).
qint64 roundedCount(qint64 byteLength, int itemSize);

// `text` cut to `width` characters or padded with spaces to it.
QString fitField(const QString &text, int width);

// Upper case one character at a time, the way the database stores text: a
// character keeps its place (no "SS" for a sharp s), and one whose capital has no
// Windows-1252 byte stays as it is, so fields keep their width and encoding.
QString upperCase(QStringView text);

// `text` without its leading and trailing spaces (only 0x20: tabs and other
// blanks are kept, as the stored fields are padded with spaces alone).
QString trimSpaces(QStringView text);

QByteArray encodeRecord(const KeywordRecord &record);
// Decodes the first 308 bytes; a shorter buffer gives nothing.
std::optional<KeywordRecord> decodeRecord(QByteArrayView bytes);

QByteArray encodeIndexEntry(const IndexEntry &entry);
// Decodes the first 31 bytes; a shorter buffer gives nothing.
std::optional<IndexEntry> decodeIndexEntry(QByteArrayView bytes);

} // namespace korvane::db
