// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The 3-D push button of the editor and the tool box: a tool button with a
// picture or caption face that also reports presses of either mouse button (with
// the Shift state) and pointer moves over it.

#include <QToolButton>

namespace korvane::editor {

class ThreeDButton : public QToolButton
{
    Q_OBJECT

public:
    explicit ThreeDButton(QWidget *parent = nullptr);

    // Called from a mouseDown handler that acted on the press itself (and may have
    // shown a modal dialog): the press does not go on to become a click.
    void swallowPress() { m_swallowed = true; }

signals:
    void mouseDown(Qt::MouseButton button, bool shift);
    void mouseMoved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    bool m_swallowed = false;
};

} // namespace korvane::editor
