// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Keystrokes on GNOME (mutter) and KDE Plasma (KWin), which offer no virtual
// keyboard protocol: key symbols sent through a remote-desktop session. Such a
// session types only what the user's current layout holds, so every line is
// checked against that layout first, and refused whole, naming the characters,
// when one of them has no key there.

#include "keyboard.h"
#include "layoutkeysyms.h"
#include "sendkeys.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace korvane {

class WaylandConnection;

// One remote-desktop session that takes key events: mutter's own D-Bus interface,
// or the RemoteDesktop portal in front of it (GNOME, KDE).
class RemoteDesktopSession
{
public:
    virtual ~RemoteDesktopSession() = default;
    // Creates and starts the session (the portal asks the user the first time);
    // false with `error` set when that fails or is refused.
    virtual bool start(QString &error) = 0;
    // Queues a press or release of the key typing `keysym` in the current layout.
    virtual void notifyKeysym(uint32_t keysym, bool pressed) = 0;
    // Returns once the compositor has handled every event queued before; false
    // when the session has ended.
    virtual bool sync() = 0;
    // How the other end turns key symbols into keys, for the layout check.
    virtual QList<KeysymTranslation> translations() const = 0;
};

// The seat's keymap as XKB text; empty when it cannot be read.
using KeymapReader = std::function<QByteArray()>;

class RemoteDesktopKeyboard : public QObject, public Keyboard
{
public:
    // Types through `session`; reads the layout through `connection` (its own
    // when null).
    explicit RemoteDesktopKeyboard(std::unique_ptr<RemoteDesktopSession> session,
                                   std::shared_ptr<WaylandConnection> connection = {},
                                   QObject *parent = nullptr);
    // Reads the layout through `readKeymap` instead of a Wayland connection.
    RemoteDesktopKeyboard(std::unique_ptr<RemoteDesktopSession> session, KeymapReader readKeymap,
                          QObject *parent = nullptr);
    ~RemoteDesktopKeyboard() override;

    bool sendKeys(const QString &notation, bool wait) override;

    QString unavailableReason() const override;
    QString lastFailure() const override { return m_lastFailure; }

private:
    bool ensureSession();
    void tap(uint32_t keysym, int count);

    std::unique_ptr<RemoteDesktopSession> m_session;
    std::shared_ptr<WaylandConnection> m_connection;
    KeymapReader m_readKeymap;
    bool m_started = false;
    QString m_startFailure; // why the session did not start; it is not tried again
    QString m_lastFailure;
};

// The session on mutter's own interface (org.gnome.Mutter.RemoteDesktop), which
// the GNOME portal drives after the user's consent. Mutter 43 answers anyone on
// the session bus, without asking the user.
std::unique_ptr<RemoteDesktopSession> makeMutterRemoteDesktopSession();

// Starts the first of `sessions` that starts, and types through it: on GNOME,
// mutter's own interface, then the portal when mutter refuses.
std::unique_ptr<RemoteDesktopSession>
makeFirstStartingSession(std::vector<std::unique_ptr<RemoteDesktopSession>> sessions);

} // namespace korvane
