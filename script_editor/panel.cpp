// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel.h"

#include <QPainter>
#include <QWidget>

namespace korvane::editor {

void drawPanel(QPainter &painter, const QWidget &first, const QWidget &last, PanelStyle style)
{
    constexpr int kBevel = 2;
    const int left = first.x() - kBevel;
    const int top = first.y() - kBevel;
    const int right = last.x() + last.width() + kBevel;
    const int bottom = last.y() + last.height() + kBevel;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(QPoint(left, top), QPoint(right, bottom)), QColor(192, 192, 192));

    QColor light(255, 255, 255);
    QColor dark(128, 128, 128);
    if (style == PanelStyle::Sunken)
        std::swap(light, dark);
    painter.setPen(QPen(light, 1));
    painter.drawLine(left, top, right, top);
    painter.drawLine(left, top, left, bottom);
    painter.setPen(QPen(dark, 1));
    painter.drawLine(right, top, right, bottom);
    painter.drawLine(right, bottom, left, bottom);

    if (style == PanelStyle::Raised) {
        // The outline stands out 2 pixels more at the top and left only.
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(QPoint(left - 2, top - 2), QPoint(right, bottom)));
    }
    painter.restore();
}

} // namespace korvane::editor
