// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Tells when the keyword database may have changed, whoever changed it: a
// file-system watch on the folder (the record file created, replaced or removed)
// and on the record file (records appended or marked deleted). A burst of changes
// is told once, a moment after it began; nothing polls.

#include "keyworddatabase.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace korvane::db {

class DatabaseWatch : public QObject
{
    Q_OBJECT
public:
    explicit DatabaseWatch(const KeywordDatabase &database, QObject *parent = nullptr);

    // A change was noticed and is not told yet.
    bool isPending() const { return m_burst.isActive(); }

signals:
    void changed();

private:
    void onPathChanged();
    void watchRecordFile();

    const KeywordDatabase &m_database;
    QFileSystemWatcher m_watcher;
    QTimer m_burst;
};

} // namespace korvane::db
