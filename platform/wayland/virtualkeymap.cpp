// SPDX-License-Identifier: GPL-3.0-or-later
#include "virtualkeymap.h"

#include <QHash>
#include <QSet>

#include <xkbcommon/xkbcommon.h>

namespace korvane {

namespace {

constexpr const char *kModifierKeysyms[VirtualKeymap::kModifierCount] = {
    "Shift_L", "Control_L", "Alt_L", "Caps_Lock", "Num_Lock"};

QByteArray keysymName(uint32_t keysym)
{
    char name[64];
    if (xkb_keysym_get_name(keysym, name, sizeof name) <= 0)
        return QByteArray("0x") + QByteArray::number(keysym, 16);
    return name;
}

// The keys of the keyboard's function block (0xFF00-0xFFFF): editing, cursor,
// function and modifier keys.
bool isFunctionKeysym(uint32_t keysym)
{
    return (keysym & 0xFFFFFF00u) == 0xFF00u;
}

} // namespace

VirtualKeymap::VirtualKeymap()
    : m_slots(kCapacity)
{
}

unsigned VirtualKeymap::keycodeOf(Modifier modifier)
{
    return kFirstKeycode + unsigned(modifier);
}

uint32_t VirtualKeymap::modifierMask(unsigned modifiers)
{
    // The keymap names no virtual modifiers, so the real ones keep XKB's order:
    // Shift, Lock, Control, Mod1 (Alt), Mod2 (Num Lock).
    constexpr uint32_t kMasks[kModifierCount] = {1u << 0, 1u << 2, 1u << 3, 1u << 1, 1u << 4};
    uint32_t mask = 0;
    for (int i = 0; i < kModifierCount; ++i) {
        if (modifiers & (1u << i))
            mask |= kMasks[i];
    }
    return mask;
}

unsigned VirtualKeymap::keycodeOf(uint32_t keysym) const
{
    for (qsizetype i = 0; i < m_slots.size(); ++i) {
        if (m_slots.at(i).keysym == keysym && keysym != 0)
            return kFirstKeycode + kModifierCount + unsigned(i);
    }
    return 0;
}

bool VirtualKeymap::assign(const QList<uint32_t> &keysyms, bool &changed)
{
    changed = false;
    // In the order given, each once: keys are handed out predictably.
    QList<uint32_t> wanted;
    QSet<uint32_t> seen;
    for (const uint32_t keysym : keysyms) {
        if (!seen.contains(keysym)) {
            seen.insert(keysym);
            wanted.append(keysym);
        }
    }
    if (wanted.size() > kCapacity)
        return false;
    ++m_round;
    QList<uint32_t> missing;
    for (const uint32_t keysym : wanted) {
        const unsigned keycode = keycodeOf(keysym);
        if (keycode != 0)
            m_slots[keycode - kFirstKeycode - kModifierCount].lastUse = m_round;
        else
            missing.append(keysym);
    }
    for (const uint32_t keysym : std::as_const(missing)) {
        // Unused keys first (their lastUse is 0), then the least recently used;
        // keys this round needs are never taken.
        Slot *victim = nullptr;
        for (Slot &slot : m_slots) {
            if (slot.lastUse != m_round && (!victim || slot.lastUse < victim->lastUse))
                victim = &slot;
        }
        victim->keysym = keysym;
        victim->lastUse = m_round;
        changed = true;
    }
    return true;
}

QByteArray VirtualKeymap::text() const
{
    QByteArray keycodes;
    QByteArray symbols;
    for (unsigned keycode = kFirstKeycode; keycode <= kLastKeycode; ++keycode)
        keycodes += "  <K" + QByteArray::number(keycode) + "> = " + QByteArray::number(keycode) + ";\n";
    for (int i = 0; i < kModifierCount; ++i) {
        symbols += "  key <K" + QByteArray::number(kFirstKeycode + i) + "> { [ " +
                   kModifierKeysyms[i] + " ] };\n";
    }
    for (qsizetype i = 0; i < m_slots.size(); ++i) {
        const uint32_t keysym = m_slots.at(i).keysym;
        if (keysym == 0)
            continue;
        const QByteArray name = "<K" + QByteArray::number(kFirstKeycode + kModifierCount + i) + ">";
        if (isFunctionKeysym(keysym)) {
            // Enter, Tab, arrows, F-keys: no modifier changes them and all are left
            // to the application, so Shift+Left still selects and Shift+Tab goes back.
            symbols += "  key " + name + " { type = \"ONE_LEVEL\", [ " + keysymName(keysym) + " ] };\n";
            continue;
        }
        // A character: Shift gives the capital of a small letter and leaves other
        // characters alone. Caps Lock is consumed by the key type, so clients never
        // apply it: it would turn ß into a symbol that types nothing.
        uint32_t capital = xkb_keysym_to_upper(keysym);
        if (xkb_keysym_to_utf32(capital) == 0 || xkb_keysym_to_lower(capital) != keysym)
            capital = keysym;
        symbols += "  key " + name + " { type = \"KORVANE_TEXT\", [ " + keysymName(keysym) + ", " +
                   keysymName(capital) + " ] };\n";
    }
    return "xkb_keymap {\n"
           "xkb_keycodes \"korvane\" {\n  minimum = 8;\n  maximum = 255;\n" +
           keycodes +
           "};\n"
           "xkb_types \"korvane\" {\n"
           "  type \"ONE_LEVEL\" { modifiers = none; level_name[Level1] = \"Any\"; };\n"
           "  type \"KORVANE_TEXT\" {\n"
           "    modifiers = Shift+Lock;\n"
           "    map[Shift] = Level2;\n"
           "    map[Lock] = Level1;\n"
           "    map[Shift+Lock] = Level2;\n"
           "    level_name[Level1] = \"Base\";\n"
           "    level_name[Level2] = \"Shift\";\n"
           "  };\n"
           "};\n"
           "xkb_compatibility \"korvane\" {\n"
           "  interpret Shift_L { action = SetMods(modifiers = Shift); };\n"
           "  interpret Control_L { action = SetMods(modifiers = Control); };\n"
           "  interpret Alt_L { action = SetMods(modifiers = Mod1); };\n"
           "  interpret Caps_Lock { action = LockMods(modifiers = Lock); };\n"
           "  interpret Num_Lock { action = LockMods(modifiers = Mod2); };\n"
           "};\n"
           "xkb_symbols \"korvane\" {\n" +
           symbols +
           "  modifier_map Shift { <K9> };\n"
           "  modifier_map Control { <K10> };\n"
           "  modifier_map Mod1 { <K11> };\n"
           "  modifier_map Lock { <K12> };\n"
           "  modifier_map Mod2 { <K13> };\n"
           "};\n"
           "};\n";
}

} // namespace korvane
