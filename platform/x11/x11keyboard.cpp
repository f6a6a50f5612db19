// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11keyboard.h"
#include "terminationsignals.h"
#include "x11connection.h"
#include "x11properties.h"

#include <QSet>
#include <QThread>

#include <algorithm>
#include <array>
#include <memory>

#include <cerrno>

#include <poll.h>
#include <signal.h>
#include <unistd.h>

// Xlib macros (Bool, Status, None) clash with Qt: X11 headers come last.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
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
// client that does not answer within this time is not waited for any longer. On a
// loaded machine a healthy client can take over a second to answer.
constexpr int kClientWaitMs = 5000;
// Modifier keys the user holds would change what our keys type.
constexpr int kModifierWaitMs = 2000;
constexpr int kModifierPollMs = 10;
// How long one look for the ping's answer sleeps when none has come yet.
constexpr int kEventPollMs = 10;
// Remapped keycodes stay mapped this long after the last keys, so the next
// keystroke line can reuse them, then the map is put back as it was.
constexpr int kRestoreDelayMs = 1000;
// A keystroke line is read and typed this many actions at a time.
constexpr qsizetype kActionsPerBatch = 4096;
// A refusal names this many of the characters it refuses.
constexpr qsizetype kNamedInRefusal = 5;
// The root window's record of borrowed spare keycodes: pairs of a process id and
// a keycode, 32-bit cardinals.
constexpr char kBorrowedMark[] = "_KORVANE_BORROWED_KEYCODES";

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

// Puts `keysyms` on their keycodes (0: no symbol at all) in one XKB request: every
// change makes clients fetch and rebuild their keymap, so one notification
// instead of one per key keeps them quick to catch up.
void changeKeysyms(Display *display, const QList<std::pair<unsigned, unsigned long>> &keysyms)
{
    const std::unique_ptr<XkbDescRec, void (*)(XkbDescPtr)> xkb(
        XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd),
        [](XkbDescPtr map) { XkbFreeKeyboard(map, 0, True); });
    if (!xkb)
        return;
    XkbMapChangesRec changes{};
    unsigned first = xkb->max_key_code;
    unsigned last = xkb->min_key_code;
    for (const auto &[keycode, keysym] : keysyms) {
        // A one-level key: no modifier, Shift included, changes what it types.
        int types[XkbNumKbdGroups] = {XkbOneLevelIndex};
        XkbChangeTypesOfKey(xkb.get(), int(keycode), keysym ? 1 : 0, XkbGroup1Mask, types,
                            &changes);
        if (keysym) {
            if (KeySym *symbols = XkbResizeKeySyms(xkb.get(), int(keycode), 1))
                symbols[0] = keysym;
        }
        first = std::min(first, keycode);
        last = std::max(last, keycode);
    }
    changes.changed = XkbKeySymsMask;
    changes.first_key_sym = KeyCode(first);
    changes.num_key_syms = last - first + 1;
    XkbChangeMap(display, xkb.get(), &changes);
}

bool processAlive(unsigned long pid)
{
    return pid != 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

void writeBorrowedMark(Display *display, const QList<unsigned long> &marks)
{
    const Window root = DefaultRootWindow(display);
    if (marks.isEmpty()) {
        XDeleteProperty(display, root, atom(display, kBorrowedMark));
        return;
    }
    QList<long> items(marks.cbegin(), marks.cend()); // Xlib takes 32-bit items as longs
    XChangeProperty(display, root, atom(display, kBorrowedMark), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(items.constData()), int(items.size()));
}

// How a refusal names what it refuses: "é" (U+00E9), U+0001, {F16}.
QString describeRefused(const KeyAction &action)
{
    if (action.kind == KeyAction::Kind::Special)
        return u'{' + specialKeyName(action.key) + u'}';
    const QString code =
        QStringLiteral("U+%1").arg(uint(action.character), 4, 16, QLatin1Char('0')).toUpper();
    if (isControlCharacter(action.character))
        return code;
    return u'"' + QStringView(QChar::fromUcs4(action.character)).toString() +
           QStringLiteral("\" (") + code + u')';
}

} // namespace

