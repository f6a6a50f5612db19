// SPDX-License-Identifier: GPL-3.0-or-later
#include "layoutkeysyms.h"

#include <xkbcommon/xkbcommon.h>

#include <optional>

namespace korvane {

namespace {

// evdev key numbers plus the offset XKB keycodes carry.
constexpr xkb_keycode_t kEvdevOffset = 8;
constexpr xkb_keycode_t kLeftShiftKey = 42 + kEvdevOffset;
constexpr xkb_keycode_t kRightAltKey = 100 + kEvdevOffset;

struct KeyLevel
{
    xkb_keycode_t keycode = XKB_KEYCODE_INVALID;
    xkb_level_index_t level = 0;
};

// The key both translations pick for a symbol: keycodes in ascending order (the
// last one is never searched), levels in ascending order, first match.
std::optional<KeyLevel> findKey(xkb_keymap *keymap, xkb_layout_index_t layout, uint32_t keysym)
{
    const xkb_keycode_t max = xkb_keymap_max_keycode(keymap);
    for (xkb_keycode_t keycode = xkb_keymap_min_keycode(keymap); keycode < max; ++keycode) {
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, keycode, layout);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t *symbols = nullptr;
            const int count =
                xkb_keymap_key_get_syms_by_level(keymap, keycode, layout, level, &symbols);
            for (int i = 0; i < count; ++i) {
                if (symbols[i] == keysym)
                    return KeyLevel{keycode, level};
            }
        }
    }
    return std::nullopt;
}

void unrefKeymap(xkb_keymap *keymap)
{
    xkb_keymap_unref(keymap);
}

} // namespace

LayoutKeysyms::LayoutKeysyms(const QByteArray &keymap, QList<KeysymTranslation> translations)
    : m_keymap(nullptr, unrefKeymap)
    , m_translations(std::move(translations))
{
    if (keymap.isEmpty())
        return;
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES), xkb_context_unref);
    if (!context)
        return;
    m_keymap.reset(xkb_keymap_new_from_string(context.get(), keymap.constData(),
                                              XKB_KEYMAP_FORMAT_TEXT_V1,
                                              XKB_KEYMAP_COMPILE_NO_FLAGS));
}

LayoutKeysyms::~LayoutKeysyms() = default;

bool LayoutKeysyms::types(uint32_t keysym) const
{
    if (!m_keymap || keysym == XKB_KEY_NoSymbol)
        return false;
    const auto known = m_known.constFind(keysym);
    if (known != m_known.cend())
        return *known;
    bool typed = true;
    for (const KeysymTranslation translation : m_translations)
        typed = typed && typesWith(keysym, translation);
    m_known.insert(keysym, typed);
    return typed;
}

bool LayoutKeysyms::typesWith(uint32_t keysym, KeysymTranslation translation) const
{
    // Korvane's connection has no window, so it never learns the group the user
    // switched to: the first layout is the one assumed current.
    constexpr xkb_layout_index_t layout = 0;
    xkb_keymap *keymap = m_keymap.get();
    const std::optional<KeyLevel> key = findKey(keymap, layout, keysym);
    if (!key)
        return false;
    // The key held for the level, as the session presses it; none above the third.
    std::optional<xkb_keycode_t> levelKey;
    if (key->level == 1 || key->level == 2) {
        if (translation == KeysymTranslation::KdePortal) {
            levelKey = key->level == 1 ? kLeftShiftKey : kRightAltKey;
        } else {
            const uint32_t modifier = key->level == 1 ? XKB_KEY_Shift_L : XKB_KEY_ISO_Level3_Shift;
            if (const std::optional<KeyLevel> found = findKey(keymap, layout, modifier))
                levelKey = found->keycode;
        }
    }
    // Replay the presses on a fresh keyboard state and read what the key types.
    std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(xkb_state_new(keymap),
                                                                 xkb_state_unref);
    if (!state)
        return false;
    if (levelKey)
        xkb_state_update_key(state.get(), *levelKey, XKB_KEY_DOWN);
    return xkb_state_key_get_one_sym(state.get(), key->keycode) == keysym;
}

} // namespace korvane
