// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A black drawing surface that keeps what is printed on it, like a picture box
// with persistent drawing: text, points and inverted figures stay until cleared.

#include <QColor>
#include <QImage>
#include <QList>
#include <QWidget>

class QRandomGenerator;

namespace korvane {

class PresentationSurface : public QWidget
{
    Q_OBJECT
public:
    struct Print
    {
        QString text;
        QPoint topLeft;
        qreal pointSize;
        QColor colour;
    };

    explicit PresentationSurface(QWidget *parent = nullptr);

    // Back to black; forgets the prints.
    void clear();
    // Prints `text` with its top-left corner at `topLeft`; returns the area it covers.
    QRect print(const QString &text, const QPoint &topLeft, qreal pointSize, const QColor &colour);
    // The size `text` takes at `pointSize`.
    QSize textSize(const QString &text, qreal pointSize) const;
    // Sets `count` random points of `area` to black.
    void scatterBlackPoints(const QRect &area, int count, QRandomGenerator &random);
    // Covers the bands of `rows` pixels at the top and the bottom with black.
    void closeCurtain(int rows);

    // The prints since the last clear, oldest first.
    const QList<Print> &prints() const { return m_prints; }
    QImage image()
    {
        ensureImage();
        return m_image;
    }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void ensureImage();
    QFont fontOfSize(qreal pointSize) const;

    QImage m_image;
    QList<Print> m_prints;
};

} // namespace korvane
