// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Keystrokes on wlroots compositors (sway, Hyprland, river, Wayfire, labwc)
// through the virtual-keyboard protocol. The keyboard carries Korvane's own keymap
// (VirtualKeymap), so every character has a key whatever the user's layout.

#include "keyboard.h"
#include "sendkeys.h"
#include "virtualkeymap.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <memory>

struct zwp_virtual_keyboard_v1;

namespace korvane {

class WaylandConnection;

class WlrootsKeyboard : public QObject, public Keyboard
{
public:
    // Shares `connection` with the window activator; opens its own when null.
    explicit WlrootsKeyboard(std::shared_ptr<WaylandConnection> connection = {},
                             QObject *parent = nullptr);
    ~WlrootsKeyboard() override;

    bool sendKeys(const QString &notation, bool wait) override;

    // Why keys cannot be sent (no compositor, no virtual-keyboard protocol), empty
    // when they can.
    QString unavailableReason() const override;
    // Why the last sendKeys sent nothing or not everything; empty after success.
    QString lastFailure() const override { return m_lastFailure; }

private:
    struct Stroke
    {
        uint32_t keysym = 0;
        unsigned modifiers = 0; // bits of VirtualKeymap::Modifier held around it
        int count = 1;
    };

    bool ensureKeyboard();
    bool plan(const QList<KeyAction> &actions, QList<Stroke> &strokes);
    bool typeStretch(const QList<Stroke> &strokes, qsizetype begin, qsizetype end);
    bool uploadKeymap();
    void key(unsigned keycode, bool pressed);
    void holdModifiers(unsigned modifiers);
    void toggleLock(VirtualKeymap::Modifier lock);
    void sendModifierState();
    void pace(int events);

    std::shared_ptr<WaylandConnection> m_connection;
    zwp_virtual_keyboard_v1 *m_keyboard = nullptr;
    VirtualKeymap m_keymap;
    unsigned m_held = 0;   // Shift/Control/Alt held now, bits of VirtualKeymap::Modifier
    unsigned m_locked = 0; // Caps Lock and Num Lock locked by our keys
    int m_unflushed = 0;
    QElapsedTimer m_pacing;
    double m_tokens = 4200; // key events that may go out at once now
    QString m_lastFailure;
};

} // namespace korvane
