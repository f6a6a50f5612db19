// SPDX-License-Identifier: GPL-3.0-or-later
#include "threedbutton.h"

#include <QMouseEvent>

namespace korvane::editor {

ThreeDButton::ThreeDButton(QWidget *parent)
    : QToolButton(parent)
{
    setMouseTracking(true);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setFocusPolicy(Qt::NoFocus);
}

void ThreeDButton::mousePressEvent(QMouseEvent *event)
{
    m_swallowed = false;
    // Only Shift alone counts as "Shift held".
    emit mouseDown(event->button(), event->modifiers() == Qt::ShiftModifier);
    if (m_swallowed) {
        event->accept();
        return;
    }
    QToolButton::mousePressEvent(event);
}

void ThreeDButton::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMoved();
    QToolButton::mouseMoveEvent(event);
    // A move over the button is the button's own: the window's surface must not
    // see it as a move over its bare area.
    event->accept();
}

} // namespace korvane::editor
