// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The SendKeys notation of keystroke lines, parsed into key actions for every
// keystroke backend. Pure logic: no display is needed, so the engine and its tests
// can use it anywhere.

#include <QFlags>
#include <QList>
#include <QString>

#include <optional>

namespace korvane {

enum class SpecialKey {
    Backspace,
    Break,
    CapsLock,
    Delete,
    Down,
    End,
    Enter,
    Escape,
    Help,
    Home,
    Insert,
    Left,
    NumLock,
    PageDown,
    PageUp,
    PrintScreen,
    Right,
    ScrollLock,
    Tab,
    Up,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    F13,
    F14,
    F15,
    F16,
};

enum class KeyModifier { Shift = 1, Control = 2, Alt = 4 };
Q_DECLARE_FLAGS(KeyModifiers, KeyModifier)
Q_DECLARE_OPERATORS_FOR_FLAGS(KeyModifiers)

// One key typed `count` times with `modifiers` held: either a character of text
// (any Unicode code point) or a named special key. Repeats stay one action, so a
// huge count costs no memory.
struct KeyAction
{
    enum class Kind { Character, Special };

    Kind kind = Kind::Character;
    char32_t character = 0;
    SpecialKey key = SpecialKey::Enter;
    KeyModifiers modifiers;
    int count = 1;

    bool operator==(const KeyAction &other) const = default;
};

// "{KEY n}" repeats are capped here: a larger count types the key this many times.
// At typing speed that is still several seconds of keys, and a mistyped count of
// millions cannot freeze the desktop for minutes.
inline constexpr int kMaxKeyRepeat = 10000;

struct SendKeysParse
{
    QList<KeyAction> actions; // empty when the notation is malformed
    QString error;            // why it is malformed; empty on success

    bool ok() const { return error.isEmpty(); }
};

// Reads a keystroke line's actions one at a time, holding none of them, so that a
// line of megabytes costs no more than the line itself. A backend that types as it
// reads must first read the line through once: only a line that reads to its end
// without an error may be typed.
class SendKeysReader
{
public:
    // `notation` must outlive the reader.
    explicit SendKeysReader(QStringView notation)
        : m_text(notation)
    {
    }

    // The next action; nothing at the end of the line or at an error.
    std::optional<KeyAction> next();
    // Why the line is malformed; empty while it is not.
    const QString &error() const { return m_error; }

private:
    char32_t read();
    std::optional<KeyAction> fail(const QString &why);
    std::optional<KeyAction> braced(qsizetype column);
    KeyModifiers held() const;

    QStringView m_text;
    qsizetype m_pos = 0;          // in UTF-16 units
    qsizetype m_column = 0;       // characters read so far, for messages
    QList<KeyModifiers> m_groups; // modifiers held by each open parenthesis
    KeyModifiers m_pending;       // modifiers waiting for the next key or group
    QString m_error;
    bool m_done = false;
};

// Parses a keystroke line. A malformed line (unbalanced braces or parentheses, an
// unknown key name, a bad repeat count, a modifier with nothing to act on) gives an
// error and no actions at all: nothing of it may be typed.
SendKeysParse parseSendKeys(const QString &notation);

// The canonical brace name of a special key ("ENTER", "PGDN", "F12").
QString specialKeyName(SpecialKey key);
// The key named inside braces, ignoring case and accepting the aliases (BS, DEL...).
std::optional<SpecialKey> specialKeyFromName(const QString &name);

// A readable form of actions, for test failures and logs: "+a", "^%{F4}", "{BS 3}".
QString describeKeyActions(const QList<KeyAction> &actions);

} // namespace korvane
