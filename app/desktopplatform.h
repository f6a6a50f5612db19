#pragma once

// The real desktop behind Korvane's platform interfaces: Qt widgets for dialogs,
// detached processes, Qt's event loop, the session manager over D-Bus and Qt
// Multimedia for sound, XTest and XKB for keystrokes.

#include "dbussession.h"
#include "platform.h"
#include "qtdialogs.h"
#include "qteventloop.h"
#include "qtprocesslauncher.h"
#include "qtsoundplayer.h"
#include "x11keyboard.h"
#include "x11windowactivator.h"

#include <memory>

namespace korvane {

class DesktopPlatform : public Platform
{
public:
    DesktopPlatform();
    ~DesktopPlatform() override;

    ProcessLauncher &processes() override { return m_launcher; }
    QtDialogs &dialogs() override { return m_dialogs; }
    EventLoop &events() override { return m_events; }
    Session &session() override { return m_session; }
    QtSoundPlayer &sound() override { return m_sound; }

    // Keystrokes (XTest) and window activation by title (_NET_ACTIVE_WINDOW) on one
    // X connection of Korvane's own, opened on first use.
    X11Keyboard &keyboard() override { return m_keyboard; }
    WindowActivator &windows() override { return m_activator; }

private:
    QtProcessLauncher m_launcher;
    QtDialogs m_dialogs;
    QtEventLoop m_events;
    DBusSession m_session;
    QtSoundPlayer m_sound;
    std::shared_ptr<X11Connection> m_x11;
    X11Keyboard m_keyboard;
    X11WindowActivator m_activator;
};

} // namespace korvane
