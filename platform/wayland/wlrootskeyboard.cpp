// SPDX-License-Identifier: GPL-3.0-or-later
#include "wlrootskeyboard.h"
#include "keysyms.h"
#include "waylandconnection.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QElapsedTimer>
#include <QSet>

#include <algorithm>
#include <QThread>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>
#include <unistd.h>

namespace korvane {

namespace {

// Requests are flushed in batches this size: libwayland's buffer holds 4 KiB, and
// a full buffer it cannot flush at once ends the connection.
constexpr int kRequestsPerFlush = 96;
// A seat that had no keyboard before ours (no physical one, as in a headless
// session) gains one: every client then asks for a wl_keyboard of its own, and
// keys sent before the focused client has done so never reach it. No protocol
// tells when it has. Measured under sway, Qt clients ask within a millisecond of
// the seat's new capabilities; this pause leaves a wide margin for busier ones.
constexpr int kNewSeatKeyboardMs = 150;

constexpr unsigned bit(VirtualKeymap::Modifier modifier)
{
    return 1u << unsigned(modifier);
}

// The keys whose own keycodes are fixed in the keymap, outside the pool.
std::optional<VirtualKeymap::Modifier> lockKey(uint32_t keysym)
{
    if (keysym == XKB_KEY_Caps_Lock)
        return VirtualKeymap::Modifier::CapsLock;
    if (keysym == XKB_KEY_Num_Lock)
        return VirtualKeymap::Modifier::NumLock;
    return std::nullopt;
}

// The compositor passes our keys on to the focused client at once, and a client
// that falls too far behind (its socket full) is disconnected. Nothing tells how
// far behind it is, so long lines are paced: a burst of this many key events goes
// out at full speed (a 2,000-character text), the rest at the sustained rate, which
// a Qt window here takes at half its measured speed.
constexpr double kBurstEvents = 4200;
constexpr double kSustainedEventsPerSecond = 4000;

uint32_t nowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return uint32_t(clock.elapsed());
}

} // namespace

WlrootsKeyboard::WlrootsKeyboard(std::shared_ptr<WaylandConnection> connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection ? std::move(connection) : std::make_shared<WaylandConnection>())
{
}

WlrootsKeyboard::~WlrootsKeyboard()
{
    if (m_keyboard && m_connection->display()) {
        holdModifiers(0);
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
        m_connection->flush();
    }
}

QString WlrootsKeyboard::unavailableReason() const
{
    if (!m_connection->display())
        return m_connection->unavailableReason();
    if (!m_connection->virtualKeyboardManager())
        return tr("the Wayland compositor offers no virtual keyboard "
                  "(zwp_virtual_keyboard_manager_v1)");
    if (!m_connection->seat())
        return tr("the Wayland compositor has no seat");
    return {};
}

bool WlrootsKeyboard::sendKeys(const QString &notation, bool wait)
{
    m_lastFailure.clear();
    const SendKeysParse parsed = parseSendKeys(notation);
    if (!parsed.ok()) {
        m_lastFailure = parsed.error;
        return false;
    }
    QList<Stroke> strokes;
    if (!plan(parsed.actions, strokes))
        return false;
    if (!ensureKeyboard())
        return false;
    // Stretches of text that fit the keymap's pool of keys, one after another.
    qsizetype begin = 0;
    while (begin < strokes.size()) {
        QSet<uint32_t> keysyms;
        qsizetype end = begin;
        for (; end < strokes.size(); ++end) {
            const uint32_t keysym = strokes.at(end).keysym;
            if (lockKey(keysym) || keysyms.contains(keysym))
                continue;
            if (keysyms.size() == VirtualKeymap::kCapacity)
                break;
            keysyms.insert(keysym);
        }
        if (!typeStretch(strokes, begin, end))
            return false;
        begin = end;
    }
    holdModifiers(0);
    if (!(wait ? m_connection->roundtrip() : m_connection->flush())) {
        m_lastFailure = m_connection->unavailableReason();
        return false;
    }
    m_unflushed = 0;
    return true;
}

bool WlrootsKeyboard::plan(const QList<KeyAction> &actions, QList<Stroke> &strokes)
{
    QList<char32_t> untypable;
    for (const KeyAction &action : actions) {
        Stroke stroke;
        stroke.count = action.count;
        if (action.modifiers & KeyModifier::Shift)
            stroke.modifiers |= bit(VirtualKeymap::Modifier::Shift);
        if (action.modifiers & KeyModifier::Control)
            stroke.modifiers |= bit(VirtualKeymap::Modifier::Control);
        if (action.modifiers & KeyModifier::Alt)
            stroke.modifiers |= bit(VirtualKeymap::Modifier::Alt);
        stroke.keysym = keysymForAction(action);
        if (stroke.keysym == XKB_KEY_NoSymbol) {
            if (!untypable.contains(action.character))
                untypable.append(action.character);
            continue;
        }
        strokes.append(stroke);
    }
    if (untypable.isEmpty())
        return true;
    m_lastFailure = tr("no key types these characters: %1").arg(describeCharacters(untypable));
    return false;
}

