// SPDX-License-Identifier: GPL-3.0-or-later
// Rebuilding the indexes: the new index files are written whole beside the old
// ones, then each replaces its old file in one step, with the old ones kept
// aside until every replacement has succeeded.

#include "keyworddatabase.h"

#include "datafile.h"

#include <QDir>
#include <QTemporaryDir>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace korvane::db {
namespace {

// The names of the index files in `folder`: every "*.kwx" and "*.apx", any case,
// dot-files included, whatever kind of entry they are.
QStringList indexFileNames(const QString &folder)
{
    QStringList names;
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry.endsWith(kKeywordIndexExtension, Qt::CaseInsensitive) ||
            entry.endsWith(kApplicationIndexExtension, Qt::CaseInsensitive))
            names.append(entry);
    }
    return names;
}

QByteArray nativePath(const QString &folder, const QString &name)
{
    return QFile::encodeName(folder + u'/' + name);
}

// The folder a rebuild writes its new files in; one left by a rebuild that was
// killed is removed by the next.
const QString kReindexFolderPrefix = QStringLiteral(".KeyWord.reindex-");

} // namespace

bool KeywordDatabase::rebuildIndexes()
{
    m_error.clear();
    DataFile records;
    FileLock lock;
    if (!openRecords(records, lock, DataFileAccess::Write)) {
        // Without a record file there is nothing to index, nor a file to lock for
        // the change: index files left without one stay as they are.
        if (records.missing)
            m_error.clear();
        return records.missing;
    }
    // What a reindex killed on its way left behind; no other can be running.
    for (const QString &left :
         QDir(m_folder).entryList({kReindexFolderPrefix + u'*'}, QDir::Dirs | QDir::Hidden))
        QDir(m_folder + u'/' + left).removeRecursively();

    // Only regular files are replaced: anything else of an index file's name
    // stops the rebuild before it changes anything.
    const QStringList oldNames = indexFileNames(m_folder);
    for (const QString &name : oldNames) {
        struct stat info = {};
        if (::stat(nativePath(m_folder, name).constData(), &info) != 0) {
            m_error = fileError(m_folder + u'/' + name, errno);
            return false;
        }
        if (!S_ISREG(info.st_mode)) {
            m_error = fileError(m_folder + u'/' + name, notRegularReason(info.st_mode));
            return false;
        }
    }

    // The new index whole, file by file: each active record's keyword entry, then
    // its application entry, in ascending record order.
    QMap<QString, QByteArray> newFiles;
    const auto addEntry = [&newFiles](const QString &key, qint32 recordNumber,
                                      const QString &extension) {
        const QString name = indexFileName(key, extension, 1);
        if (!name.isEmpty())
            newFiles[name] += encodeIndexEntry({kStatusActive, recordNumber, trimSpaces(key)});
    };
    const bool read = readRecords(
        records, false,
        [&addEntry](qint32 recordNumber, const KeywordRecord &record) {
            if (record.isActive()) {
                addEntry(upperCase(record.keyWord), recordNumber, kKeywordIndexExtension);
                addEntry(applicationKey(record.program), recordNumber, kApplicationIndexExtension);
            }
            return true;
        },
        m_error);
    return read && replaceIndexFiles(oldNames, newFiles);
}

bool KeywordDatabase::replaceIndexFiles(const QStringList &oldNames,
                                        const QMap<QString, QByteArray> &newFiles)
{
    QTemporaryDir work(m_folder + u'/' + kReindexFolderPrefix + QStringLiteral("XXXXXX"));
    if (!work.isValid()) {
        m_error = fileError(m_folder, work.errorString());
        return false;
    }
    // The new files, whole and on disk, beside the old ones.
    for (auto it = newFiles.cbegin(); it != newFiles.cend(); ++it) {
        // Joined by hand: QDir would take a name such as ":.APX" for a Qt resource.
        QFile file(work.path() + u'/' + it.key());
        if (!file.open(QIODevice::WriteOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
            file.write(it.value()) != it.value().size() || !file.flush() ||
            ::fsync(file.handle()) != 0) {
            m_error = fileError(m_folder + u'/' + it.key(), file.errorString());
            return false;
        }
    }
    // A second name for each old file, to put it back should a replacement fail.
    const QString saved = work.filePath(QStringLiteral("old"));
    if (!QDir().mkdir(saved)) {
        m_error = fileError(saved, errno);
        return false;
    }
    for (const QString &name : oldNames) {
        const QString path = m_folder + u'/' + name;
        if (::link(nativePath(m_folder, name).constData(), nativePath(saved, name).constData()) !=
                0 &&
            !QFile::copy(path, saved + u'/' + name)) {
            m_error = fileError(path, errno);
            return false;
        }
    }

    // Each new file takes its name in one step; then the old files no longer wanted go.
    QStringList placed;
    const auto putBack = [&] {
        for (const QString &name : oldNames)
            ::rename(nativePath(saved, name).constData(), nativePath(m_folder, name).constData());
        for (const QString &name : std::as_const(placed)) {
            if (!oldNames.contains(name))
                ::unlink(nativePath(m_folder, name).constData());
        }
    };
    for (auto it = newFiles.cbegin(); it != newFiles.cend(); ++it) {
        if (::rename(nativePath(work.path(), it.key()).constData(),
                     nativePath(m_folder, it.key()).constData()) != 0) {
            m_error = fileError(m_folder + u'/' + it.key(), errno);
            putBack();
            return false;
        }
        placed.append(it.key());
    }
    for (const QString &name : oldNames) {
        if (!newFiles.contains(name) && ::unlink(nativePath(m_folder, name).constData()) != 0 &&
            errno != ENOENT) {
            m_error = fileError(m_folder + u'/' + name, errno);
            putBack();
            return false;
        }
    }
    return true;
}

} // namespace korvane::db
