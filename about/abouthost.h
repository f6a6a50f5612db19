// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's one About window: created on request, discarded when it closes.
// A request while it runs only brings it to the front.

#include "aboutwindow.h"

#include <memory>

namespace korvane {

class AboutHost
{
public:
    explicit AboutHost(Platform &platform, PresentationClock clock = {});
    ~AboutHost();

    void show();
    bool isOpen() const { return m_window != nullptr; }
    // The running window, or nullptr.
    AboutWindow *window() const { return m_window.get(); }

private:
    void discard();

    Platform &m_platform;
    PresentationClock m_clock;
    std::unique_ptr<AboutWindow> m_window;
};

} // namespace korvane
