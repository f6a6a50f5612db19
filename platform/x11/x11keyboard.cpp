#include "x11keyboard.h"
#include "x11connection.h"
#include "x11properties.h"

#include <QSet>
#include <QThread>

#include <algorithm>
#include <array>
#include <memory>

#include <poll.h>
#include <unistd.h>

// Xlib macros (Bool, Status, None) clash with Qt: X11 headers come last.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

namespace korvane {

using namespace x11;

namespace {

// Clients learn of a remapped keycode asynchronously: they fetch the new map when
// its notification reaches them. Typing right after a remap, or remapping a key
// whose events are still being read, swaps or loses characters; without a way to
// ask the client, this pause on both sides of a batch of remaps lets it catch up.
constexpr int kSettleMs = 20;
// Clients that answer _NET_WM_PING tell us instead when they have caught up; a
// client that does not answer within this time is not waited for any longer.
constexpr int kClientWaitMs = 1000;
// Modifier keys the user holds would change what our keys type.
constexpr int kModifierWaitMs = 2000;
constexpr int kModifierPollMs = 10;
// How long one look for the ping's answer sleeps when none has come yet.
constexpr int kEventPollMs = 10;
// Remapped keycodes stay mapped this long after the last keys, so the next
// keystroke line can reuse them, then the map is put back as it was.
constexpr int kRestoreDelayMs = 1000;

unsigned long keysymFor(SpecialKey key)
{
    switch (key) {
    case SpecialKey::Backspace:
        return XK_BackSpace;
    case SpecialKey::Break:
        return XK_Break;
    case SpecialKey::CapsLock:
        return XK_Caps_Lock;
    case SpecialKey::Delete:
        return XK_Delete;
    case SpecialKey::Down:
        return XK_Down;
    case SpecialKey::End:
        return XK_End;
    case SpecialKey::Enter:
        return XK_Return;
    case SpecialKey::Escape:
        return XK_Escape;
    case SpecialKey::Help:
        return XK_Help;
    case SpecialKey::Home:
        return XK_Home;
    case SpecialKey::Insert:
        return XK_Insert;
    case SpecialKey::Left:
        return XK_Left;
    case SpecialKey::NumLock:
        return XK_Num_Lock;
    case SpecialKey::PageDown:
        return XK_Next;
    case SpecialKey::PageUp:
        return XK_Prior;
    case SpecialKey::PrintScreen:
        return XK_Print;
    case SpecialKey::Right:
        return XK_Right;
    case SpecialKey::ScrollLock:
        return XK_Scroll_Lock;
    case SpecialKey::Tab:
        return XK_Tab;
    case SpecialKey::Up:
        return XK_Up;
    default:
        return XK_F1 + (int(key) - int(SpecialKey::F1));
    }
}

// Control characters in text (from "`U" data) type the key that makes them.
unsigned long keysymForControl(char32_t c)
{
    switch (c) {
    case U'\n':
    case U'\r':
        return XK_Return;
    case U'\t':
        return XK_Tab;
    case U'\b':
        return XK_BackSpace;
    case U'\x1b': // Escape
        return XK_Escape;
    default:
        return NoSymbol;
    }
}

} // namespace

X11Keyboard::X11Keyboard(std::shared_ptr<X11Connection> connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection ? std::move(connection) : std::make_shared<X11Connection>())
{
    m_restoreTimer.setSingleShot(true);
    m_restoreTimer.setInterval(kRestoreDelayMs);
    connect(&m_restoreTimer, &QTimer::timeout, this, &X11Keyboard::restoreSpareKeycodes);
}

X11Keyboard::~X11Keyboard()
{
    restoreSpareKeycodes();
}

QString X11Keyboard::unavailableReason() const
{
    return m_connection->unavailableReason();
}

bool X11Keyboard::sendKeys(const QString &notation, bool wait)
{
    const SendKeysParse parsed = parseSendKeys(notation);
    Display *display = m_connection->display();
    m_lastFailure = !parsed.ok() ? parsed.error : !display ? unavailableReason() : QString();
    if (!m_lastFailure.isEmpty())
        return false;
    m_restoreTimer.stop();
    const bool complete = typeActions(parsed.actions);
    holdModifiers(0);
    const bool spareInUse = std::any_of(m_spares.cbegin(), m_spares.cend(),
                                        [](const SpareKey &key) { return key.keysym != 0; });
    if (wait || spareInUse)
        XSync(display, False);
    else
        XFlush(display);
    if (spareInUse)
        m_restoreTimer.start();
    if (!complete)
        m_lastFailure = QStringLiteral("some characters could not be typed: no key types them");
    return complete;
}

bool X11Keyboard::typeActions(const QList<KeyAction> &actions)
{
    bool complete = true;
    bool first = true;
    qsizetype begin = 0;
    while (begin < actions.size()) {
        // Caps Lock and Num Lock change what later keys type: the keys after one
        // are planned with the keyboard state read anew.
        qsizetype end = begin;
        while (end < actions.size()) {
            const KeyAction &action = actions.at(end++);
            if (action.kind == KeyAction::Kind::Special &&
                (action.key == SpecialKey::CapsLock || action.key == SpecialKey::NumLock))
                break;
        }
        if (!first) {
            holdModifiers(0);
            XSync(m_connection->display(), False);
        }
        refreshSpareKeys();
        if (first)
            waitForModifierRelease();
        first = false;
        complete = typeStrokes(actions.mid(begin, end - begin)) && complete;
        begin = end;
    }
    return complete;
}

bool X11Keyboard::typeStrokes(const QList<KeyAction> &actions)
{
    QList<Stroke> strokes;
    bool complete = planStrokes(actions, strokes);
    qsizetype begin = 0;
    while (begin < strokes.size()) {
        if (m_spares.isEmpty() && strokes.at(begin).binding.keycode == 0) {
            // No spare keycode on this keyboard: the key cannot be typed.
            complete = false;
            ++begin;
            continue;
        }
        const qsizetype end = stretchEnd(strokes, begin);
        mapStretch(strokes, begin, end);
        for (qsizetype i = begin; i < end; ++i)
            pressStroke(strokes.at(i));
        begin = end;
    }
    return complete;
}

void X11Keyboard::refreshSpareKeys()
{
    QList<unsigned> ours;
    for (const SpareKey &key : std::as_const(m_spares))
        ours.append(key.keycode);
    m_keymap.load(m_connection->display(), ours);
    // A new layout (setxkbmap) or another program may have taken or cleared our
    // keycodes: keep only those that still hold what we put there.
    QList<SpareKey> still;
    for (SpareKey key : std::as_const(m_spares)) {
        const QList<unsigned long> symbols = m_keymap.symbolsOf(key.keycode);
        const bool empty = std::all_of(symbols.cbegin(), symbols.cend(),
                                       [](unsigned long s) { return s == NoSymbol; });
        if (empty)
            key.keysym = 0;
        if (empty || symbols.constFirst() == key.keysym)
            still.append(key);
    }
    m_spares = still;
    for (const unsigned keycode : m_keymap.emptyKeycodes())
        m_spares.append({keycode, 0, 0});
}

void X11Keyboard::waitForModifierRelease()
{
    Display *display = m_connection->display();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kModifierWaitMs) {
        // One bit a keycode, set while the key is down.
        std::array<char, 32> pressed{};
        XQueryKeymap(display, pressed.data());
        const QList<unsigned> &modifiers = m_keymap.modifierKeycodes();
        const bool held = std::any_of(modifiers.cbegin(), modifiers.cend(), [&](unsigned keycode) {
            return (pressed[keycode / 8] >> (keycode % 8)) & 1;
        });
        if (!held)
            return;
        QThread::msleep(kModifierPollMs);
    }
}

