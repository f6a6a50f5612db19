// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// X11 backend: reading window properties and walking the window tree, shared by
// the keyboard (which client to ping), the window activator (which window has
// which title) and the benchmarks that watch windows appear.

#include <QList>
#include <QString>

#include <array>

struct _XDisplay;

namespace korvane::x11 {

// Xlib's Window and Atom, without its macros in every header.
using WindowId = unsigned long;
using AtomId = unsigned long;

AtomId atom(_XDisplay *display, const char *name);

// A property of 32-bit items (windows, atoms, numbers) of `type`; empty when the
// window lacks it or holds it in another type or format.
QList<unsigned long> listProperty(_XDisplay *display, WindowId window, const char *property,
                                  AtomId type);
// Whether the window carries `property` at all.
bool hasProperty(_XDisplay *display, WindowId window, const char *property);

// The title as the window manager shows it: _NET_WM_NAME, else WM_NAME.
QString windowTitle(_XDisplay *display, WindowId window);
// The process that owns the window (_NET_WM_PID), 0 when it does not say.
qint64 windowPid(_XDisplay *display, WindowId window);

// The window's parent, or 0 when the window is top-level (its parent is the root)
// or gone.
WindowId parentOf(_XDisplay *display, WindowId window);
QList<WindowId> childrenOf(_XDisplay *display, WindowId window);

// Sends a client message of 32-bit items about `window` to `destination`.
void sendClientMessage(_XDisplay *display, WindowId destination, long eventMask, WindowId window,
                       AtomId type, const std::array<long, 3> &data);

} // namespace korvane::x11
