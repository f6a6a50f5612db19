// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Colours as the settings files and the font dialog keep them: one number, RGB
// with red in the low byte. Header only; its users link Qt Gui (for QColor).

#include <QColor>

namespace korvane {

inline QColor colourFromRgb(quint32 rgb)
{
    return QColor(int(rgb & 0xff), int((rgb >> 8) & 0xff), int((rgb >> 16) & 0xff));
}

inline quint32 rgbFromColour(const QColor &colour)
{
    return quint32(colour.red()) | quint32(colour.green()) << 8 | quint32(colour.blue()) << 16;
}

} // namespace korvane
