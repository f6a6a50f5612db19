// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Tool Box": 27 buttons that append script commands and keystroke notations to
// the end of the editor's text, with a caption on mouse-over and a help text on a
// right-button press. Its position is kept in "toolbox.ini".

#include <QWidget>

#include <array>

class QLabel;
class QPlainTextEdit;

namespace korvane {
class Dialogs;
}

namespace korvane::editor {

class ThreeDButton;

struct ToolBoxButton
{
    int column;       // 1 to 4
    int row;          // 1 to 7
    const char *face; // caption face, or the picture face's glyph
    bool pictureFace;
    const char *text;    // appended to the script
    bool lineBreak;      // CR LF follows the text
    const char *caption; // shown below the buttons on mouse-over
    const char *help;    // shown on a right-button press; nullptr for none
};

inline constexpr int kToolBoxButtons = 27;

class ToolBoxWindow : public QWidget
{
    Q_OBJECT

public:
    ToolBoxWindow(QPlainTextEdit &scriptText, Dialogs &dialogs, QWidget *editor);

    // Button `number` from 1 to 27.
    ThreeDButton *button(int number) const { return m_buttons.at(number - 1); }
    QLabel *captionLabel() const { return m_captionLabel; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Appends the button's text to the end of the script.
    void appendText(const ToolBoxButton &entry);
    void onButtonPressed(int number, Qt::MouseButton button);

    QPlainTextEdit &m_scriptText;
    Dialogs &m_dialogs;
    std::array<ThreeDButton *, kToolBoxButtons> m_buttons{};
    QLabel *m_captionLabel = nullptr;
};

} // namespace korvane::editor
