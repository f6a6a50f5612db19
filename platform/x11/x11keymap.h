// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// X11 backend: a snapshot of the X keyboard map in its current group, answering
// "which key, with which modifiers, types this character or key symbol".

#include <QHash>
#include <QList>

#include <array>
#include <optional>

struct _XDisplay;

namespace korvane {

// X has eight modifier bits: Shift, Lock, Control and Mod1 to Mod5.
inline constexpr int kModifierCount = 8;

// Characters that no key prints: they are typed as the key that makes them, if any.
inline bool isControlCharacter(char32_t c)
{
    return c < 0x20 || c == 0x7f;
}

struct KeyBinding
{
    unsigned keycode = 0;
    unsigned modifiers = 0; // X modifier mask to hold while pressing the key
};

class X11Keymap
{
public:
    // Reads the map, the modifier map and the keyboard state. Keycodes in
    // `excluded` (the spare keycodes remapped by us) are left out of the lookups.
    bool load(_XDisplay *display, const QList<unsigned> &excluded);

    std::optional<KeyBinding> forCharacter(char32_t character) const;
    std::optional<KeyBinding> forKeysym(unsigned long keysym) const;

    // Keycodes without any symbol and outside the modifier map: free for remapping.
    const QList<unsigned> &emptyKeycodes() const { return m_empty; }
    // The symbols a keycode carries in its first group (to recognise our remaps).
    QList<unsigned long> symbolsOf(unsigned keycode) const { return m_symbols.value(keycode); }

    // A keycode that sets modifier bit `index` (0 Shift ... 7 Mod5), 0 if none.
    unsigned modifierKeycode(int index) const { return m_modifierKeys.at(index); }
    // The X mask of the modifier that Alt keys set (usually Mod1).
    unsigned altMask() const { return m_altMask; }
    // Every keycode that acts as a modifier, to watch for keys the user holds.
    const QList<unsigned> &modifierKeycodes() const { return m_allModifierKeys; }

private:
    QHash<char32_t, KeyBinding> m_characters;
    QHash<unsigned long, KeyBinding> m_keysyms;
    QHash<unsigned, QList<unsigned long>> m_symbols;
    QList<unsigned> m_empty;
    std::array<unsigned, kModifierCount> m_modifierKeys{};
    QList<unsigned> m_allModifierKeys;
    unsigned m_altMask = 0;
};

} // namespace korvane
