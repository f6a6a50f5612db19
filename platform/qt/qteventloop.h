#pragma once

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
