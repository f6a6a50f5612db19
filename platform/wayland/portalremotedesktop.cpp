// SPDX-License-Identifier: GPL-3.0-or-later
#include "portalremotedesktop.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTimer>

namespace korvane {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");

constexpr uint kKeyboardDevice = 1;
constexpr uint kPersistUntilRevoked = 2;
// Restore tokens came with version 2 of the interface.
constexpr uint kRestoreTokenVersion = 2;
// Responses of org.freedesktop.portal.Request.
constexpr uint kResponseSuccess = 0;
constexpr uint kResponseCancelled = 1;

// The portal answers requests at once, but Start waits for the user.
constexpr int kRequestTimeoutMs = 25000;
constexpr int kConsentTimeoutMs = 10 * 60 * 1000;
constexpr qsizetype kMaxTokenLength = 512;

QString tr(const char *text)
{
    return QCoreApplication::translate("korvane::PortalRemoteDesktop", text);
}

// Waits for the Response signal of one request.
class ResponseWaiter : public QObject
{
    Q_OBJECT

public:
    bool answered = false;
    uint response = 2;
    QVariantMap results;

public slots:
    void onResponse(uint code, const QVariantMap &values)
    {
        answered = true;
        response = code;
        results = values;
        emit done();
    }

signals:
    void done();
};

// Notices the session's end, which the user may cause at any time.
class SessionWatcher : public QObject
{
    Q_OBJECT

public:
    bool closed = false;

public slots:
    void onClosed() { closed = true; }
};

class PortalRemoteDesktopSession : public RemoteDesktopSession
{
public:
    PortalRemoteDesktopSession(QString tokenPath, QList<KeysymTranslation> translations)
        : m_bus(QDBusConnection::sessionBus())
        , m_tokenPath(std::move(tokenPath))
        , m_translations(std::move(translations))
    {
    }

    ~PortalRemoteDesktopSession() override
    {
        if (m_session.isEmpty())
            return;
        m_bus.disconnect(QString(), m_session, kSessionInterface, QStringLiteral("Closed"),
                         &m_watcher, SLOT(onClosed()));
        if (!m_watcher.closed) {
            m_bus.send(QDBusMessage::createMethodCall(kService, m_session, kSessionInterface,
                                                      QStringLiteral("Close")));
        }
    }

    bool start(QString &error) override;
    void notifyKeysym(uint32_t keysym, bool pressed) override;
    bool sync() override;
    QList<KeysymTranslation> translations() const override { return m_translations; }

private:
    struct Answer
    {
        bool ok = false;     // the call went through and a Response came
        uint response = 2;
        QVariantMap results;
        QString error;       // why there was no Response
    };

    QVariant property(const QString &name, QString &error);
    Answer request(const QString &method, QVariantList arguments, QVariantMap options,
                   int timeoutMs);
    QString newToken();

    QDBusConnection m_bus;
    QString m_tokenPath;
    QList<KeysymTranslation> m_translations;
    QString m_session;
    SessionWatcher m_watcher;
    bool m_failed = false; // a key was not taken
};

QVariant PortalRemoteDesktopSession::property(const QString &name, QString &error)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    message << kInterface << name;
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, kRequestTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        error = reply.errorMessage();
        return {};
    }
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

QString PortalRemoteDesktopSession::newToken()
{
    // Tokens become object path elements: letters, digits and underscores only.
    return QStringLiteral("korvane_%1").arg(QRandomGenerator::global()->generate());
}

PortalRemoteDesktopSession::Answer
PortalRemoteDesktopSession::request(const QString &method, QVariantList arguments,
                                    QVariantMap options, int timeoutMs)
{
    Answer answer;
    // The portal names the request object after our bus name and the token we
    // give; listening there before the call means no Response can be missed.
    const QString token = newToken();
    options.insert(QStringLiteral("handle_token"), token);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    QString requestPath = kPath + QLatin1String("/request/") + sender + QLatin1Char('/') + token;

    ResponseWaiter waiter;
    QEventLoop loop;
    QObject::connect(&waiter, &ResponseWaiter::done, &loop, &QEventLoop::quit);
    // Qt D-Bus connects signals of remote objects by signature only.
    const auto listen = [&](const QString &path, bool on) {
        if (on) {
            m_bus.connect(QString(), path, kRequestInterface, QStringLiteral("Response"),
                          &waiter, SLOT(onResponse(uint, QVariantMap)));
        } else {
            m_bus.disconnect(QString(), path, kRequestInterface, QStringLiteral("Response"),
                             &waiter, SLOT(onResponse(uint, QVariantMap)));
        }
    };
    listen(requestPath, true);

    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    arguments.append(options);
    message.setArguments(arguments);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, kRequestTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        listen(requestPath, false);
        answer.error = reply.errorMessage();
        return answer;
    }
    // Portals older than 0.9 chose the path themselves.
    const QString returned = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (!returned.isEmpty() && returned != requestPath && !waiter.answered) {
        listen(requestPath, false);
        requestPath = returned;
        listen(requestPath, true);
    }
    if (!waiter.answered) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    listen(requestPath, false);
    if (!waiter.answered) {
        answer.error = tr("the portal did not answer");
        return answer;
    }
    answer.ok = true;
    answer.response = waiter.response;
    answer.results = waiter.results;
    return answer;
}

