// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11keymap.h"

#include <algorithm>
#include <bit>
#include <memory>

// Xlib macros (Bool, Status, None) clash with Qt: X11 headers come last.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

namespace korvane {

namespace {

struct XkbFree
{
    void operator()(XkbDescPtr xkb) const { XkbFreeKeyboard(xkb, 0, True); }
};

bool isLockKeysym(KeySym keysym)
{
    return keysym == XK_Caps_Lock || keysym == XK_Shift_Lock || keysym == XK_Num_Lock ||
           keysym == XK_Scroll_Lock || keysym == XK_ISO_Lock || keysym == XK_ISO_Level3_Lock ||
           keysym == XK_ISO_Level5_Lock;
}

// The group a key actually uses when the keyboard is in `group`, following the
// key's rule for groups it does not have.
int effectiveGroup(XkbDescPtr xkb, unsigned keycode, int group)
{
    const int groups = XkbKeyNumGroups(xkb, keycode);
    if (groups == 0)
        return -1;
    if (group < groups)
        return group;
    const unsigned char info = XkbKeyGroupInfo(xkb, keycode);
    switch (XkbOutOfRangeGroupAction(info)) {
    case XkbClampIntoRange:
        return groups - 1;
    case XkbRedirectIntoRange: {
        const int target = XkbOutOfRangeGroupNumber(info);
        return target < groups ? target : 0;
    }
    default:
        return group % groups;
    }
}

// The shift level a key type selects for the modifier state `mods`.
int levelFor(const XkbKeyTypeRec &type, unsigned mods)
{
    const unsigned relevant = mods & type.mods.mask;
    for (int i = 0; i < type.map_count; ++i) {
        const XkbKTMapEntryRec &entry = type.map[i];
        if (entry.active && entry.mods.mask == relevant)
            return entry.level;
    }
    return 0;
}

// A character a key symbol types, or 0 for keys that type no text of their own
// (function and keypad keys, dead keys, control characters).
char32_t textOf(KeySym keysym)
{
    // The block of function, cursor, keypad and modifier keys.
    constexpr KeySym kFunctionBlockFirst = 0xff00;
    constexpr KeySym kFunctionBlockLast = 0xffff;
    if (keysym >= kFunctionBlockFirst && keysym <= kFunctionBlockLast)
        return 0;
    const char32_t c = xkb_keysym_to_utf32(keysym);
    return isControlCharacter(c) ? 0 : c;
}

template<typename Key>
void keepCheapest(QHash<Key, KeyBinding> &table, Key key, const KeyBinding &binding)
{
    const auto found = table.constFind(key);
    if (found == table.cend() || std::popcount(binding.modifiers) < std::popcount(found->modifiers))
        table.insert(key, binding);
}

} // namespace

bool X11Keymap::load(Display *display, const QList<unsigned> &excluded)
{
    m_characters.clear();
    m_keysyms.clear();
    m_symbols.clear();
    m_empty.clear();
    m_modifierKeys.fill(0);
    m_allModifierKeys.clear();
    m_altMask = 0;

    const std::unique_ptr<XkbDescRec, XkbFree> xkb(
        XkbGetMap(display, XkbAllClientInfoMask, XkbUseCoreKbd));
    XkbStateRec state{};
    if (!xkb || XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return false;
    const unsigned lockedMods = state.locked_mods | state.latched_mods;

    // Modifier keys first: the lookups below only use modifiers we can press.
    for (unsigned keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        const unsigned bits = xkb->map->modmap[keycode];
        if (bits == 0)
            continue;
        m_allModifierKeys.append(keycode);
        const KeySym keysym = XkbKeyNumSyms(xkb.get(), keycode) > 0
                                  ? XkbKeySymEntry(xkb.get(), keycode, 0, 0)
                                  : NoSymbol;
        if (isLockKeysym(keysym) || keysym == NoSymbol)
            continue;
        const bool preferred = keysym == XK_Shift_L || keysym == XK_Control_L ||
                               keysym == XK_Alt_L || keysym == XK_ISO_Level3_Shift;
        for (int index = 0; index < kModifierCount; ++index) {
            if ((bits & (1u << index)) && (m_modifierKeys[index] == 0 || preferred))
                m_modifierKeys[index] = keycode;
        }
        if ((keysym == XK_Alt_L || keysym == XK_Alt_R) && m_altMask == 0)
            m_altMask = 1u << std::countr_zero(bits);
    }
    unsigned pressable = 0;
    for (int index = 0; index < kModifierCount; ++index) {
        if (m_modifierKeys[index] != 0)
            pressable |= 1u << index;
    }

    for (unsigned keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        const int symbolCount = XkbKeyNumSyms(xkb.get(), keycode);
        QList<unsigned long> symbols;
        if (XkbKeyNumGroups(xkb.get(), keycode) > 0) {
            const int levels = XkbKeyGroupWidth(xkb.get(), keycode, 0);
            for (int level = 0; level < levels; ++level)
                symbols.append(XkbKeySymEntry(xkb.get(), keycode, level, 0));
        }
        m_symbols.insert(keycode, symbols);
        if (excluded.contains(keycode))
            continue;
        const bool hasSymbols =
            symbolCount > 0 && std::any_of(symbols.cbegin(), symbols.cend(),
                                           [](unsigned long s) { return s != NoSymbol; });
        if (!hasSymbols) {
            if (xkb->map->modmap[keycode] == 0)
                m_empty.append(keycode);
            continue;
        }
        const int group = effectiveGroup(xkb.get(), keycode, state.group);
        if (group < 0)
            continue;
        const XkbKeyTypeRec &type = *XkbKeyKeyType(xkb.get(), keycode, group);
        // Try no modifiers and each modifier combination the key type knows, in the
        // light of locked modifiers such as Caps Lock.
        QList<unsigned> candidates{0};
        for (int i = 0; i < type.map_count; ++i) {
            if (type.map[i].active && !candidates.contains(type.map[i].mods.mask))
                candidates.append(type.map[i].mods.mask);
        }
        for (const unsigned mods : candidates) {
            if ((mods & ~pressable) != 0)
                continue;
            const int level = levelFor(type, mods | lockedMods);
            if (level >= type.num_levels)
                continue;
            const KeySym keysym = XkbKeySymEntry(xkb.get(), keycode, level, group);
            if (keysym == NoSymbol)
                continue;
            const KeyBinding binding{keycode, mods};
            keepCheapest(m_keysyms, static_cast<unsigned long>(keysym), binding);
            if (const char32_t c = textOf(keysym))
                keepCheapest(m_characters, c, binding);
        }
    }
    return true;
}

std::optional<KeyBinding> X11Keymap::forCharacter(char32_t character) const
{
    const auto found = m_characters.constFind(character);
    return found == m_characters.cend() ? std::nullopt : std::optional(*found);
}

std::optional<KeyBinding> X11Keymap::forKeysym(unsigned long keysym) const
{
    const auto found = m_keysyms.constFind(keysym);
    return found == m_keysyms.cend() ? std::nullopt : std::optional(*found);
}

} // namespace korvane