bool X11Keyboard::planStrokes(const QList<KeyAction> &actions, QList<Stroke> &strokes) const
{
    bool complete = true;
    for (const KeyAction &action : actions) {
        Stroke stroke;
        stroke.count = action.count;
        if (action.modifiers & KeyModifier::Shift)
            stroke.heldModifiers |= ShiftMask;
        if (action.modifiers & KeyModifier::Control)
            stroke.heldModifiers |= ControlMask;
        if (action.modifiers & KeyModifier::Alt)
            stroke.heldModifiers |= m_keymap.altMask();
        std::optional<KeyBinding> binding;
        if (action.kind == KeyAction::Kind::Special) {
            stroke.keysym = keysymFor(action.key);
            binding = m_keymap.forKeysym(stroke.keysym);
        } else if (isControlCharacter(action.character)) {
            stroke.keysym = keysymForControl(action.character);
            binding = m_keymap.forKeysym(stroke.keysym);
        } else {
            stroke.keysym = xkb_utf32_to_keysym(action.character);
            binding = m_keymap.forCharacter(action.character);
        }
        if (stroke.keysym == NoSymbol) {
            complete = false; // a control character no key types
            continue;
        }
        if (binding)
            stroke.binding = *binding;
        strokes.append(stroke);
    }
    return complete;
}

