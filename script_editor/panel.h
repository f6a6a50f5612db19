// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bevelled panels drawn on a window's surface around a run of controls.

class QPainter;
class QWidget;

namespace korvane::editor {

enum class PanelStyle { Raised, Sunken };

// Draws a light grey panel from `first`'s top-left to `last`'s bottom-right
// corner, 2 pixels further out, with a white and a dark grey edge (swapped when
// sunken) and, when raised, a black outline. The painter is left as it was.
void drawPanel(QPainter &painter, const QWidget &first, const QWidget &last, PanelStyle style);

} // namespace korvane::editor
