// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolbox.h"

#include "platform.h"
#include "settings.h"
#include "threedbutton.h"
#include "twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>

namespace korvane::editor {
namespace {

constexpr std::array<int, 4> kColumnLeft = {120, 720, 1320, 1920};
constexpr std::array<int, 7> kRowTop = {120, 600, 1080, 1560, 2040, 2520, 3000};
constexpr int kButtonWidth = 495;
constexpr int kButtonHeight = 375;

// Buttons 1 to 27, in that order. Help texts that come in two parts are
// separated by two carriage returns.
const std::array<ToolBoxButton, kToolBoxButtons> kButtons = {{
    {1, 1, "\u21b5", true, "{ENTER}", true, "{ENTER}",
     "Using the {ENTER} in a script will send the enter key to a running application."},
    {1, 2, "\u21e5", true, "{TAB}", true, "{TAB}",
     "When used in a script this will send the {TAB} key to a running application or to "
     "Windows.  This can be used in conjunction with the ALT % or other supporting keys to "
     "perform special tasks such as ALT-TAB."},
    {2, 1, "Time", true, "`T HH:MM:SS AM/PM", true, "Wait For Time - `T ##:##",
     "The TIME function is used to force a script to wait before continuing with execution "
     "until a certain time has arrived."},
    {2, 4, "Msg", true, "`M ENTER MESSAGE HERE", true, "Message Box - `M Message",
     "The MESSAGE BOX function is used to display a message while the script is executing. "
     "\r\rNOTE: If you display a message box during script execution the script will halt "
     "execution until the user clicks the OK button"},
    {1, 3, "\u2191", true, "{UP}", true, "Up Arrow - {UP}",
     "When used in a script this will send the UP ARROW key to a running application."},
    {1, 4, "\u2193", true, "{DOWN}", true, "Down Arrow - {DOWN}",
     "When used in a script this will send the DOWN ARROW key to an application."},
    {1, 5, "\u2190", true, "{LEFT}", true, "Left Arrow - {LEFT}",
     "When used in a script this will send the LEFT ARROW key to an application."},
    {1, 6, "\u2192", true, "{RIGHT}", true, "Right Arrow - {RIGHT}",
     "When used in a script this will send the RIGHT ARROW key to an application."},
    {2, 6, "Beep", true, "`B", true, "Beep - `B",
     "The BEEP function will give an audible beep when called."},
    {2, 5, "Input", true, "`I ENTER MESSAGE HERE", true, "Input Box - `I Message",
     "The INPUT BOX function is used to display a message and getting user input while the "
     "script is executing. \r\rNOTE: If you display an input box during script execution the "
     "script will halt execution until the user clicks the OK button"},
    {2, 2, "Date", true, "`D MM/DD/YYYY", true, "Wait For Date - `D MM/DD/YY",
     "The DATE function is used to force a script to wait before continuing with execution "
     "until a certain date has arrived."},
    {2, 3, "Wait", true, "`W ##", true, "WAIT - `W # of seconds",
     "When used in a script this function will make the scripter halt execution of the script "
     "for XX number of seconds."},
    {3, 1, "\u2715", true, "%{F4}", true, "Close App / Window",
     "When used in a script this will send the neccessary keystrokes to an application to "
     "close itself down."},
    {3, 2, "Run", true, "`E program name", true, "Start Program - `E Program",
     "When used in a script this will start a program that you may want to begin running "
     "during script execution."},
    {3, 3, "Del", true, "`K filename.ext", true, "Delete File - `K",
     "When used in a script this will delete a file that is named on the command line."},
    {3, 4, "Save", true, "`S filename.ext", true, "Save Data To Disk - `S",
     "When used in a script this will save SET data to a file whose name is given on the "
     "command line."},
    {3, 5, "Get", true, "`F filename.ext", true, "Get Data From File - `F",
     "When used in a script this will retrieve, and SET information to be used later in script "
     "execution."},
    {3, 6, "SET", false, "`SET Text to set", true, "Set Data - `SET",
     "When used in a script this will SET data to be used later in script execution."},
    {4, 1, "USE", false, "`U", true, "Use text SET - `U",
     "When used in a script this will USE any data that has been SET."},
    {4, 2, "Act", true, "`A Application Title", true, "Activate Application - `A",
     "When used in a script this will activate a running application.  This is used to bring "
     "the FOCUS back to an application before sending keystrokes to it."},
    {4, 3, "ALT", false, "%", false, "Use ALT Key - %", nullptr},
    {4, 4, "Ctrl", false, "^", false, "Use Control Key - ^", nullptr},
    {4, 5, "Shift", false, "+", false, "Use Shift Key - +", nullptr},
    {4, 6, "END", false, "{END}", false, "Goto End Of Text - {END}", nullptr},
    {4, 7, "Paste", true, "+{INSERT}", true, "Paste Text - +{INSERT}",
     "When used in a script this will send the necessary keystrokes to perform a PASTE."},
    {2, 7, "Cut", true, "+{DELETE}", true, "Cut Text - +{DELETE}",
     "When used in a script this button will send the necessary keystrokes to an application "
     "to perform a CUT."},
    {3, 7, "Copy", true, "^{INSERT}", true, "Copy Text - ^{INSERT}",
     "When used in a script this will send characters necessary to perform the copy command."},
}};

} // namespace

ToolBoxWindow::ToolBoxWindow(QPlainTextEdit &scriptText, Dialogs &dialogs, QWidget *editor)
    : QWidget(editor)
    , m_scriptText(scriptText)
    , m_dialogs(dialogs)
{
    setWindowFlags(Qt::Tool);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tool Box"));
    setFixedSize(twipsToPixels(2565), twipsToPixels(3990));

    for (int i = 0; i < kToolBoxButtons; ++i) {
        const ToolBoxButton &entry = kButtons.at(i);
        const int number = i + 1;
        auto *button = new ThreeDButton(this);
        button->setObjectName(QStringLiteral("toolBoxButton%1").arg(number));
        button->setGeometry(twipsRect(kColumnLeft.at(entry.column - 1), kRowTop.at(entry.row - 1),
                                      kButtonWidth, kButtonHeight));
        button->setText(QString::fromUtf8(entry.face));
        // Picture faces are drawn glyphs in a smaller type than the caption faces.
        QFont face = button->font();
        face.setPointSizeF(entry.pictureFace ? 7 : 8);
        face.setBold(!entry.pictureFace);
        button->setFont(face);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        connect(button, &QToolButton::clicked, this, [this, &entry] { appendText(entry); });
        connect(
            button, &ThreeDButton::mouseDown, this,
            [this, number](Qt::MouseButton pressed, bool) { onButtonPressed(number, pressed); });
        connect(button, &ThreeDButton::mouseMoved, this,
                [this, &entry] { m_captionLabel->setText(QString::fromUtf8(entry.caption)); });
        m_buttons.at(i) = button;
    }
    m_captionLabel = new QLabel(this);
    m_captionLabel->setGeometry(twipsRect(120, 3600, 2295, 255));

    // A missing or short file gives 0, the screen's top-left corner.
    const QPoint position = readToolBoxPosition();
    move(twipsToPixels(position.x()), twipsToPixels(position.y()));
}

void ToolBoxWindow::appendText(const ToolBoxButton &entry)
{
    QString text = m_scriptText.toPlainText() + QString::fromUtf8(entry.text);
    if (entry.lineBreak)
        text += u'\n'; // the editor's line break; CR LF in the file
    // The whole text is replaced, which also puts the caret at its start.
    m_scriptText.setPlainText(text);
}

void ToolBoxWindow::onButtonPressed(int number, Qt::MouseButton button)
{
    const ToolBoxButton &entry = kButtons.at(number - 1);
    if (button != Qt::RightButton || entry.help == nullptr)
        return;
    m_buttons.at(number - 1)->swallowPress();
    m_dialogs.messageBox(QString::fromUtf8(entry.help), MessageButtons::Ok);
}

void ToolBoxWindow::closeEvent(QCloseEvent *event)
{
    // A position that cannot be written is simply not kept.
    writeToolBoxPosition(pos() * kTwipsPerPixel);
    event->accept();
}

} // namespace korvane::editor