bool PortalRemoteDesktopSession::start(QString &error)
{
    QString reason;
    const uint devices = property(QStringLiteral("AvailableDeviceTypes"), reason).toUInt();
    if (!reason.isEmpty()) {
        error = tr("the desktop's RemoteDesktop portal is not available: %1").arg(reason);
        return false;
    }
    if (!(devices & kKeyboardDevice)) {
        error = tr("the desktop's RemoteDesktop portal offers no keyboard");
        return false;
    }
    const uint version = property(QStringLiteral("version"), reason).toUInt();

    const auto failure = [&](const char *step, const Answer &answer) {
        if (!answer.ok)
            return tr("the RemoteDesktop portal failed (%1): %2").arg(QLatin1String(step), answer.error);
        if (answer.response == kResponseCancelled)
            return tr("the desktop did not allow Korvane to send keystrokes "
                      "(the remote control request was declined)");
        return tr("the RemoteDesktop portal refused the request (%1)").arg(QLatin1String(step));
    };

    Answer answer = request(QStringLiteral("CreateSession"), {},
                            {{QStringLiteral("session_handle_token"), newToken()}},
                            kRequestTimeoutMs);
    if (!answer.ok || answer.response != kResponseSuccess) {
        error = failure("CreateSession", answer);
        return false;
    }
    // A string rather than an object path, for historical reasons.
    m_session = answer.results.value(QStringLiteral("session_handle")).toString();
    if (m_session.isEmpty()) {
        error = tr("the RemoteDesktop portal made no session");
        return false;
    }
    m_bus.connect(QString(), m_session, kSessionInterface, QStringLiteral("Closed"), &m_watcher,
                  SLOT(onClosed()));
    const QDBusObjectPath session(m_session);

    QVariantMap devicesOptions = {{QStringLiteral("types"), kKeyboardDevice}};
    const QString storedToken = readRestoreToken(m_tokenPath);
    if (version >= kRestoreTokenVersion) {
        devicesOptions.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
        if (!storedToken.isEmpty())
            devicesOptions.insert(QStringLiteral("restore_token"), storedToken);
    }
    answer = request(QStringLiteral("SelectDevices"), {QVariant::fromValue(session)},
                     devicesOptions, kRequestTimeoutMs);
    if (!answer.ok || answer.response != kResponseSuccess) {
        error = failure("SelectDevices", answer);
        return false;
    }

    // Here the desktop asks the user, unless the stored token stands for their yes.
    answer = request(QStringLiteral("Start"), {QVariant::fromValue(session), QString()}, {},
                     kConsentTimeoutMs);
    if (!answer.ok || answer.response != kResponseSuccess) {
        error = failure("Start", answer);
        return false;
    }
    // A token serves once: the one given back replaces it (none: consent was not kept).
    const QString newRestoreToken = answer.results.value(QStringLiteral("restore_token")).toString();
    if (version >= kRestoreTokenVersion && newRestoreToken != storedToken)
        writeRestoreToken(m_tokenPath, newRestoreToken);
    if (!(answer.results.value(QStringLiteral("devices")).toUInt() & kKeyboardDevice)) {
        error = tr("the desktop did not grant Korvane the keyboard");
        return false;
    }
    return true;
}

void PortalRemoteDesktopSession::notifyKeysym(uint32_t keysym, bool pressed)
{
    // Each waits for its answer: xdg-desktop-portal handles calls on a pool of
    // threads and passes them on in the order they finish, so keys sent without
    // waiting arrived swapped, and a release before its press left a key held
    // (repeating) in KWin.
    QDBusMessage message =
        QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                       QStringLiteral("NotifyKeyboardKeysym"));
    message << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariantMap()
            << qint32(keysym) << uint(pressed ? 1 : 0);
    message.setAutoStartService(false);
    if (m_bus.call(message, QDBus::Block, kRequestTimeoutMs).type() != QDBusMessage::ReplyMessage)
        m_failed = true;
}

bool PortalRemoteDesktopSession::sync()
{
    // Every key has been answered by now; this asks whether the portal and the
    // session are still there.
    QString error;
    property(QStringLiteral("version"), error);
    return error.isEmpty() && !m_failed && !m_watcher.closed;
}

} // namespace

QString defaultRestoreTokenPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QLatin1String("/.config");
    return config + QLatin1String("/korvane/remote-desktop-token");
}

QString readRestoreToken(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.read(kMaxTokenLength + 1).trimmed();
    if (text.isEmpty() || text.size() > kMaxTokenLength)
        return {};
    for (const char c : text) {
        if (c <= ' ' || c > '~')
            return {};
    }
    return QString::fromLatin1(text);
}

bool writeRestoreToken(const QString &path, const QString &token)
{
    if (token.isEmpty())
        return !QFileInfo::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Private before a byte of the token is in it.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(token.toLatin1() + '\n');
    return file.commit();
}

std::unique_ptr<RemoteDesktopSession>
makePortalRemoteDesktopSession(const QString &tokenPath, QList<KeysymTranslation> translations)
{
    return std::make_unique<PortalRemoteDesktopSession>(tokenPath, std::move(translations));
}

} // namespace korvane

#include "portalremotedesktop.moc"
