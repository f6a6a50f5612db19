#include "instance.h"

#include "appfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <unistd.h>

namespace korvane {

QString instanceLockPath(const QString &applicationFolder)
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::tempPath();
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
    QSaveFile file(dataFilePath(applicationFolder, kShowSignalFileName));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("s\r\n");
    return file.commit();
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
