// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopplatform.h"

#include "keyboardbackend.h"
#include "kwinwindowactivator.h"
#include "nowindowactivator.h"
#include "portalremotedesktop.h"
#include "remotedesktopkeyboard.h"
#include "waylandconnection.h"
#include "wlrootskeyboard.h"
#include "wlrootswindowactivator.h"
#include "x11connection.h"
#include "x11keyboard.h"
#include "x11windowactivator.h"

namespace korvane {

namespace {

// The keyboard of a session that offers no way to type: every line is refused
// with the reason, before anything is typed.
class RefusingKeyboard : public Keyboard
{
public:
    explicit RefusingKeyboard(QString reason)
        : m_reason(std::move(reason))
    {
    }
    bool sendKeys(const QString &, bool) override { return false; }
    QString lastFailure() const override { return m_reason; }
    QString unavailableReason() const override { return m_reason; }

private:
    QString m_reason;
};

} // namespace

DesktopPlatform::DesktopPlatform()
{
    std::shared_ptr<WaylandConnection> wayland;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        wayland = std::make_shared<WaylandConnection>();
    const BackendChoice choice = chooseBackends(probeSession(wayland.get()));
    m_backendNote = choice.message;
    m_wayland = wayland;

    std::shared_ptr<X11Connection> x11;
    if (choice.keys == KeystrokeBackend::X11 || choice.windows == ActivationBackend::X11)
        x11 = std::make_shared<X11Connection>();
    m_x11 = x11;

    switch (choice.keys) {
    case KeystrokeBackend::X11:
        m_keyboard = std::make_unique<X11Keyboard>(x11);
        break;
    case KeystrokeBackend::WlrootsVirtualKeyboard:
        m_keyboard = std::make_unique<WlrootsKeyboard>(wayland);
        break;
    case KeystrokeBackend::MutterRemoteDesktop:
    case KeystrokeBackend::PortalRemoteDesktop:
        m_keyboard = std::make_unique<RemoteDesktopKeyboard>(
            makeRemoteDesktopSession(choice, defaultRestoreTokenPath()), wayland);
        break;
    case KeystrokeBackend::None:
        m_keyboard = std::make_unique<RefusingKeyboard>(choice.message);
        break;
    }
    switch (choice.windows) {
    case ActivationBackend::X11:
        m_activator = std::make_unique<X11WindowActivator>(x11);
        break;
    case ActivationBackend::WlrootsForeignToplevel:
        m_activator = std::make_unique<WlrootsWindowActivator>(wayland);
        break;
    case ActivationBackend::KWinScript:
        m_activator = std::make_unique<KWinWindowActivator>();
        break;
    case ActivationBackend::None:
        m_activator = std::make_unique<NoWindowActivator>(choice.message);
        break;
    }
}

DesktopPlatform::~DesktopPlatform() = default;

} // namespace korvane
