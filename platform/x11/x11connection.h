// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// X11 backend: one Xlib connection of Korvane's own for keystrokes and window
// activation, kept apart from the toolkit's so that its requests and round trips
// never interleave with the toolkit's event handling.

#include <QString>

#include <memory>

struct _XDisplay;

namespace korvane {

class X11Connection
{
public:
    X11Connection();
    ~X11Connection();
    X11Connection(const X11Connection &) = delete;
    X11Connection &operator=(const X11Connection &) = delete;

    // The display, opened on first use; nullptr when there is none (no DISPLAY,
    // pure Wayland, offscreen) or it lacks the XTest or XKB extension.
    _XDisplay *display();
    // Why display() is null, for a one-line warning; empty when it is not.
    QString unavailableReason();

private:
    struct Closer
    {
        void operator()(_XDisplay *display) const;
    };

    void open();

    std::unique_ptr<_XDisplay, Closer> m_display;
    QString m_reason;
    bool m_tried = false;
};

} // namespace korvane
