// SPDX-License-Identifier: GPL-3.0-or-later
#include "keyboardbackend.h"
#include "portalremotedesktop.h"
#include "remotedesktopkeyboard.h"
#include "waylandconnection.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>

namespace korvane {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("korvane::BackendChoice", text);
}

bool desktopIs(const QString &currentDesktop, QLatin1String name)
{
    const QStringList desktops = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return desktops.contains(name, Qt::CaseInsensitive);
}

// How the portal's back end turns key symbols into keys: KDE's own, GNOME's
// through mutter; on another desktop both rules must let a key through.
QList<KeysymTranslation> portalTranslations(const QString &currentDesktop)
{
    if (desktopIs(currentDesktop, QLatin1String("KDE")))
        return {KeysymTranslation::KdePortal};
    if (desktopIs(currentDesktop, QLatin1String("GNOME")))
        return {KeysymTranslation::Mutter};
    return {KeysymTranslation::Mutter, KeysymTranslation::KdePortal};
}

// Whether the RemoteDesktop portal can be reached and offers a keyboard (asking
// starts the portal when the bus activates it).
bool portalOffersKeyboard(const QDBusConnection &bus)
{
    const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    QDBusConnectionInterface *busInterface = bus.interface();
    if (!busInterface->isServiceRegistered(service)) {
        const QDBusReply<QStringList> activatable =
            busInterface->call(QStringLiteral("ListActivatableNames"));
        if (!activatable.isValid() || !activatable.value().contains(service))
            return false;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(
        service, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    message << QStringLiteral("org.freedesktop.portal.RemoteDesktop")
            << QStringLiteral("AvailableDeviceTypes");
    const QDBusMessage reply = bus.call(message, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           (reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt() & 1);
}

} // namespace

BackendChoice chooseBackends(const SessionFacts &facts)
{
    BackendChoice choice;
    if (!facts.wayland) {
        if (facts.x11) {
            choice.keys = KeystrokeBackend::X11;
            choice.windows = ActivationBackend::X11;
        } else {
            choice.message = tr("Keystrokes cannot be sent: there is no display "
                                "(neither WAYLAND_DISPLAY nor DISPLAY is set).");
        }
        return choice;
    }
    // XWayland windows can always be activated through X11; native ones need the
    // compositor's help.
    if (facts.waylandGlobals.contains(QLatin1String("zwlr_foreign_toplevel_manager_v1")))
        choice.windows = ActivationBackend::WlrootsForeignToplevel;
    else if (facts.kwinScripting)
        choice.windows = ActivationBackend::KWinScript;
    else if (facts.x11)
        choice.windows = ActivationBackend::X11;

    const bool kde = desktopIs(facts.currentDesktop, QLatin1String("KDE"));
    if (facts.waylandGlobals.contains(QLatin1String("zwp_virtual_keyboard_manager_v1"))) {
        choice.keys = KeystrokeBackend::WlrootsVirtualKeyboard;
    } else if (facts.mutterRemoteDesktop) {
        choice.keys = KeystrokeBackend::MutterRemoteDesktop;
        choice.portalFallback = facts.portalRemoteDesktop;
        choice.translations = {KeysymTranslation::Mutter};
        choice.message = tr("GNOME: keystrokes type only the characters of the current "
                            "keyboard layout; windows can be activated by title only when "
                            "they run through XWayland.");
    } else if (facts.portalRemoteDesktop) {
        choice.keys = KeystrokeBackend::PortalRemoteDesktop;
        choice.translations = portalTranslations(facts.currentDesktop);
        choice.message = kde ? tr("KDE Plasma: keystrokes go through the desktop's remote "
                                  "control permission, asked once, and type only the "
                                  "characters of the current keyboard layout.")
                             : tr("Keystrokes go through the desktop's remote control "
                                  "permission, asked once, and type only the characters of "
                                  "the current keyboard layout.");
    } else if (facts.x11) {
        choice.keys = KeystrokeBackend::X11;
        choice.message = tr("This Wayland compositor offers no way to send keys to its own "
                            "windows: keystrokes reach only windows running through XWayland.");
    } else {
        choice.message = tr("Keystrokes cannot be sent: this Wayland compositor offers no "
                            "virtual keyboard (zwp_virtual_keyboard_manager_v1) and no remote "
                            "desktop, and there is no XWayland.");
    }
    if (choice.windows == ActivationBackend::None && choice.keys != KeystrokeBackend::None &&
        choice.message.isEmpty()) {
        choice.message = tr("This Wayland compositor does not let other programs activate its "
                            "windows: activation by title does nothing.");
    }
    return choice;
}

SessionFacts probeSession(const WaylandConnection *connection)
{
    SessionFacts facts;
    facts.x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    facts.currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    if (connection && connection->display()) {
        facts.wayland = true;
        facts.waylandGlobals = connection->globals();
    }
    // Only a Wayland session needs the remote-desktop services: an X11 one does not
    // touch the session bus here (it costs start-up time).
    if (!facts.wayland)
        return facts;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface()) {
        QDBusConnectionInterface *busInterface = bus.interface();
        facts.mutterRemoteDesktop =
            busInterface->isServiceRegistered(QStringLiteral("org.gnome.Mutter.RemoteDesktop"));
        facts.kwinScripting = busInterface->isServiceRegistered(QStringLiteral("org.kde.KWin"));
        // The portal is only asked where no better path exists.
        if (!facts.waylandGlobals.contains(QLatin1String("zwp_virtual_keyboard_manager_v1")))
            facts.portalRemoteDesktop = portalOffersKeyboard(bus);
    }
    return facts;
}

std::unique_ptr<RemoteDesktopSession> makeRemoteDesktopSession(const BackendChoice &choice,
                                                               const QString &tokenPath)
{
    switch (choice.keys) {
    case KeystrokeBackend::MutterRemoteDesktop:
        if (choice.portalFallback) {
            std::vector<std::unique_ptr<RemoteDesktopSession>> sessions;
            sessions.push_back(makeMutterRemoteDesktopSession());
            sessions.push_back(makePortalRemoteDesktopSession(tokenPath, choice.translations));
            return makeFirstStartingSession(std::move(sessions));
        }
        return makeMutterRemoteDesktopSession();
    case KeystrokeBackend::PortalRemoteDesktop:
        return makePortalRemoteDesktopSession(tokenPath, choice.translations);
    default:
        return {};
    }
}

} // namespace korvane
