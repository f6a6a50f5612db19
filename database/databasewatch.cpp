// SPDX-License-Identifier: GPL-3.0-or-later
#include "databasewatch.h"

#include <QFileInfo>

namespace korvane::db {
namespace {

// How long after the first change of a burst the change is told: long enough to
// take in one add (a record and two index entries), short enough to feel at once.
constexpr int kBurstMs = 50;

} // namespace

DatabaseWatch::DatabaseWatch(const KeywordDatabase &database, QObject *parent)
    : QObject(parent)
    , m_database(database)
{
    m_burst.setSingleShot(true);
    m_burst.setInterval(kBurstMs);
    connect(&m_burst, &QTimer::timeout, this, &DatabaseWatch::changed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        watchRecordFile();
        onPathChanged();
    });
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &DatabaseWatch::onPathChanged);
    m_watcher.addPath(m_database.folder());
    watchRecordFile();
}

void DatabaseWatch::onPathChanged()
{
    // Not restarted by later changes, so that a long burst is still told in time.
    if (!m_burst.isActive())
        m_burst.start();
}

void DatabaseWatch::watchRecordFile()
{
    // Watched afresh: the file may have been created, or replaced by another one.
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    const QString path = m_database.recordFilePath();
    if (QFileInfo::exists(path))
        m_watcher.addPath(path);
}

} // namespace korvane::db
