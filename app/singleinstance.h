#pragma once

// One running command center per user and Application folder. A second start
// without a command line finds the lock taken, writes "Show.Txt" and ends; the
// running instance watches the folder, deletes the file and shows itself.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

#include <memory>

class QLockFile;

namespace korvane {

inline const QString kShowSignalFileName = QStringLiteral("Show.Txt");

// The lock file for `applicationFolder`: in $XDG_RUNTIME_DIR (else the temporary
// folder), named after the user id and a hash of the folder's absolute path.
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

// Creates or overwrites "Show.Txt" in the folder with the line "s".
bool writeShowSignal(const QString &applicationFolder);

// Reports "Show.Txt" appearing in the folder, through a file-system watch: no
// polling, so an idle instance makes no wake-ups.
class ShowSignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit ShowSignalWatcher(const QString &applicationFolder, QObject *parent = nullptr);

    // Deletes "Show.Txt" (any letter case) and emits showRequested() if it exists.
    void check();

signals:
    void showRequested();

private:
    QString m_folder;
    QFileSystemWatcher m_watcher;
};

} // namespace korvane
