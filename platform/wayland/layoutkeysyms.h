// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which key symbols a remote-desktop session (mutter's own interface, or the
// RemoteDesktop portal of GNOME or KDE) can type in a keyboard layout. Such a
// session does not upload a keymap: the compositor, or the portal, looks the symbol
// up in the seat's layout and presses the key it finds, with Shift or AltGr for the
// second and third levels. A symbol the layout lacks is dropped (mutter 43) or
// logged and dropped (KDE's portal 5.27), and one found only on a fourth or higher
// level comes out as the key's first-level symbol: a wrong character. Both are
// refused before typing.

#include <QByteArray>
#include <QHash>
#include <QList>

#include <cstdint>
#include <memory>

struct xkb_keymap;

namespace korvane {

// How a session turns a key symbol into key presses.
enum class KeysymTranslation {
    // mutter 43 (GNOME, directly or through GNOME's portal): the first key in the
    // current group holding the symbol, in keycode order, on the lowest level;
    // Shift_L for the second level and ISO_Level3_Shift for the third, each looked
    // up the same way.
    Mutter,
    // xdg-desktop-portal-kde 5.27 (KDE Plasma): the same search in the layout's
    // first group, then the evdev keys Left Shift for the second level and Right
    // Alt for the third, whatever the layout makes of them.
    KdePortal,
};

class LayoutKeysyms
{
public:
    // `keymap` is the seat's keymap as XKB text, as Wayland clients receive it.
    LayoutKeysyms(const QByteArray &keymap, QList<KeysymTranslation> translations);
    ~LayoutKeysyms();

    // False when the keymap text does not compile.
    bool isValid() const { return m_keymap != nullptr; }
    // True when sending `keysym` types exactly that symbol under every translation.
    bool types(uint32_t keysym) const;

private:
    bool typesWith(uint32_t keysym, KeysymTranslation translation) const;

    std::unique_ptr<xkb_keymap, void (*)(xkb_keymap *)> m_keymap;
    QList<KeysymTranslation> m_translations;
    mutable QHash<uint32_t, bool> m_known; // keysyms already looked up
};

} // namespace korvane
