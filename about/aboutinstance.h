#pragma once

// The program's one About window: created on request, discarded when it closes.
// A request while it runs only brings it to the front.

#include "about.h"

#include <memory>

namespace korvane {

class AboutInstance
{
public:
    explicit AboutInstance(Platform &platform, PresentationClock clock = {});
    ~AboutInstance();

    void show();
    bool isLoaded() const { return m_window != nullptr; }
    // The running window, or nullptr.
    About *window() const { return m_window.get(); }

private:
    void discard();

    Platform &m_platform;
    PresentationClock m_clock;
    std::unique_ptr<About> m_window;
};

} // namespace korvane
