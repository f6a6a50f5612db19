// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The real desktop behind Korvane's platform interfaces: Qt widgets for dialogs,
// detached processes, Qt's event loop, the session manager over D-Bus, Qt
// Multimedia for sound and GIO for the installed applications; keystrokes and
// window activation through the backend the session offers (X11, a wlroots
// compositor, GNOME's or KDE's remote desktop), chosen from the session itself
// when first used, so that the command center's first frame never waits for them.

#include "dbussession.h"
#include "gioapplications.h"
#include "platform.h"
#include "qtdialogs.h"
#include "qteventloop.h"
#include "qtprocesslauncher.h"
#include "qtsoundplayer.h"

#include <memory>

namespace korvane {

// Qt's event loop, whose normal end (status 0) can be made to end with another
// status: that of a script run in a session that cannot type its keystrokes.
class DesktopEventLoop : public QtEventLoop
{
public:
    void endProgram(int exitCode) override
    {
        QtEventLoop::endProgram(exitCode == 0 ? m_normalEndStatus : exitCode);
    }
    void setNormalEndStatus(int status) { m_normalEndStatus = status; }

private:
    int m_normalEndStatus = 0;
};

class DesktopPlatform : public Platform
{
public:
    DesktopPlatform();
    ~DesktopPlatform() override;

    ProcessLauncher &processes() override { return m_launcher; }
    QtDialogs &dialogs() override { return m_dialogs; }
    DesktopEventLoop &events() override { return m_events; }
    Session &session() override { return m_session; }
    // Qt Multimedia and the bell's thread are started with the first sound.
    QtSoundPlayer &sound() override;
    Keyboard &keyboard() override;
    WindowActivator &windows() override;
    // Read from the desktop entries on first use, not at start-up.
    InstalledApplications &applications() override { return m_applications; }

    // What the session's keystroke and activation backends cannot reach (no key
    // path at all, native windows that cannot be activated...); empty when they
    // reach everything.
    const QString &backendNote();
    // Gives back the keycodes borrowed for keystrokes; none were when no keystroke
    // was ever sent.
    void restoreKeymap()
    {
        if (m_keyboard)
            m_keyboard->restoreKeymap();
    }

private:
    void createBackends();

    QtProcessLauncher m_launcher;
    QtDialogs m_dialogs;
    DesktopEventLoop m_events;
    DBusSession m_session;
    std::unique_ptr<QtSoundPlayer> m_sound;
    GioApplications m_applications;
    // The connections the backends share, kept alive as long as they.
    std::shared_ptr<void> m_x11;
    std::shared_ptr<void> m_wayland;
    std::unique_ptr<Keyboard> m_keyboard;
    std::unique_ptr<WindowActivator> m_activator;
    QString m_backendNote;
};

} // namespace korvane
