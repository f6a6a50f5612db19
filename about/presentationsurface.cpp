// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentationsurface.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QRandomGenerator>

namespace korvane {

PresentationSurface::PresentationSurface(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QFont PresentationSurface::fontOfSize(qreal pointSize) const
{
    QFont font(QStringLiteral("times new roman"));
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(pointSize);
    return font;
}

void PresentationSurface::ensureImage()
{
    // One image pixel per widget pixel; a new size starts on a black surface.
    if (m_image.size() != size()) {
        m_image = QImage(size(), QImage::Format_RGB32);
        m_image.fill(Qt::black);
    }
}

void PresentationSurface::clear()
{
    ensureImage();
    m_image.fill(Qt::black);
    m_prints.clear();
    update();
}

QSize PresentationSurface::textSize(const QString &text, qreal pointSize) const
{
    const QFontMetrics metrics(fontOfSize(pointSize), &m_image);
    return {metrics.horizontalAdvance(text), metrics.height()};
}

QRect PresentationSurface::print(const QString &text, const QPoint &topLeft, qreal pointSize,
                                 const QColor &colour)
{
    const QRect area(topLeft, textSize(text, pointSize));
    m_prints.append({text, topLeft, pointSize, colour});
    ensureImage();
    QPainter painter(&m_image);
    painter.setFont(fontOfSize(pointSize));
    painter.setPen(colour);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    update(area);
    return area;
}

void PresentationSurface::scatterBlackPoints(const QRect &area, int count, QRandomGenerator &random)
{
    ensureImage();
    const QRect inside = area.intersected(m_image.rect());
    if (inside.isEmpty())
        return;
    QPainter painter(&m_image);
    for (int i = 0; i < count; ++i) {
        const int x = inside.left() + random.bounded(inside.width());
        const int y = inside.top() + random.bounded(inside.height());
        painter.fillRect(x, y, 2, 2, Qt::black);
    }
    update(inside);
}

void PresentationSurface::closeCurtain(int rows)
{
    ensureImage();
    QPainter painter(&m_image);
    painter.fillRect(0, 0, m_image.width(), rows, Qt::black);
    painter.fillRect(0, m_image.height() - rows, m_image.width(), rows, Qt::black);
    update();
}

void PresentationSurface::paintEvent(QPaintEvent *event)
{
    ensureImage();
    QPainter painter(this);
    painter.drawImage(event->rect(), m_image, event->rect());
}

} // namespace korvane
