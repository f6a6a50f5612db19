// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Opening the database's files safely: only regular files are opened (a FIFO, a
// directory or a device in a data file's place is refused at once, never waited
// on), and the record file carries an advisory lock that makes every change one
// step no other Korvane process can interleave with.

#include <QFile>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace korvane::db {

enum class DataFileAccess {
    Read,      // read only; a missing file is no error (it reads as empty)
    Write,     // read and write an existing file
    ReadWrite, // read and write, created (private) when missing
};

struct DataFile
{
    QString path;
    std::unique_ptr<QFile> file; // open, or null
    bool missing = false;        // no entry of that name at all
    bool created = false;        // made by this open
    QString error;               // why it is not open: the file and the reason

    explicit operator bool() const { return file != nullptr; }
};

// Opens `path` without blocking (O_NONBLOCK) and keeps it only when fstat says it
// is a regular file. Unbuffered, for reads and writes at chosen offsets, unless
// `buffered` (for reading front to back in small pieces, as an index scan does).
DataFile openDataFile(const QString &path, DataFileAccess access, bool buffered = false);

// Why an entry of file mode `mode` is not opened: it is a directory, a FIFO...
QString notRegularReason(unsigned mode);

// "<path>: <reason>", the form every database message takes.
QString fileError(const QString &path, const QString &reason);
// The same with the reason of errno `error`.
QString fileError(const QString &path, int error);

struct KeywordRecord;

// Reads record `recordNumber` from an open record file; nothing when it does not
// lie whole inside the file.
std::optional<KeywordRecord> readRecord(QFile &file, qint64 recordNumber);

// Visits the whole records of an open record file in order; `visit` returns false
// to stop early. With `lockEachChunk` a shared lock is held while each chunk is
// read and released before its records are visited (so that a visitor may yield
// to events, where this process may change the database); without, the caller
// holds the lock. False, with the reason in `error`, when the file cannot be read.
using RecordVisitor = std::function<bool(qint32, const KeywordRecord &)>;
bool readRecords(const DataFile &records, bool lockEachChunk, const RecordVisitor &visit,
                 QString &error);

// Appends `item` (one record or entry) to an open file and returns its number, or
// nothing, with the reason in `error`, when it was not written whole.
std::optional<qint64> appendItem(const DataFile &file, const QByteArray &item, QString &error);

enum class LockMode { Shared, Exclusive };

// An advisory lock (flock) on an open file, held until this goes. The system drops
// the lock of a process that dies, so a crash never leaves the database locked.
class FileLock
{
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Waits a few seconds at most for another holder; false, with the reason in
    // `error`, when the lock was not had.
    bool lock(const DataFile &file, LockMode mode, QString &error);
    void unlock();

private:
    int m_descriptor = -1;
};

} // namespace korvane::db
