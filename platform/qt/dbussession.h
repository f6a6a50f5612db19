// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Qt backend: logging the user out through the session manager, over D-Bus.

#include "platform.h"

namespace korvane {

// Asks GNOME's, KDE's and Xfce's session managers in turn, then logind for the
// current session.
class DBusSession : public Session
{
public:
    bool logout() override;
};

} // namespace korvane
