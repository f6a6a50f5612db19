// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The keyword database files of one folder: reading records, scanning the
// per-first-character index files, and every write (append a record, mark one
// deleted, append an index entry, rebuild the indexes). Data only: it starts no
// program and shows or plays nothing; the windows act on what it returns. Files
// are opened for one operation and closed again; nothing is cached between calls.
//
// Every change holds an exclusive lock on the record file, every read a shared
// one, so that Korvane processes sharing a folder never interleave their steps.
// A missing file reads as empty; one that cannot be read or written (or is no
// regular file) makes the operation fail, and errorString() says why.

#include "keyword.h"
#include "records.h"

#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>

struct stat;

namespace korvane::db {

struct DataFile;
class FileLock;
enum class DataFileAccess;

// What a window says, before errorString(), when the database cannot be read.
inline const QString kDatabaseUnreadableMessage =
    QStringLiteral("The KeyWord database cannot be read.\r\r");

// One hit of an index scan: the entry's number in its file and the record it names.
struct IndexHit
{
    qint64 entryNumber = 0;
    qint32 recordNumber = 0;
    KeywordRecord record;
};

class KeywordDatabase
{
public:
    explicit KeywordDatabase(QString folder);

    const QString &folder() const { return m_folder; }

    // Why the last operation failed: the file and the reason. Empty when it
    // succeeded, or found nothing in files that are missing.
    const QString &errorString() const { return m_error; }

    // Following changes made by others (another process, or another object of
    // this one): from here on, changedByOthers() tells whether anyone but this
    // object has changed the record file. Call it before reading the records.
    void followChanges();
    bool changedByOthers() const;

    // "KeyWord.DAT" in the folder, whatever case it exists in.
    QString recordFilePath() const;
    // The index file for `key`'s first character: key upper-cased and trimmed, its
    // first `prefixLength` characters + extension. "/" keys map to ".KWX"/".APX".
    // Empty when the key is empty.
    QString indexFilePath(const QString &key, const QString &extension, int prefixLength = 1) const;

    qint64 recordCount() const;
    std::optional<KeywordRecord> record(qint32 recordNumber) const;

    // The block-filtered scan of one index file for `searchKey` (upper case,
    // trimmed): every block holding it as a substring is read entry by entry, and
    // each active entry whose trimmed key contains it yields its record when
    // `accept` agrees. Entries are visited once each, in file order.
    using RecordTest = std::function<bool(const KeywordRecord &)>;
    QList<IndexHit> scanIndex(const QString &indexFile, const QString &searchKey,
                              const RecordTest &accept) const;

    // Active records whose trimmed key word equals `keyWord`, found through the
    // keyword index, in index order.
    QList<IndexHit> findKeyword(const KeyWord &keyWord) const;

    // Active records found through the application index under the application
    // key of `program` (its last 25 characters, upper-cased, trimmed) whose
    // trimmed program ends in exactly that key; each entry listed once, in index
    // order.
    QList<IndexHit> findApplication(const QString &program) const;

    // Visits the records 1..recordCount() in order, reading sequentially; the lock
    // is held per chunk read, never while `visit` runs. `visit` returns false to
    // stop early. False when the record file could not be read.
    bool forEachRecord(const std::function<bool(qint32, const KeywordRecord &)> &visit) const;

    // --- writes -------------------------------------------------------------

    // The record as Add stores it: Status 1, fields upper-cased, cut or padded.
    static KeywordRecord storedRecord(const QString &keyWord, const QString &program);

    // Appends a record and returns its number, or nothing when it could not be
    // written whole. A record number is never given twice.
    std::optional<qint32> appendRecord(const QString &keyWord, const QString &program);

    // Links a key word to a program as the editor's Add does: the record, then its
    // keyword and application index entries, as one change. Returns the record
    // number; nothing when any of the three could not be written, and then none is.
    std::optional<qint32> addLinkedRecord(const QString &keyWord, const QString &program);

    // Sets record `recordNumber`'s Status to 3 in place. False when there is no
    // such record or it could not be written.
    bool markDeleted(qint32 recordNumber);

    // Appends one index entry for `key` (upper-cased, trimmed; empty does nothing)
    // to the file named by its first `prefixLength` characters and `extension`.
    bool appendIndexEntry(const QString &key, qint32 recordNumber, const QString &extension,
                          int prefixLength = 1);

    // Rebuilds both indexes from the active records in ascending order: the new
    // index files are written whole beside the old ones, then replace them, and
    // every other "*.kwx" and "*.apx" (any case) goes. When that cannot be done
    // completely nothing changes and it returns false.
    bool rebuildIndexes();

    // The application index key of a program: its last 25 characters after
    // trimming, upper-cased and trimmed again.
    static QString applicationKey(const QString &program);

private:
    // The record file as seen from outside: which file, its length, and when it was
    // last written. Each change Korvane makes gives it a modification time of its
    // own, later than any before, so two states of the file never share a stamp.
    struct Stamp
    {
        bool exists = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const Stamp &) const = default;
    };
    static Stamp stampOf(const struct stat &info);
    Stamp currentStamp() const;
    // Around every change of the open record file: notes a change by others since
    // the file was last known, then stamps the file and knows it again.
    void beginChange(const DataFile &records);
    void endChange(const DataFile &records);

    // Opens the record file and locks it: shared to read, exclusive to change. A
    // missing file opened to read gives false with no error.
    bool openRecords(DataFile &records, FileLock &lock, DataFileAccess access) const;
    // The name of the index file for `key` in the folder, canonical spelling.
    static QString indexFileName(const QString &key, const QString &extension, int prefixLength);
    // Replaces the index files `oldNames` by `newFiles` (name -> bytes) as one step.
    bool replaceIndexFiles(const QStringList &oldNames, const QMap<QString, QByteArray> &newFiles);

    QString m_folder;
    mutable QString m_error;
    Stamp m_known;
    bool m_othersChanged = false;
};

} // namespace korvane::db
