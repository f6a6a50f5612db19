// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which keystroke and window-activation backends a session gets, decided from the
// session itself (WAYLAND_DISPLAY, DISPLAY, what the compositor advertises and
// which remote-desktop services the session bus has), never from the Qt platform
// Korvane's own windows use.

#include "layoutkeysyms.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace korvane {

class RemoteDesktopSession;
class WaylandConnection;

struct SessionFacts
{
    bool wayland = false;              // a Wayland compositor answered on WAYLAND_DISPLAY
    bool x11 = false;                  // DISPLAY is set (X11, or XWayland beside Wayland)
    QStringList waylandGlobals;        // the interfaces the compositor advertises
    bool mutterRemoteDesktop = false;  // org.gnome.Mutter.RemoteDesktop is on the session bus
    bool portalRemoteDesktop = false;  // the RemoteDesktop portal offers a keyboard
    bool kwinScripting = false;        // org.kde.KWin (with its /Scripting) is on the session bus
    QString currentDesktop;            // XDG_CURRENT_DESKTOP
};

enum class KeystrokeBackend {
    None,
    X11,           // XTest; on a Wayland session it reaches XWayland windows only
    WlrootsVirtualKeyboard,
    MutterRemoteDesktop, // mutter's own interface; the portal after it when `portalFallback`
    PortalRemoteDesktop,
};

enum class ActivationBackend {
    None,
    X11, // on a Wayland session: XWayland windows only
    WlrootsForeignToplevel,
    KWinScript,
};

struct BackendChoice
{
    KeystrokeBackend keys = KeystrokeBackend::None;
    ActivationBackend windows = ActivationBackend::None;
    // MutterRemoteDesktop: try the portal when mutter refuses a session.
    bool portalFallback = false;
    // The remote-desktop backends: how the other end turns key symbols into keys.
    QList<KeysymTranslation> translations;
    // For the user when keys == None: why no keys can be sent. Otherwise a note
    // on what the choice cannot reach (empty when it reaches every window).
    QString message;
};

BackendChoice chooseBackends(const SessionFacts &facts);

// Reads the facts of the running session; `connection` may be null when
// WAYLAND_DISPLAY is unset.
SessionFacts probeSession(const WaylandConnection *connection);

// The session for keys == MutterRemoteDesktop or PortalRemoteDesktop, keeping the
// portal's restore token at `tokenPath`.
std::unique_ptr<RemoteDesktopSession> makeRemoteDesktopSession(const BackendChoice &choice,
                                                               const QString &tokenPath);

} // namespace korvane
