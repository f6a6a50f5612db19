// SPDX-License-Identifier: GPL-3.0-or-later
#include "fontwarmup.h"

#include <fontconfig/fontconfig.h>

namespace korvane {

// fontconfig initialises its configuration once, atomically: Qt's own call later
// finds it loaded, or loads it too and keeps one of the two.
FontConfigurationWarmUp::FontConfigurationWarmUp()
    : m_thread([] { FcInit(); })
{
}

FontConfigurationWarmUp::~FontConfigurationWarmUp()
{
    m_thread.join();
}

} // namespace korvane