qsizetype X11Keyboard::stretchEnd(const QList<Stroke> &strokes, qsizetype begin) const
{
    QSet<unsigned long> needed;
    qsizetype end = begin;
    for (; end < strokes.size(); ++end) {
        const Stroke &stroke = strokes.at(end);
        if (stroke.binding.keycode != 0 || needed.contains(stroke.keysym))
            continue;
        if (needed.size() == m_spares.size())
            break;
        needed.insert(stroke.keysym);
    }
    return end;
}

void X11Keyboard::mapStretch(QList<Stroke> &strokes, qsizetype begin, qsizetype end)
{
    ++m_stretch;
    QHash<unsigned long, unsigned> keycodeOf;
    QList<unsigned long> missing;
    for (qsizetype i = begin; i < end; ++i) {
        const Stroke &stroke = strokes.at(i);
        if (stroke.binding.keycode != 0 || keycodeOf.contains(stroke.keysym) ||
            missing.contains(stroke.keysym))
            continue;
        const auto spare = std::find_if(m_spares.begin(), m_spares.end(), [&](const SpareKey &k) {
            return k.keysym == stroke.keysym;
        });
        if (spare != m_spares.end()) {
            spare->lastUsed = m_stretch;
            keycodeOf.insert(stroke.keysym, spare->keycode);
        } else {
            missing.append(stroke.keysym);
        }
    }
    QList<SpareKey *> changed;
    for (const unsigned long keysym : std::as_const(missing)) {
        // Least recently used first; keys pinned by this stretch are never taken.
        SpareKey *victim = nullptr;
        for (SpareKey &key : m_spares) {
            if (key.lastUsed != m_stretch && (!victim || key.lastUsed < victim->lastUsed))
                victim = &key;
        }
        victim->keysym = keysym;
        victim->lastUsed = m_stretch;
        keycodeOf.insert(keysym, victim->keycode);
        changed.append(victim);
    }
    if (!changed.isEmpty())
        remap(changed);
    for (qsizetype i = begin; i < end; ++i) {
        Stroke &stroke = strokes[i];
        if (stroke.binding.keycode == 0)
            stroke.binding = {keycodeOf.value(stroke.keysym), 0};
    }
}

void X11Keyboard::remap(const QList<SpareKey *> &keys)
{
    Display *display = m_connection->display();
    settleAfterTyping();
    // One XKB request for the whole batch: every change makes clients fetch and
    // rebuild their keymap, so one notification instead of one per key keeps them
    // quick to catch up.
    const std::unique_ptr<XkbDescRec, void (*)(XkbDescPtr)> xkb(
        XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd),
        [](XkbDescPtr map) { XkbFreeKeyboard(map, 0, True); });
    if (!xkb)
        return;
    XkbMapChangesRec changes{};
    unsigned first = xkb->max_key_code;
    unsigned last = xkb->min_key_code;
    for (const SpareKey *key : keys) {
        // A one-level key: no modifier, Shift included, changes what it types.
        int types[XkbNumKbdGroups] = {XkbOneLevelIndex};
        XkbChangeTypesOfKey(xkb.get(), int(key->keycode), key->keysym ? 1 : 0, XkbGroup1Mask, types,
                            &changes);
        if (key->keysym) {
            if (KeySym *symbols = XkbResizeKeySyms(xkb.get(), int(key->keycode), 1))
                symbols[0] = key->keysym;
        }
        first = std::min(first, key->keycode);
        last = std::max(last, key->keycode);
    }
    changes.changed = XkbKeySymsMask;
    changes.first_key_sym = KeyCode(first);
    changes.num_key_syms = last - first + 1;
    XkbChangeMap(display, xkb.get(), &changes);
    XSync(display, False);
    waitForFocusedClient();
}

void X11Keyboard::settleAfterTyping()
{
    if (!m_spareKeysTyped)
        return;
    holdModifiers(0);
    waitForFocusedClient();
    m_spareKeysTyped = false;
}