X11Keyboard::X11Keyboard(std::shared_ptr<X11Connection> connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection ? std::move(connection) : std::make_shared<X11Connection>())
{
    m_restoreTimer.setSingleShot(true);
    m_restoreTimer.setInterval(kRestoreDelayMs);
    connect(&m_restoreTimer, &QTimer::timeout, this, &X11Keyboard::restoreKeymap);
    // A run killed while typing left its borrowed keycodes marked on the display:
    // they are given back now, even if this run never types.
    if (Display *display = m_connection->display(); display && m_keymap.load(display, {}))
        reclaimAbandonedKeycodes();
}

X11Keyboard::~X11Keyboard()
{
    restoreKeymap();
}

QString X11Keyboard::unavailableReason() const
{
    return m_connection->unavailableReason();
}

bool X11Keyboard::sendKeys(const QString &notation, bool wait)
{
    Display *display = m_connection->display();
    m_lastFailure = display ? refusal(notation) : unavailableReason();
    if (!m_lastFailure.isEmpty())
        return false;
    m_restoreTimer.stop();
    const bool complete = typeLine(notation);
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
        m_lastFailure = QStringLiteral("some keys were not typed: another program took every spare "
                                       "keycode meanwhile");
    return complete;
}

// Why `notation` must not be typed at all, read through once with the keyboard
// map as it is now: a malformed line, or keys that no key of the map and no spare
// keycode can type. Empty when it may be typed.
QString X11Keyboard::refusal(const QString &notation)
{
    refreshSpareKeys();
    QStringList noKey;
    QStringList noSpare;
    const auto note = [](QStringList &list, const KeyAction &action) {
        const QString named = describeRefused(action);
        if (list.size() < kNamedInRefusal && !list.contains(named))
            list.append(named);
    };
    SendKeysReader reader(notation);
    while (const std::optional<KeyAction> action = reader.next()) {
        const Stroke stroke = strokeFor(*action);
        if (stroke.keysym == NoSymbol)
            note(noKey, *action);
        else if (stroke.binding.keycode == 0 && m_spares.isEmpty())
            note(noSpare, *action);
    }
    if (!reader.error().isEmpty())
        return reader.error();
    if (!noKey.isEmpty())
        return QStringLiteral("no key types ") + noKey.join(QStringLiteral(", "));
    if (!noSpare.isEmpty())
        return QStringLiteral("no spare keycode left to type ") +
               noSpare.join(QStringLiteral(", ")) +
               QStringLiteral(": every keycode of the keyboard map is in use");
    return {};
}

// Types the line a batch of actions at a time, read as it goes, so that a line of
// megabytes never becomes a list of megabytes.
bool X11Keyboard::typeLine(const QString &notation)
{
    waitForModifierRelease();
    SendKeysReader reader(notation);
    QList<KeyAction> batch;
    bool complete = true;
    for (;;) {
        const std::optional<KeyAction> action = reader.next();
        if (action)
            batch.append(*action);
        // Caps Lock and Num Lock change what later keys type: the keys after one
        // are planned with the keyboard state read anew.
        const bool lock =
            action && action->kind == KeyAction::Kind::Special &&
            (action->key == SpecialKey::CapsLock || action->key == SpecialKey::NumLock);
        if (action && !lock && batch.size() < kActionsPerBatch)
            continue;
        complete = typeStrokes(batch) && complete;
        batch.clear();
        if (!action)
            return complete;
        if (lock) {
            holdModifiers(0);
            XSync(m_connection->display(), False);
            refreshSpareKeys();
        }
    }
}

