// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Twips, the unit window positions and sizes are stored in: 1440 to the inch, so
// 15 to one device-independent pixel at 96 dpi.

#include <QRect>

#include <cmath>

namespace korvane {

inline constexpr int kTwipsPerPixel = 15;

inline qint64 pixelsToTwips(int pixels)
{
    return qint64(pixels) * kTwipsPerPixel;
}

// Rounded to the nearest pixel.
inline int twipsToPixels(qint64 twips)
{
    return int(std::lround(double(twips) / kTwipsPerPixel));
}

// A rectangle given in twips, as the windows' layouts are.
inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

} // namespace korvane
