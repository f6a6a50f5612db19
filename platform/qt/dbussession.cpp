// SPDX-License-Identifier: GPL-3.0-or-later
#include "dbussession.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariant>

namespace korvane {
namespace {

// A session manager that is present answers at once; this only bounds a bus
// that hangs.
constexpr int kCallTimeoutMs = 3000;

// GNOME's Logout mode: log out without the confirmation dialog (programs may still
// object).
constexpr quint32 kGnomeLogoutWithoutConfirmation = 1;
// KDE's logout(confirm, type, mode): no confirmation, only log out (neither halt
// nor reboot); the mode only matters for a halt or reboot.
constexpr int kKdeConfirmNo = 0;
constexpr int kKdeShutdownTypeNone = 0;
constexpr int kKdeShutdownModeSchedule = 0;
// Xfce's Logout(show dialog, allow save): no dialog, programs may save their state.
constexpr bool kXfceShowDialog = false;
constexpr bool kXfceAllowSave = true;

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
    if (callAccepted(session, QStringLiteral("org.gnome.SessionManager"),
                     QStringLiteral("/org/gnome/SessionManager"),
                     QStringLiteral("org.gnome.SessionManager"), QStringLiteral("Logout"),
                     {QVariant::fromValue(kGnomeLogoutWithoutConfirmation)}))
        return true;
    if (callAccepted(session, QStringLiteral("org.kde.ksmserver"), QStringLiteral("/KSMServer"),
                     QStringLiteral("org.kde.KSMServerInterface"), QStringLiteral("logout"),
                     {kKdeConfirmNo, kKdeShutdownTypeNone, kKdeShutdownModeSchedule}))
        return true;
    if (callAccepted(session, QStringLiteral("org.xfce.SessionManager"),
                     QStringLiteral("/org/xfce/SessionManager"),
                     QStringLiteral("org.xfce.Session.Manager"), QStringLiteral("Logout"),
                     {kXfceShowDialog, kXfceAllowSave}))
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
