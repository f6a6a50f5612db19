#include "frame3d.h"

#include <QPainter>
#include <QWidget>

namespace korvane::editor {
namespace {

int px(int twips)
{
    return twips / kTwipsPerPixel;
}

} // namespace

void Draw_3D_Frame(QPainter &painter, const QWidget &first, const QWidget &last,
                   const QString &style, int bevel)
{
    const int x1 = first.x() * kTwipsPerPixel;
    const int y1 = first.y() * kTwipsPerPixel;
    const int x2 = (last.x() + last.width()) * kTwipsPerPixel;
    const int y2 = (last.y() + last.height()) * kTwipsPerPixel;
    const int left = px(x1 - bevel);
    const int top = px(y1 - bevel);
    const int right = px(x2 + bevel);
    const int bottom = px(y2 + bevel);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(QPoint(left, top), QPoint(right, bottom)), QColor(192, 192, 192));

    QColor light(255, 255, 255);
    QColor dark(128, 128, 128);
    const bool sunken = style.left(1).toLower() == QLatin1String("i");
    if (sunken)
        std::swap(light, dark);
    painter.setPen(QPen(light, 1));
    painter.drawLine(left, top, right, top);
    painter.drawLine(left, top, left, bottom);
    painter.setPen(QPen(dark, 1));
    painter.drawLine(right, top, right, bottom);
    painter.drawLine(right, bottom, left, bottom);

    if (!sunken) {
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(QPoint(px(x1 - bevel - 25), px(y1 - bevel - 25)),
                               QPoint(px(x2 + bevel + 10), px(y2 + bevel + 10))));
    }
    painter.restore();
}

} // namespace korvane::editor
