// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// X11 backend: keystrokes through XTest, with XKB telling which key and modifiers
// type each character in the current layout. Characters the layout lacks are typed
// through spare keycodes (keycodes without symbols) that are remapped in batches.
// Before a spare keycode is changed, a property of the root window records it with
// our process id, so that a later run gives back what a killed one left mapped.

#include "keyboard.h"
#include "sendkeys.h"
#include "x11keymap.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace korvane {

class X11Connection;

class X11Keyboard : public QObject, public Keyboard
{
public:
    // Shares `connection` with the window activator; opens its own when null.
    explicit X11Keyboard(std::shared_ptr<X11Connection> connection = {}, QObject *parent = nullptr);
    ~X11Keyboard() override;

    bool sendKeys(const QString &notation, bool wait) override;

    QString lastFailure() const override { return m_lastFailure; }
    // Why keys cannot be sent (no display, no XTest), empty when they can.
    QString unavailableReason() const override;

    // Gives the spare keycodes back their empty state now instead of after the
    // idle delay, so the user's keyboard map is left as it was found.
    void restoreKeymap() override;

private:
    struct Stroke
    {
        unsigned long keysym = 0;   // what the key must produce
        KeyBinding binding;         // keycode 0: needs a spare keycode
        unsigned heldModifiers = 0; // Shift/Ctrl/Alt from the notation, as an X mask
        int count = 1;
    };
    struct SpareKey
    {
        unsigned keycode = 0;
        unsigned long keysym = 0; // 0 while empty
        quint64 lastUsed = 0;     // stretch number of its last use, for LRU reuse
    };

    QString refusal(const QString &notation);
    bool typeLine(const QString &notation);
    bool typeStrokes(const QList<KeyAction> &actions);
    void waitForModifierRelease();
    void refreshSpareKeys();
    bool reclaimAbandonedKeycodes();
    Stroke strokeFor(const KeyAction &action) const;
    qsizetype stretchEnd(const QList<Stroke> &strokes, qsizetype begin) const;
    void mapStretch(QList<Stroke> &strokes, qsizetype begin, qsizetype end);
    void remap(const QList<SpareKey *> &keys);
    void markBorrowed(const QList<SpareKey *> &keys);
    bool giveBackMarked(const std::function<bool(unsigned long pid, unsigned keycode)> &givenBack);
    void settleAfterTyping();
    unsigned long pingTarget();
    void waitForFocusedClient();
    void pressStroke(const Stroke &stroke);
    void holdModifiers(unsigned mask);

    std::shared_ptr<X11Connection> m_connection;
    X11Keymap m_keymap;
    QList<SpareKey> m_spares;
    QList<unsigned> m_marked; // keycodes the root window's mark holds for us
    quint64 m_stretch = 0;
    unsigned m_held = 0;           // modifier mask our fake events hold now
    bool m_spareKeysTyped = false; // a remapped key was typed since the last settle
    quint64 m_pingSerial = 0;
    QTimer m_restoreTimer;
    QString m_lastFailure;
};

} // namespace korvane
