#include "singleinstance.h"

#include "appfolder.h"
#include "filewrite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <sys/stat.h>
#include <unistd.h>

namespace korvane {

namespace {

// A folder for the lock that only this user can write: the runtime folder, else a
// private folder of our own in the temporary folder, else the application folder.
// In the shared temporary folder itself another user could plant a lock file that
// this user could never remove, and Korvane would never start.
QString privateLockFolder(const QString &applicationFolder)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    const QString own = QDir::tempPath() + QStringLiteral("/korvane-") + QString::number(getuid());
    const QByteArray native = QFile::encodeName(own);
    mkdir(native.constData(), 0700); // fails harmlessly when it exists
    struct stat info = {};
    if (lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
        (info.st_mode & 077) == 0)
        return own;
    return applicationFolder;
}

} // namespace

QString instanceLockPath(const QString &applicationFolder)
{
    const QString folder = privateLockFolder(applicationFolder);
    const QByteArray hash =
        QCryptographicHash::hash(QDir(applicationFolder).absolutePath().toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return folder + QStringLiteral("/korvane-%1-%2.lock")
                        .arg(QString::number(getuid()), QString::fromLatin1(hash));
}

InstanceLock::InstanceLock(const QString &applicationFolder)
    : m_lock(std::make_unique<QLockFile>(instanceLockPath(applicationFolder)))
{
    // The lock lives as long as the instance: only a dead owner makes it stale,
    // never its age.
    m_lock->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryAcquire()
{
    return m_lock->isLocked() || m_lock->tryLock(0);
}

bool writeShowSignal(const QString &applicationFolder)
{
    return replaceFileWhole(dataFilePath(applicationFolder, kShowSignalFileName), "s\r\n",
                            NewFileAccess::Private);
}

ShowSignalWatcher::ShowSignalWatcher(const QString &applicationFolder, QObject *parent)
    : QObject(parent)
    , m_folder(applicationFolder)
{
    m_watcher.addPath(m_folder);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &ShowSignalWatcher::check);
}

void ShowSignalWatcher::check()
{
    const QString path = findEntryIgnoringCase(m_folder, kShowSignalFileName);
    if (path.isEmpty())
        return;
    // A file that cannot be deleted asks again on the folder's next change.
    QFile::remove(path);
    emit showRequested();
}

} // namespace korvane
