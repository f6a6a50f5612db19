// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The real desktop behind Korvane's platform interfaces: Qt widgets for dialogs,
// detached processes, Qt's event loop, the session manager over D-Bus, Qt
// Multimedia for sound and GIO for the installed applications; keystrokes and
// window activation through the backend the session offers (X11, a wlroots
// compositor, GNOME's or KDE's remote desktop), chosen once at start-up from the
// session itself.

#include "dbussession.h"
#include "gioapplications.h"
#include "platform.h"
#include "qtdialogs.h"
#include "qteventloop.h"
#include "qtprocesslauncher.h"
#include "qtsoundplayer.h"

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
    Keyboard &keyboard() override { return *m_keyboard; }
    WindowActivator &windows() override { return *m_activator; }
    // Read from the desktop entries on first use, not at start-up.
    InstalledApplications &applications() override { return m_applications; }

    // What the session's keystroke and activation backends cannot reach (no key
    // path at all, native windows that cannot be activated...); empty when they
    // reach everything.
    const QString &backendNote() const { return m_backendNote; }

private:
    QtProcessLauncher m_launcher;
    QtDialogs m_dialogs;
    QtEventLoop m_events;
    DBusSession m_session;
    QtSoundPlayer m_sound;
    GioApplications m_applications;
    // The connections the backends share, kept alive as long as they.
    std::shared_ptr<void> m_x11;
    std::shared_ptr<void> m_wayland;
    std::unique_ptr<Keyboard> m_keyboard;
    std::unique_ptr<WindowActivator> m_activator;
    QString m_backendNote;
};

} // namespace korvane
