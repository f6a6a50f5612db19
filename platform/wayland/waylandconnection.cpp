// SPDX-License-Identifier: GPL-3.0-or-later
#include "waylandconnection.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

namespace korvane {

namespace {

const wl_registry_listener kRegistryListener = {
    &WaylandConnection::onGlobal,
    &WaylandConnection::onGlobalRemove,
};

constexpr int kFlushWaitMs = 5000;

} // namespace

WaylandConnection::WaylandConnection(QObject *parent)
    : QObject(parent)
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_SOCKET")) {
        m_reason = tr("no Wayland session (WAYLAND_DISPLAY is not set)");
        return;
    }
    m_display = wl_display_connect(nullptr);
    if (!m_display) {
        m_reason = tr("cannot connect to the Wayland compositor at %1: %2")
                       .arg(qEnvironmentVariable("WAYLAND_DISPLAY"),
                            QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &kRegistryListener, this);
    // The first round trip lists the globals; the second brings the events of the
    // objects bound meanwhile (seat capabilities, existing toplevels).
    if (!roundtrip() || !roundtrip())
        return;
    m_notifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display),
                                                   QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &WaylandConnection::onReadable);
}

WaylandConnection::~WaylandConnection()
{
    m_notifier.reset();
    if (!m_display)
        return;
    if (m_keyboard)
        wl_keyboard_release(m_keyboard);
    if (m_toplevels)
        zwlr_foreign_toplevel_manager_v1_destroy(m_toplevels);
    if (m_keyboards)
        zwp_virtual_keyboard_manager_v1_destroy(m_keyboards);
    if (m_seat)
        wl_seat_destroy(m_seat);
    wl_registry_destroy(m_registry);
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

wl_display *WaylandConnection::display() const
{
    return m_reason.isEmpty() ? m_display : nullptr;
}

void WaylandConnection::onGlobal(void *data, wl_registry *registry, uint32_t name,
                                 const char *interface, uint32_t version)
{
    auto *self = static_cast<WaylandConnection *>(data);
    const QString iface = QString::fromLatin1(interface);
    self->m_globals.append(iface);
    if (iface == QLatin1String(wl_seat_interface.name) && !self->m_seat) {
        static const wl_seat_listener seatListener = {&WaylandConnection::onSeatCapabilities,
                                                      &WaylandConnection::onSeatName};
        self->m_seat = static_cast<wl_seat *>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
        wl_seat_add_listener(self->m_seat, &seatListener, self);
    } else if (iface == QLatin1String(zwp_virtual_keyboard_manager_v1_interface.name)) {
        self->m_keyboards = static_cast<zwp_virtual_keyboard_manager_v1 *>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (iface == QLatin1String(zwlr_foreign_toplevel_manager_v1_interface.name)) {
        self->m_toplevelsVersion = std::min(version, 3u);
        self->m_toplevels = static_cast<zwlr_foreign_toplevel_manager_v1 *>(wl_registry_bind(
            registry, name, &zwlr_foreign_toplevel_manager_v1_interface, self->m_toplevelsVersion));
    }
}

void WaylandConnection::onGlobalRemove(void *, wl_registry *, uint32_t) {}

void WaylandConnection::onSeatCapabilities(void *data, wl_seat *, uint32_t capabilities)
{
    static_cast<WaylandConnection *>(data)->m_seatCapabilities = capabilities;
}

void WaylandConnection::onSeatName(void *, wl_seat *, const char *) {}

void WaylandConnection::onKeymap(void *data, wl_keyboard *, uint32_t format, int32_t fd,
                                 uint32_t size)
{
    auto *self = static_cast<WaylandConnection *>(data);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void *map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (map != MAP_FAILED) {
            // The text ends with a NUL the size counts.
            self->m_keymap = QByteArray(static_cast<const char *>(map), qsizetype(size) - 1);
            ::munmap(map, size);
        }
    }
    ::close(fd);
}

QByteArray WaylandConnection::seatKeymap()
{
    if (!roundtrip() || !(m_seatCapabilities & WL_SEAT_CAPABILITY_KEYBOARD))
        return {};
    if (!m_keyboard) {
        // Only the keymap matters: the other events never come to a client that
        // has no window, or are ignored.
        static const wl_keyboard_listener listener = {
            &WaylandConnection::onKeymap,
            [](void *, wl_keyboard *, uint32_t, wl_surface *, wl_array *) {},
            [](void *, wl_keyboard *, uint32_t, wl_surface *) {},
            [](void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t) {},
            [](void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {},
            [](void *, wl_keyboard *, int32_t, int32_t) {},
        };
        m_keyboard = wl_seat_get_keyboard(m_seat);
        wl_keyboard_add_listener(m_keyboard, &listener, this);
        roundtrip();
    }
    return m_keymap;
}

void WaylandConnection::fail(const QString &reason)
{
    if (m_reason.isEmpty())
        m_reason = reason;
    m_notifier.reset();
}

bool WaylandConnection::roundtrip()
{
    if (!display())
        return false;
    if (wl_display_roundtrip(m_display) < 0) {
        fail(tr("the Wayland connection broke: %1")
                 .arg(QString::fromLocal8Bit(std::strerror(wl_display_get_error(m_display)))));
        return false;
    }
    return true;
}

bool WaylandConnection::flush()
{
    if (!display())
        return false;
    while (wl_display_flush(m_display) < 0) {
        if (errno != EAGAIN) {
            fail(tr("the Wayland connection broke: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno))));
            return false;
        }
        // The socket is full: the compositor has not read our requests yet.
        pollfd descriptor{wl_display_get_fd(m_display), POLLOUT, 0};
        if (::poll(&descriptor, 1, kFlushWaitMs) <= 0) {
            fail(tr("the Wayland compositor stopped reading our requests"));
            return false;
        }
    }
    return true;
}

bool WaylandConnection::dispatchPending()
{
    if (!display())
        return false;
    if (wl_display_dispatch_pending(m_display) < 0) {
        fail(tr("the Wayland connection broke"));
        return false;
    }
    return true;
}

void WaylandConnection::onReadable()
{
    if (!display())
        return;
    // Reading through prepare_read keeps events for other queues intact.
    while (wl_display_prepare_read(m_display) != 0)
        wl_display_dispatch_pending(m_display);
    wl_display_flush(m_display);
    if (wl_display_read_events(m_display) < 0 || wl_display_dispatch_pending(m_display) < 0) {
        fail(tr("the Wayland connection broke"));
        return;
    }
    emit dispatched();
}

} // namespace korvane