bool WlrootsKeyboard::ensureKeyboard()
{
    if (m_keyboard)
        return m_connection->display() != nullptr;
    const QString reason = unavailableReason();
    if (!reason.isEmpty()) {
        m_lastFailure = reason;
        return false;
    }
    // The capabilities as they are now: a keyboard removed a moment ago (ours of
    // before, say) may not have been reported yet.
    if (!m_connection->roundtrip()) {
        m_lastFailure = m_connection->unavailableReason();
        return false;
    }
    const bool seatHadKeyboard = m_connection->seatCapabilities() & WL_SEAT_CAPABILITY_KEYBOARD;
    m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        m_connection->virtualKeyboardManager(), m_connection->seat());
    if (!uploadKeymap() || !m_connection->roundtrip()) {
        m_lastFailure = m_connection->unavailableReason();
        return false;
    }
    if (!seatHadKeyboard)
        QThread::msleep(kNewSeatKeyboardMs);
    return true;
}

bool WlrootsKeyboard::uploadKeymap()
{
    const QByteArray text = m_keymap.text();
    const int fd = memfd_create("korvane-keymap", MFD_CLOEXEC);
    if (fd < 0) {
        m_lastFailure = tr("cannot make the keymap file");
        return false;
    }
    // The compositor reads the keymap as a C string: the size includes the NUL.
    const qsizetype size = text.size() + 1;
    const bool written = ::write(fd, text.constData(), size_t(size)) == size;
    if (written) {
        zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       uint32_t(size));
    }
    ::close(fd);
    if (!written) {
        m_lastFailure = tr("cannot write the keymap file");
        return false;
    }
    return m_connection->flush();
}

bool WlrootsKeyboard::typeStretch(const QList<Stroke> &strokes, qsizetype begin, qsizetype end)
{
    QList<uint32_t> keysyms;
    for (qsizetype i = begin; i < end; ++i) {
        if (!lockKey(strokes.at(i).keysym))
            keysyms.append(strokes.at(i).keysym);
    }
    bool changed = false;
    m_keymap.assign(keysyms, changed);
    if (changed) {
        // The new keymap reaches each client before the keys that follow it: the
        // compositor handles our requests in order and sends it on at once.
        holdModifiers(0);
        if (!uploadKeymap())
            return false;
    }
    for (qsizetype i = begin; i < end; ++i) {
        const Stroke &stroke = strokes.at(i);
        holdModifiers(stroke.modifiers);
        if (const auto lock = lockKey(stroke.keysym)) {
            for (int n = 0; n < stroke.count; ++n)
                toggleLock(*lock);
            continue;
        }
        const unsigned keycode = m_keymap.keycodeOf(stroke.keysym);
        for (int n = 0; n < stroke.count; ++n) {
            key(keycode, true);
            key(keycode, false);
        }
    }
    if (!m_connection->display()) {
        m_lastFailure = m_connection->unavailableReason();
        return false;
    }
    return true;
}

void WlrootsKeyboard::key(unsigned keycode, bool pressed)
{
    // The protocol takes evdev keycodes: XKB's less 8.
    zwp_virtual_keyboard_v1_key(m_keyboard, nowMs(), keycode - 8,
                                pressed ? WL_KEYBOARD_KEY_STATE_PRESSED
                                        : WL_KEYBOARD_KEY_STATE_RELEASED);
    if (++m_unflushed >= kRequestsPerFlush) {
        m_connection->flush();
        m_unflushed = 0;
        pace(kRequestsPerFlush);
    }
}

void WlrootsKeyboard::pace(int events)
{
    // A token bucket: refilled with time, emptied by events, never above the burst.
    if (!m_pacing.isValid())
        m_pacing.start();
    m_tokens = std::min(kBurstEvents,
                        m_tokens + m_pacing.restart() * kSustainedEventsPerSecond / 1000.0);
    m_tokens -= events;
    if (m_tokens < 0) {
        QThread::msleep(qRound64(-m_tokens * 1000.0 / kSustainedEventsPerSecond));
        m_tokens = 0;
        m_pacing.restart();
    }
}

void WlrootsKeyboard::holdModifiers(unsigned modifiers)
{
    using Modifier = VirtualKeymap::Modifier;
    if (modifiers == m_held)
        return;
    // Clients see the modifier keys go down and up as on a real keyboard, but the
    // compositor takes the modifier state only from the modifiers request: key
    // events of virtual keyboards leave it alone.
    for (const Modifier modifier : {Modifier::Shift, Modifier::Control, Modifier::Alt}) {
        if ((m_held & bit(modifier)) && !(modifiers & bit(modifier)))
            key(VirtualKeymap::keycodeOf(modifier), false);
    }
    for (const Modifier modifier : {Modifier::Shift, Modifier::Control, Modifier::Alt}) {
        if (!(m_held & bit(modifier)) && (modifiers & bit(modifier)))
            key(VirtualKeymap::keycodeOf(modifier), true);
    }
    m_held = modifiers;
    sendModifierState();
}

void WlrootsKeyboard::toggleLock(VirtualKeymap::Modifier lock)
{
    const unsigned keycode = VirtualKeymap::keycodeOf(lock);
    key(keycode, true);
    key(keycode, false);
    m_locked ^= bit(lock);
    sendModifierState();
}

void WlrootsKeyboard::sendModifierState()
{
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, VirtualKeymap::modifierMask(m_held), 0,
                                      VirtualKeymap::modifierMask(m_locked), 0);
}

} // namespace korvane
