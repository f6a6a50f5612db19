// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Keystrokes through the RemoteDesktop portal (org.freedesktop.portal.RemoteDesktop
// on org.freedesktop.portal.Desktop): KDE Plasma's way, and GNOME's when mutter's
// own interface is refused. The desktop asks the user once; the restore token the
// portal hands back is kept in a file, so later runs start without asking again.

#include "remotedesktopkeyboard.h"

#include <QString>

#include <memory>

namespace korvane {

// $XDG_CONFIG_HOME/korvane/remote-desktop-token (~/.config when unset).
QString defaultRestoreTokenPath();

// The token stored at `path`; empty when there is none or the file holds no token.
QString readRestoreToken(const QString &path);
// Replaces the file at `path` whole with `token`, readable by the user alone; an
// empty token removes the file. False when it cannot be written.
bool writeRestoreToken(const QString &path, const QString &token);

// A session on the portal, keeping its restore token at `tokenPath`, whose keysyms
// the portal's back end turns into keys as `translations` say.
std::unique_ptr<RemoteDesktopSession>
makePortalRemoteDesktopSession(const QString &tokenPath, QList<KeysymTranslation> translations);

} // namespace korvane
