// SPDX-License-Identifier: GPL-3.0-or-later
#include "keysyms.h"

#include <QStringList>

#include <xkbcommon/xkbcommon.h>

namespace korvane {

namespace {

uint32_t keysymFor(SpecialKey key)
{
    switch (key) {
    case SpecialKey::Backspace:
        return XKB_KEY_BackSpace;
    case SpecialKey::Break:
        return XKB_KEY_Break;
    case SpecialKey::CapsLock:
        return XKB_KEY_Caps_Lock;
    case SpecialKey::Delete:
        return XKB_KEY_Delete;
    case SpecialKey::Down:
        return XKB_KEY_Down;
    case SpecialKey::End:
        return XKB_KEY_End;
    case SpecialKey::Enter:
        return XKB_KEY_Return;
    case SpecialKey::Escape:
        return XKB_KEY_Escape;
    case SpecialKey::Help:
        return XKB_KEY_Help;
    case SpecialKey::Home:
        return XKB_KEY_Home;
    case SpecialKey::Insert:
        return XKB_KEY_Insert;
    case SpecialKey::Left:
        return XKB_KEY_Left;
    case SpecialKey::NumLock:
        return XKB_KEY_Num_Lock;
    case SpecialKey::PageDown:
        return XKB_KEY_Next;
    case SpecialKey::PageUp:
        return XKB_KEY_Prior;
    case SpecialKey::PrintScreen:
        return XKB_KEY_Print;
    case SpecialKey::Right:
        return XKB_KEY_Right;
    case SpecialKey::ScrollLock:
        return XKB_KEY_Scroll_Lock;
    case SpecialKey::Tab:
        return XKB_KEY_Tab;
    case SpecialKey::Up:
        return XKB_KEY_Up;
    default:
        return XKB_KEY_F1 + uint32_t(int(key) - int(SpecialKey::F1));
    }
}

// Control characters in text (from "`U" data) type the key that makes them;
// other control characters have none.
uint32_t keysymForControl(char32_t c)
{
    switch (c) {
    case U'\n':
    case U'\r':
        return XKB_KEY_Return;
    case U'\t':
        return XKB_KEY_Tab;
    case U'\b':
        return XKB_KEY_BackSpace;
    case 0x1b:
        return XKB_KEY_Escape;
    default:
        return XKB_KEY_NoSymbol;
    }
}

// A readable name for a character in a message: the character and its code.
QString describeCharacter(char32_t c)
{
    const QString code = QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    if (c < 0x20 || c == 0x7f)
        return code;
    return QString::fromUcs4(&c, 1) + QLatin1String(" (") + code + QLatin1Char(')');
}

} // namespace

uint32_t keysymForAction(const KeyAction &action)
{
    if (action.kind == KeyAction::Kind::Special)
        return keysymFor(action.key);
    if (action.character < 0x20 || action.character == 0x7f)
        return keysymForControl(action.character);
    return xkb_utf32_to_keysym(action.character);
}

QString describeCharacters(const QList<char32_t> &characters)
{
    QStringList names;
    for (const char32_t c : characters)
        names.append(describeCharacter(c));
    return names.join(QLatin1String(", "));
}

} // namespace korvane
