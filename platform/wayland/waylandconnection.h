// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Korvane's own connection to the Wayland compositor, apart from the one Qt may
// hold for its windows (which may even be on X11 through XWayland): the seat and
// the protocol globals the keystroke and window backends use.

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>

#include <memory>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_keyboard;
struct zwp_virtual_keyboard_manager_v1;
struct zwlr_foreign_toplevel_manager_v1;

namespace korvane {

class WaylandConnection : public QObject
{
    Q_OBJECT

public:
    // Connects to the compositor WAYLAND_DISPLAY names and learns its globals.
    explicit WaylandConnection(QObject *parent = nullptr);
    ~WaylandConnection() override;

    // Null when there is no compositor, or the connection failed or broke.
    wl_display *display() const;
    // Why display() is null; empty while connected.
    QString unavailableReason() const { return m_reason; }

    // The interfaces the compositor advertises, e.g. "zwp_virtual_keyboard_manager_v1".
    const QStringList &globals() const { return m_globals; }

    wl_seat *seat() const { return m_seat; }
    // The seat's capabilities (WL_SEAT_CAPABILITY_*), as last announced.
    uint32_t seatCapabilities() const { return m_seatCapabilities; }
    zwp_virtual_keyboard_manager_v1 *virtualKeyboardManager() const { return m_keyboards; }
    zwlr_foreign_toplevel_manager_v1 *toplevelManager() const { return m_toplevels; }
    // The version bound for toplevelManager().
    uint32_t toplevelManagerVersion() const { return m_toplevelsVersion; }

    // The keymap the compositor gives keyboards now (XKB text), as any client
    // receives it on its wl_keyboard; empty when the seat has no keyboard.
    QByteArray seatKeymap();

    // Sends what is queued and waits until the compositor has handled it and every
    // event it sent back has been dispatched. False when the connection broke.
    bool roundtrip();
    // Sends what is queued, waiting for room in the socket when the compositor
    // reads slower than we write. False when the connection broke.
    bool flush();
    // Dispatches the events that have arrived, without waiting.
    bool dispatchPending();

signals:
    // Events were dispatched from the event loop (toplevel lists may have changed).
    void dispatched();

public:
    // Listener callbacks of the registry and the seat.
    static void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                         uint32_t version);
    static void onGlobalRemove(void *data, wl_registry *registry, uint32_t name);
    static void onSeatCapabilities(void *data, wl_seat *seat, uint32_t capabilities);
    static void onSeatName(void *data, wl_seat *seat, const char *name);
    static void onKeymap(void *data, wl_keyboard *keyboard, uint32_t format, int32_t fd,
                         uint32_t size);

private:
    void fail(const QString &reason);
    void onReadable();

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    uint32_t m_seatCapabilities = 0;
    zwp_virtual_keyboard_manager_v1 *m_keyboards = nullptr;
    zwlr_foreign_toplevel_manager_v1 *m_toplevels = nullptr;
    uint32_t m_toplevelsVersion = 0;
    wl_keyboard *m_keyboard = nullptr;
    QByteArray m_keymap;
    QStringList m_globals;
    QString m_reason;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace korvane
