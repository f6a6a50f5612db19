// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Loads the desktop's font configuration (fontconfig's configuration files and
// font caches) on a thread of its own while Qt connects to the display: the first
// text a window lays out would otherwise wait for it, and the command center's
// first frame shows text.

#include <thread>

namespace korvane {

class FontConfigurationWarmUp
{
public:
    FontConfigurationWarmUp();
    // Waits for the thread: by then Qt has usually asked for the fonts itself.
    ~FontConfigurationWarmUp();
    FontConfigurationWarmUp(const FontConfigurationWarmUp &) = delete;
    FontConfigurationWarmUp &operator=(const FontConfigurationWarmUp &) = delete;

private:
    std::thread m_thread;
};

} // namespace korvane
