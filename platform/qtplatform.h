#pragma once

// The real desktop behind Korvane's platform interfaces: Qt widgets for dialogs,
// detached processes, Qt's event loop, the session manager over D-Bus and Qt
// Multimedia for sound.

#include "dbussession.h"
#include "platform.h"
#include "qtdialogs.h"
#include "qteventloop.h"
#include "qtprocesslauncher.h"
#include "qtsoundplayer.h"

namespace korvane {

class QtPlatform : public Platform
{
public:
    QtPlatform();
    ~QtPlatform() override;

    ProcessLauncher &processes() override { return m_launcher; }
    QtDialogs &dialogs() override { return m_dialogs; }
    EventLoop &events() override { return m_events; }
    Session &session() override { return m_session; }
    QtSoundPlayer &sound() override { return m_sound; }

    // Keystrokes (XTest) and window activation by title (_NET_ACTIVE_WINDOW): room
    // for keyboard() and windows() overrides backed by the X11 code in keyboard/.
    // Until then Platform's do-nothing defaults apply.

private:
    QtProcessLauncher m_launcher;
    QtDialogs m_dialogs;
    QtEventLoop m_events;
    DBusSession m_session;
    QtSoundPlayer m_sound;
};

} // namespace korvane