bool X11Keyboard::typeStrokes(const QList<KeyAction> &actions)
{
    QList<Stroke> strokes;
    strokes.reserve(actions.size());
    bool complete = true;
    for (const KeyAction &action : actions) {
        const Stroke stroke = strokeFor(action);
        if (stroke.keysym == NoSymbol)
            complete = false; // refused before typing began; kept out all the same
        else
            strokes.append(stroke);
    }
    qsizetype begin = 0;
    while (begin < strokes.size()) {
        if (m_spares.isEmpty() && strokes.at(begin).binding.keycode == 0) {
            // Every spare keycode was taken since the line was checked.
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
    if (reclaimAbandonedKeycodes())
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

// Gives back the spare keycodes that a run which ended without restoring them
// (killed) left mapped, as the root window's mark lists them. True when some were.
bool X11Keyboard::reclaimAbandonedKeycodes()
{
    Display *display = m_connection->display();
    const QList<unsigned long> marks =
        listProperty(display, DefaultRootWindow(display), kBorrowedMark, XA_CARDINAL);
    for (qsizetype i = 0; i + 1 < marks.size(); i += 2) {
        if (!processAlive(marks.at(i)))
            return giveBackMarked([](unsigned long pid, unsigned) { return !processAlive(pid); });
    }
    return false;
}

// Clears the marked keycodes `givenBack` chooses (by owner and keycode) and takes
// their marks off, while no other client can change the mark. A keycode is
// cleared only while it holds the one symbol we map and no other mark names it: a
// new layout may have given it a meaning of its own, or another run taken it.
// True when a keycode was cleared.
bool X11Keyboard::giveBackMarked(const std::function<bool(unsigned long, unsigned)> &givenBack)
{
    Display *display = m_connection->display();
    XGrabServer(display);
    const QList<unsigned long> marks =
        listProperty(display, DefaultRootWindow(display), kBorrowedMark, XA_CARDINAL);
    QList<unsigned long> kept;
    QList<unsigned> returned;
    for (qsizetype i = 0; i + 1 < marks.size(); i += 2) {
        if (givenBack(marks.at(i), unsigned(marks.at(i + 1))))
            returned.append(unsigned(marks.at(i + 1)));
        else
            kept << marks.at(i) << marks.at(i + 1);
    }
    QList<std::pair<unsigned, unsigned long>> cleared;
    for (const unsigned keycode : std::as_const(returned)) {
        const QList<unsigned long> symbols = m_keymap.symbolsOf(keycode);
        bool markedByOthers = false;
        for (qsizetype i = 1; i < kept.size(); i += 2)
            markedByOthers = markedByOthers || kept.at(i) == keycode;
        if (!markedByOthers && symbols.size() == 1 && symbols.constFirst() != NoSymbol &&
            !cleared.contains(std::pair<unsigned, unsigned long>{keycode, 0}))
            cleared.append({keycode, 0});
    }
    writeBorrowedMark(display, kept);
    if (!cleared.isEmpty())
        changeKeysyms(display, cleared);
    XUngrabServer(display);
    XSync(display, False);
    return !cleared.isEmpty();
}

void X11Keyboard::markBorrowed(const QList<SpareKey *> &keys)
{
    QList<long> marks;
    for (const SpareKey *key : keys) {
        if (key->keysym != 0 && !m_marked.contains(key->keycode)) {
            marks << long(::getpid()) << long(key->keycode);
            m_marked.append(key->keycode);
        }
    }
    if (marks.isEmpty())
        return;
    Display *display = m_connection->display();
    // Appending is one request: marks other runs append meanwhile are kept.
    XChangeProperty(display, DefaultRootWindow(display), atom(display, kBorrowedMark), XA_CARDINAL,
                    32, PropModeAppend, reinterpret_cast<const unsigned char *>(marks.constData()),
                    int(marks.size()));
}

void X11Keyboard::waitForModifierRelease()
{
    Display *display = m_connection->display();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kModifierWaitMs) {
        endIfTerminationRequested();
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

X11Keyboard::Stroke X11Keyboard::strokeFor(const KeyAction &action) const
{
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
        stroke.keysym = keysymForControl(action.character); // NoSymbol: no key types it
        binding = m_keymap.forKeysym(stroke.keysym);
    } else {
        stroke.keysym = xkb_utf32_to_keysym(action.character);
        binding = m_keymap.forCharacter(action.character);
    }
    if (binding)
        stroke.binding = *binding;
    return stroke;
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
    markBorrowed(keys);
    QList<std::pair<unsigned, unsigned long>> keysyms;
    for (const SpareKey *key : keys)
        keysyms.append({key->keycode, key->keysym});
    changeKeysyms(display, keysyms);
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
        endIfTerminationRequested();
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
        endIfTerminationRequested();
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

void X11Keyboard::restoreKeymap()
{
    m_restoreTimer.stop();
    // Every keycode we map is marked first: no mark, nothing to give back (and no
    // display to open for it).
    if (m_marked.isEmpty() || !m_connection->display())
        return;
    settleAfterTyping();
    refreshSpareKeys();
    // By the mark rather than by the spare keys' state, which a stop in the middle
    // of a remap leaves ahead of the display's.
    const pid_t self = ::getpid();
    giveBackMarked([this, self](unsigned long pid, unsigned keycode) {
        return pid == static_cast<unsigned long>(self) && m_marked.contains(keycode);
    });
    m_marked.clear();
    for (SpareKey &key : m_spares)
        key.keysym = 0;
}

} // namespace korvane
