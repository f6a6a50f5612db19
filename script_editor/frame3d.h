#pragma once

// Bevelled panels drawn on a window's surface around a run of controls.

#include <QString>

class QPainter;
class QWidget;

namespace korvane::editor {

inline constexpr int kTwipsPerPixel = 15;

// Draws a panel from `first`'s top-left to `last`'s bottom-right corner, `bevel`
// twips further out: light grey, with a white and dark-grey edge ("i..." for a
// sunken style swaps the two) and, when raised, a black outline. The painter's
// settings are restored afterwards.
void Draw_3D_Frame(QPainter &painter, const QWidget &first, const QWidget &last,
                   const QString &style, int bevel);

} // namespace korvane::editor
