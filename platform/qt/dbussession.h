#pragma once

#include "platform.h"

namespace korvane {

// Asks the desktop's session manager over D-Bus to log the user out: GNOME, KDE
// and Xfce in turn, then logind for the current session.
class DBusSession : public Session
{
public:
    bool logout() override;
};

} // namespace korvane
