// SPDX-License-Identifier: GPL-3.0-or-later
#include "singleinstance.h"

#include "appfolder.h"
#include "filewrite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
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

// What a second start sends: the request, a blank, the activation token (if any),
// a line end.
const QByteArray kShowRequest = QByteArrayLiteral("show ");
constexpr int kMaxRequestBytes = 4096;
constexpr int kRequestTimeoutMs = 2000;

QString socketPath(const QString &applicationFolder)
{
    QString path = instanceLockPath(applicationFolder);
    path.chop(int(qstrlen(".lock")));
    return path + QStringLiteral(".socket");
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

bool writeShowSignal(const QString &applicationFolder, QString *error)
{
    return replaceFileWhole(dataFilePath(applicationFolder, kShowSignalFileName), "s\r\n",
                            NewFileAccess::Private, error);
}

QString requestShow(const QString &applicationFolder, const QString &activationToken)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath(applicationFolder));
    bool asked = false;
    if (socket.waitForConnected(kRequestTimeoutMs)) {
        socket.write(kShowRequest + activationToken.toUtf8() + '\n');
        asked = socket.waitForBytesWritten(kRequestTimeoutMs);
        socket.disconnectFromServer();
    }
    // The signal file as well, for an instance that only watches the folder.
    QString error;
    if (writeShowSignal(applicationFolder, &error) || asked)
        return {};
    return QStringLiteral("could not ask the running Korvane to show itself: it does not answer, "
                          "and %1 could not be written (%2)")
        .arg(QDir::toNativeSeparators(dataFilePath(applicationFolder, kShowSignalFileName)), error);
}

ShowRequestListener::ShowRequestListener(const QString &applicationFolder, QObject *parent)
    : QObject(parent)
    , m_folder(applicationFolder)
{
    m_watcher.addPath(m_folder);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &ShowRequestListener::check);

    // The lock is ours, so a socket left at this path belongs to a dead instance.
    const QString path = socketPath(applicationFolder);
    QLocalServer::removeServer(path);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &ShowRequestListener::readRequest);
    // Without the socket, later starts still reach us through "Show.Txt".
    m_server.listen(path);
}

void ShowRequestListener::check()
{
    // Only a file asks: a folder or anything else of that name is left alone, or
    // every change in the folder would bring the window forward.
    const QString path = findEntryIgnoringCase(m_folder, kShowSignalFileName);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    // A file that cannot be deleted asks again on the folder's next change.
    QFile::remove(path);
    // A start that also asked over the socket is answered once.
    if (m_lastSocketRequest.isValid() && m_lastSocketRequest.elapsed() < kRequestTimeoutMs)
        return;
    emit showRequested({});
}

void ShowRequestListener::readRequest()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine(kMaxRequestBytes).trimmed();
                if (!line.startsWith(kShowRequest.trimmed()))
                    continue;
                m_lastSocketRequest.start();
                emit showRequested(QString::fromUtf8(line.mid(kShowRequest.size())).trimmed());
            }
            // A peer that sends no line end within reason is dropped.
            if (socket->bytesAvailable() > kMaxRequestBytes)
                socket->abort();
        });
    }
}

} // namespace korvane
