// SPDX-License-Identifier: GPL-3.0-or-later
#include "datafile.h"

#include "records.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane::db {
namespace {

// Records read per call when walking the whole record file.
constexpr qint64 kRecordsPerRead = 256;

// How long a change or a read waits for another process's change to finish. A
// reindex of 100,000 records takes well under a second.
constexpr int kLockWaitMs = 5000;
constexpr int kLockPollMaxMs = 20;

int openWithoutBlocking(const QByteArray &path, int flags)
{
    int descriptor;
    do
        descriptor = ::open(path.constData(), flags | O_NONBLOCK | O_CLOEXEC, 0600);
    while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

} // namespace

QString notRegularReason(unsigned mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a directory, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a named pipe (FIFO), not a file");
    return QStringLiteral("it is a device or socket, not a file");
}

QString fileError(const QString &path, const QString &reason)
{
    return QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
}

QString fileError(const QString &path, int error)
{
    return fileError(path, QString::fromLocal8Bit(std::strerror(error)));
}

DataFile openDataFile(const QString &path, DataFileAccess access, bool buffered)
{
    DataFile result;
    result.path = path;
    const QByteArray native = QFile::encodeName(path);
    const int flags = access == DataFileAccess::Read ? O_RDONLY : O_RDWR;
    int descriptor = openWithoutBlocking(native, flags);
    if (descriptor < 0 && errno == ENOENT && access == DataFileAccess::ReadWrite) {
        // Exclusive, so that only a file made here counts as created.
        descriptor = openWithoutBlocking(native, flags | O_CREAT | O_EXCL);
        result.created = descriptor >= 0;
        if (descriptor < 0 && errno == EEXIST)
            descriptor = openWithoutBlocking(native, flags);
    }
    if (descriptor < 0) {
        const int error = errno;
        struct stat entry = {};
        // A symbolic link to nothing is an entry that cannot be read, not a missing file.
        result.missing = error == ENOENT && ::lstat(native.constData(), &entry) != 0;
        if (!result.missing || access != DataFileAccess::Read)
            result.error = fileError(path, error);
        return result;
    }
    struct stat info = {};
    if (::fstat(descriptor, &info) != 0)
        result.error = fileError(path, errno);
    else if (!S_ISREG(info.st_mode))
        result.error = fileError(path, notRegularReason(info.st_mode));
    if (!result.error.isEmpty()) {
        ::close(descriptor);
        return result;
    }
    result.file = std::make_unique<QFile>();
    const QIODevice::OpenMode mode =
        access == DataFileAccess::Read ? QIODevice::ReadOnly : QIODevice::ReadWrite;
    if (!result.file->open(descriptor, buffered ? mode : mode | QIODevice::Unbuffered,
                           QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        result.error = fileError(path, result.file->errorString());
        result.file.reset();
    }
    return result;
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

// Visits the whole records of an open record file in order. With `lockEachChunk`
// a shared lock is held while each chunk is read and released before its records
// are visited; without, the caller holds the lock.
bool readRecords(const DataFile &records, bool lockEachChunk, const RecordVisitor &visit,
                 QString &error)
{
    QFile &file = *records.file;
    FileLock lock;
    qint64 count = -1;
    for (qint32 recordNumber = 0;;) {
        if (lockEachChunk && !lock.lock(records, LockMode::Shared, error))
            return false;
        if (count < 0)
            count = std::min<qint64>(roundedCount(file.size(), kRecordSize),
                                     std::numeric_limits<qint32>::max());
        if (recordNumber >= count)
            return true;
        if (!file.seek(qint64(recordNumber) * kRecordSize)) {
            error = fileError(records.path, file.errorString());
            return false;
        }
        const QByteArray chunk =
            file.read(std::min(count - recordNumber, kRecordsPerRead) * kRecordSize);
        lock.unlock();
        if (file.error() != QFileDevice::NoError) {
            error = fileError(records.path, file.errorString());
            return false;
        }
        // A partial record at the end (the count rounds up over it) is never decoded.
        const qint64 wholeRecords = chunk.size() / kRecordSize;
        for (qint64 i = 0; i < wholeRecords; ++i) {
            const std::optional<KeywordRecord> record =
                decodeRecord(QByteArrayView(chunk).sliced(i * kRecordSize, kRecordSize));
            ++recordNumber;
            if (!visit(recordNumber, *record))
                return true;
        }
        if (wholeRecords == 0 || chunk.size() % kRecordSize != 0)
            return true;
    }
}

// Appends `item` (one record or entry) to an open file and returns its number. It
// goes after the last whole item, at floor(length / size) * size: a partial item
// left at the end by an interrupted write is overwritten rather than kept before
// the new one (where it would shift every later item) or skipped (which would
// leave a gap readers count as an item). One write call; if it is not written
// whole the file is cut back and nothing is returned.
std::optional<qint64> appendItem(const DataFile &data, const QByteArray &item, QString &error)
{
    QFile &file = *data.file;
    const qint64 whole = file.size() / item.size();
    const qint64 offset = whole * item.size();
    if (file.seek(offset) && file.write(item) == item.size())
        return whole + 1;
    error = fileError(data.path, file.errorString());
    file.resize(offset);
    return std::nullopt;
}

FileLock::~FileLock()
{
    unlock();
}

bool FileLock::lock(const DataFile &file, LockMode mode, QString &error)
{
    unlock();
    const int descriptor = file.file->handle();
    const int operation = (mode == LockMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    const QDeadlineTimer deadline(kLockWaitMs);
    // Polled rather than blocking, so that a lock never released cannot hang the window.
    for (int pauseMs = 1;; pauseMs = std::min(2 * pauseMs, kLockPollMaxMs)) {
        if (::flock(descriptor, operation) == 0) {
            m_descriptor = descriptor;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            error = fileError(file.path, errno);
            return false;
        }
        if (deadline.hasExpired()) {
            error = fileError(file.path,
                              QStringLiteral("another program has held it locked for %1 seconds")
                                  .arg(kLockWaitMs / 1000));
            return false;
        }
        QThread::msleep(pauseMs);
    }
}

void FileLock::unlock()
{
    if (m_descriptor >= 0)
        ::flock(m_descriptor, LOCK_UN);
    m_descriptor = -1;
}

} // namespace korvane::db
