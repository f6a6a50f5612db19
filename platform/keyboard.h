// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Typing into other windows and bringing them to the front: the two desktop calls
// scripts make for keystroke lines, "`U" and "`A". Backends: platform/x11, and
// the recorders of platform/fake.

#include <QString>

namespace korvane {

class Keyboard
{
public:
    virtual ~Keyboard() = default;
    // Types `notation` (the SendKeys notation) into the active window. With `wait`
    // the call returns after the keys have reached the display server and Korvane's
    // own pending events have run. False when the line is malformed or holds a
    // character no key can type (nothing is sent), or there is nothing to type into.
    virtual bool sendKeys(const QString &notation, bool wait) = 0;
    // Why the last sendKeys() returned false, in words for the user; empty after a
    // line that was typed whole.
    virtual QString lastFailure() const = 0;
    // Why no keys can be sent in this session at all; empty when they can.
    virtual QString unavailableReason() const { return {}; }
    // Gives back what typing borrowed from the desktop (on X11 the remapped spare
    // keycodes) now instead of after the idle delay: before the program ends.
    virtual void restoreKeymap() {}
};

class WindowActivator
{
public:
    virtual ~WindowActivator() = default;
    // Brings the top-level window titled `title` to the front, else one whose title
    // begins with it; both compared ignoring case. False when none matches.
    virtual bool activate(const QString &title) = 0;
    // Asks for the same window to come to the front and returns at once, without
    // waiting for the focus to arrive: for a window of our own the user asked for.
    virtual bool bringForward(const QString &title) = 0;
};

} // namespace korvane
