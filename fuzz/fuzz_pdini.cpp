// SPDX-License-Identifier: GPL-3.0-or-later
// "PD.ini" as read from any bytes: the values it gives are written back and read
// again unchanged, and the position is one the window can take (its pixels fit an
// int and stand for it to the nearest pixel).

#include "fuzzsupport.h"
#include "twips.h"
#include "windows1252.h"
#include "windowsettings.h"

#include <cmath>

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const WindowSettings settings = parseWindowSettings(decodeText(fuzz::bytesOf(data, size)));
    const WindowSettings again = parseWindowSettings(decodeText(formatWindowSettings(settings)));
    fuzz::check(again.topTwips == settings.topTwips, "top round-trips");
    fuzz::check(again.leftTwips == settings.leftTwips, "left round-trips");
    fuzz::check(again.titleBar == settings.titleBar, "title bar state round-trips");
    for (const qint64 twips : {settings.topTwips, settings.leftTwips}) {
        const double error = double(pixelsToTwips(twipsToPixels(twips))) - double(twips);
        fuzz::check(std::abs(error) <= kTwipsPerPixel / 2.0, "a position fits in pixels");
    }
    return 0;
}
