// "PD.ini" as read from any bytes: the values it gives are written back and read
// again unchanged.

#include "fuzzsupport.h"
#include "twips.h"
#include "windows1252.h"
#include "windowsettings.h"

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const WindowSettings settings = parseWindowSettings(decodeText(fuzz::bytesOf(data, size)));
    const WindowSettings again = parseWindowSettings(decodeText(formatWindowSettings(settings)));
    fuzz::check(again.topTwips == settings.topTwips, "top round-trips");
    fuzz::check(again.leftTwips == settings.leftTwips, "left round-trips");
    fuzz::check(again.titleBar == settings.titleBar, "title bar state round-trips");
    twipsToPixels(settings.topTwips);
    twipsToPixels(settings.leftTwips);
    return 0;
}
