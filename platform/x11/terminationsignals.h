// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Ending on SIGTERM, SIGINT or SIGHUP without leaving the desktop changed. The
// signal handler only notes the signal (a byte into a pipe the event loop
// watches); the event loop, or a long loop of Korvane's own at its next safe
// point, then runs what must be undone and ends the program by the same signal.
// Stuck elsewhere, the program still ends a few seconds later, or at a second
// signal.

#include <functional>

namespace korvane {

// Installs the handlers (once; a later call replaces `beforeEnd`). `beforeEnd`
// runs on the main thread just before the program ends. Signals the program
// was started with ignored stay ignored.
void installTerminationHandling(std::function<void()> beforeEnd);

// For loops that keep the event loop waiting (typing a long line, waiting for a
// client): after a termination signal, ends the program here, running
// `beforeEnd` first, and does not return. Otherwise returns at once.
void endIfTerminationRequested();

} // namespace korvane
