// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Qt backend: one pass of the event loop, a wait for the next event, and the
// immediate end of the program.

#include "platform.h"

namespace korvane {

class QtEventLoop : public EventLoop
{
public:
    void doEvents() override;
    void waitForEvents(int maxMs) override;
    void endProgram(int exitCode) override;
};

} // namespace korvane
