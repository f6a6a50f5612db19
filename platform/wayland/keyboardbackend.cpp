#include "keyboardbackend.h"
#include "waylandconnection.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace korvane {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("korvane::BackendChoice", text);
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
    else if (facts.x11)
        choice.windows = ActivationBackend::X11;

    if (facts.waylandGlobals.contains(QLatin1String("zwp_virtual_keyboard_manager_v1"))) {
        choice.keys = KeystrokeBackend::WlrootsVirtualKeyboard;
    } else if (facts.mutterRemoteDesktop) {
        choice.keys = KeystrokeBackend::MutterRemoteDesktop;
        choice.message = tr("GNOME: keystrokes type only the characters of the current "
                            "keyboard layout; windows can be activated by title only when "
                            "they run through XWayland.");
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
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (facts.wayland && bus.isConnected() && bus.interface()) {
        facts.mutterRemoteDesktop =
            bus.interface()->isServiceRegistered(QStringLiteral("org.gnome.Mutter.RemoteDesktop"));
    }
    return facts;
}

} // namespace korvane
