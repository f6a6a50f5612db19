#include "dbussession.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariant>

namespace korvane {
namespace {

// A session manager that is present answers at once; this only bounds a bus
// that hangs.
constexpr int kCallTimeoutMs = 3000;

bool callAccepted(QDBusConnection bus, const QString &service, const QString &path,
                  const QString &interface, const QString &method, const QVariantList &arguments)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = bus.call(message, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

bool DBusSession::logout()
{
    const QDBusConnection session = QDBusConnection::sessionBus();
    // GNOME: mode 1 logs out without its confirmation dialog; programs may still object.
    if (callAccepted(session, QStringLiteral("org.gnome.SessionManager"),
                     QStringLiteral("/org/gnome/SessionManager"),
                     QStringLiteral("org.gnome.SessionManager"), QStringLiteral("Logout"),
                     {QVariant::fromValue(quint32(1))}))
        return true;
    // KDE: no confirmation, log out (not shut down), default mode.
    if (callAccepted(session, QStringLiteral("org.kde.ksmserver"), QStringLiteral("/KSMServer"),
                     QStringLiteral("org.kde.KSMServerInterface"), QStringLiteral("logout"),
                     {0, 0, 0}))
        return true;
    // Xfce: no dialog, let programs save their state.
    if (callAccepted(session, QStringLiteral("org.xfce.SessionManager"),
                     QStringLiteral("/org/xfce/SessionManager"),
                     QStringLiteral("org.xfce.Session.Manager"), QStringLiteral("Logout"),
                     {false, true}))
        return true;

    const QString sessionId = qEnvironmentVariable("XDG_SESSION_ID");
    if (sessionId.isEmpty())
        return false;
    return callAccepted(QDBusConnection::systemBus(), QStringLiteral("org.freedesktop.login1"),
                        QStringLiteral("/org/freedesktop/login1"),
                        QStringLiteral("org.freedesktop.login1.Manager"),
                        QStringLiteral("TerminateSession"), {sessionId});
}

} // namespace korvane
