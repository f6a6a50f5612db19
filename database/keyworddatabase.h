#pragma once

// The keyword database files of one folder: reading records, scanning the
// per-first-character index files, and every write (append a record, mark one
// deleted, append an index entry, rebuild the indexes). Data only: it starts no
// program and shows or plays nothing; the windows act on what it returns. Files
// are opened for one operation and closed again; nothing is cached between calls.
// Failures are swallowed on purpose: a file that cannot be opened yields no records.

#include "keyword.h"
#include "records.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace korvane::db {

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

    // Visits the records 1..recordCount() in order, reading sequentially.
    // `visit` returns false to stop early.
    void forEachRecord(const std::function<bool(qint32, const KeywordRecord &)> &visit) const;

    // --- writes -------------------------------------------------------------

    // Appends a record (Status 1, fields upper-cased, cut or padded) and returns
    // its number, or nothing when it could not be written whole.
    std::optional<qint32> appendRecord(const QString &keyWord, const QString &program);

    // Links a key word to a program as the editor's Add does: the record, then its
    // keyword and application index entries, written only once the record is on
    // disk. Returns the record number, or nothing when the record was not written.
    std::optional<qint32> addLinkedRecord(const QString &keyWord, const QString &program);

    // Sets record `recordNumber`'s Status to 3 in place. 0 does nothing.
    void markDeleted(qint32 recordNumber);

    // Appends one index entry for `key` (upper-cased, trimmed; empty does nothing)
    // to the file named by its first `prefixLength` characters and `extension`.
    void appendIndexEntry(const QString &key, qint32 recordNumber, const QString &extension,
                          int prefixLength = 1);

    // Deletes every "*.kwx" and "*.apx" (any case) and rebuilds both indexes from
    // the active records in ascending order.
    void rebuildIndexes();

    // The application index key of a program: its last 25 characters after
    // trimming, upper-cased and trimmed again.
    static QString applicationKey(const QString &program);

private:
    // The keyword entry, then the application entry, of one record.
    void indexRecord(qint32 recordNumber, const QString &keyWordField, const QString &programField);

    QString m_folder;
};

} // namespace korvane::db
