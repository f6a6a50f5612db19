// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The keymap Korvane uploads to a virtual keyboard: five modifier keys at fixed
// keycodes and a pool of keys that each carry one key symbol, handed out as the
// text to type needs them. Any Unicode character thus gets a key of its own,
// whatever the user's layout.

#include <QByteArray>
#include <QList>

#include <cstdint>

namespace korvane {

class VirtualKeymap
{
public:
    enum class Modifier { Shift, Control, Alt, CapsLock, NumLock };

    // XKB keycodes stop at 255 so that XWayland, which cannot go higher, still
    // sees every key; the five below the pool hold the modifiers.
    static constexpr unsigned kFirstKeycode = 9;
    static constexpr unsigned kLastKeycode = 255;
    static constexpr int kModifierCount = 5;
    static constexpr int kCapacity = int(kLastKeycode - kFirstKeycode + 1) - kModifierCount;

    VirtualKeymap();

    static unsigned keycodeOf(Modifier modifier);
    // The XKB modifier mask in this keymap of a set of modifiers (bits numbered
    // by Modifier), for the modifier state a compositor is told.
    static uint32_t modifierMask(unsigned modifiers);
    // The key carrying `keysym`, 0 when none does.
    unsigned keycodeOf(uint32_t keysym) const;

    // Gives every symbol of `keysyms` a key, taking back the keys used longest
    // ago. False (and nothing changes) when there are more distinct symbols than
    // the pool holds. `changed` tells whether a key got a new symbol, so that the
    // keymap must be uploaded again.
    bool assign(const QList<uint32_t> &keysyms, bool &changed);

    // The keymap in XKB's text format, ready to upload.
    QByteArray text() const;

private:
    struct Slot
    {
        uint32_t keysym = 0; // 0 while unused
        quint64 lastUse = 0;
    };
    QList<Slot> m_slots;
    quint64 m_round = 0;
};

} // namespace korvane
