// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One running command center per user and Application folder. A second start
// without a command line finds the lock taken and asks the running instance to
// show itself: over a local socket in the user's runtime folder (which works in a
// read-only data folder too, and carries the desktop's activation token), and by
// writing "Show.Txt" into the Application folder, which the running instance
// watches, deletes and answers.

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include <memory>

class QLockFile;

namespace korvane {

inline const QString kShowSignalFileName = QStringLiteral("Show.Txt");

// The lock file for `applicationFolder`: in $XDG_RUNTIME_DIR (else a private
// folder in the temporary folder), named after the user id and a hash of the
// folder's absolute path. The instance's socket has the same name ending ".socket".
QString instanceLockPath(const QString &applicationFolder);

class InstanceLock
{
public:
    explicit InstanceLock(const QString &applicationFolder);
    ~InstanceLock();

    // True when no other instance holds the lock and it is now ours. The lock of a
    // crashed instance (its process gone) is taken over.
    bool tryAcquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};

// Creates or overwrites "Show.Txt" in the folder with the line "s". False, with
// the reason in `error`, when it could not be written.
bool writeShowSignal(const QString &applicationFolder, QString *error = nullptr);

// Asks the running instance to show itself, passing `activationToken` (may be
// empty). Returns an empty string when it was asked, else why it could not be.
QString requestShow(const QString &applicationFolder, const QString &activationToken);

// The running instance's end of the second start's request.
class ShowRequestListener : public QObject
{
    Q_OBJECT
public:
    explicit ShowRequestListener(const QString &applicationFolder, QObject *parent = nullptr);

    // Deletes a "Show.Txt" (any letter case) left before the watch began, and asks
    // to be shown if there was one.
    void check();

signals:
    // `activationToken` is the desktop's token for raising the window; empty when
    // the request came without one.
    void showRequested(const QString &activationToken);

private:
    void readRequest();

    QString m_folder;
    QFileSystemWatcher m_watcher;
    QLocalServer m_server;
    QElapsedTimer m_lastSocketRequest;
};

} // namespace korvane
