// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures.h"

#include <QPainter>
#include <QSvgRenderer>

namespace korvane {

QPixmap picturePixmap(const QString &name, QSize size, qreal devicePixelRatio)
{
    QSvgRenderer renderer(QStringLiteral(":/korvane/pictures/") + name);
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QSizeF drawn = renderer.defaultSize();
    drawn.scale(size, Qt::KeepAspectRatio);
    renderer.render(&painter, QRectF(QPointF((size.width() - drawn.width()) / 2,
                                             (size.height() - drawn.height()) / 2),
                                     drawn));
    return pixmap;
}

QIcon pictureIcon(const QString &name, int size)
{
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        const QPixmap pixmap = picturePixmap(name, QSize(size, size), ratio);
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace korvane
