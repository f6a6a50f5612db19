// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Placing a window in the middle of its screen, as the tutorial and the About
// window open. Header only; its users link Qt Widgets.

#include <QScreen>
#include <QWidget>

namespace korvane {

inline void centreOnScreen(QWidget &window)
{
    if (const QScreen *screen = window.screen()) {
        const QRect area = screen->geometry();
        window.move(area.x() + area.width() / 2 - window.width() / 2,
                    area.y() + area.height() / 2 - window.height() / 2);
    }
}

} // namespace korvane