unsigned long X11Keyboard::pingTarget()
{
    Display *display = m_connection->display();
    const Atom ping = atom(display, "_NET_WM_PING");
    Window window = None;
    int revert = 0;
    XGetInputFocus(display, &window, &revert);
    for (; window != None && window != PointerRoot; window = parentOf(display, window)) {
        Atom *protocols = nullptr;
        int count = 0;
        bool answers = false;
        if (XGetWMProtocols(display, window, &protocols, &count)) {
            answers = std::find(protocols, protocols + count, ping) != protocols + count;
            XFree(protocols);
        }
        // Our own windows cannot answer while we type: we hold their thread.
        if (answers)
            return windowPid(display, window) == getpid() ? None : window;
    }
    return None;
}

void X11Keyboard::waitForFocusedClient()
{
    Display *display = m_connection->display();
    const Window target = pingTarget();
    if (target == None) {
        XSync(display, False);
        QThread::msleep(kSettleMs);
        return;
    }
    // The client answers a ping after it has handled every event queued before it,
    // so the answer means our keys were read and the new keymap fetched. Toolkits
    // send the answer to the root window with differing masks: listen for both.
    const Window root = DefaultRootWindow(display);
    const Atom protocols = atom(display, "WM_PROTOCOLS");
    const Atom ping = atom(display, "_NET_WM_PING");
    const long serial = long(++m_pingSerial);
    XSelectInput(display, root, StructureNotifyMask | SubstructureNotifyMask);
    sendClientMessage(display, target, NoEventMask, target, protocols,
                      {long(ping), serial, long(target)});
    XFlush(display);
    QElapsedTimer waited;
    waited.start();
    bool answered = false;
    while (!answered && waited.elapsed() < kClientWaitMs) {
        if (XPending(display) == 0) {
            pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
            ::poll(&descriptor, 1, kEventPollMs);
            continue;
        }
        XEvent event{};
        XNextEvent(display, &event);
        answered = event.type == ClientMessage && event.xclient.message_type == protocols &&
                   event.xclient.data.l[0] == long(ping) && event.xclient.data.l[1] == serial;
    }
    XSelectInput(display, root, NoEventMask);
    XSync(display, True); // drop the root events gathered meanwhile
}

void X11Keyboard::pressStroke(const Stroke &stroke)
{
    Display *display = m_connection->display();
    holdModifiers(stroke.binding.modifiers | stroke.heldModifiers);
    for (int i = 0; i < stroke.count; ++i) {
        XTestFakeKeyEvent(display, stroke.binding.keycode, True, CurrentTime);
        XTestFakeKeyEvent(display, stroke.binding.keycode, False, CurrentTime);
    }
    if (std::any_of(m_spares.cbegin(), m_spares.cend(),
                    [&](const SpareKey &key) { return key.keycode == stroke.binding.keycode; })) {
        m_spareKeysTyped = true;
    }
}

void X11Keyboard::holdModifiers(unsigned mask)
{
    Display *display = m_connection->display();
    for (int index = 0; index < kModifierCount; ++index) {
        const unsigned bit = 1u << index;
        const unsigned keycode = m_keymap.modifierKeycode(index);
        if ((m_held & bit) && !(mask & bit) && keycode != 0)
            XTestFakeKeyEvent(display, keycode, False, CurrentTime);
    }
    for (int index = 0; index < kModifierCount; ++index) {
        const unsigned bit = 1u << index;
        const unsigned keycode = m_keymap.modifierKeycode(index);
        if (!(m_held & bit) && (mask & bit) && keycode != 0)
            XTestFakeKeyEvent(display, keycode, True, CurrentTime);
    }
    m_held = mask;
}

void X11Keyboard::restoreSpareKeycodes()
{
    m_restoreTimer.stop();
    if (!m_connection->display() ||
        std::none_of(m_spares.cbegin(), m_spares.cend(),
                     [](const SpareKey &key) { return key.keysym != 0; }))
        return;
    settleAfterTyping();
    refreshSpareKeys();
    QList<SpareKey *> mapped;
    for (SpareKey &key : m_spares) {
        if (key.keysym != 0) {
            key.keysym = 0;
            mapped.append(&key);
        }
    }
    if (!mapped.isEmpty())
        remap(mapped);
}

} // namespace korvane
