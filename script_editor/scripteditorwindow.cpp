// SPDX-License-Identifier: GPL-3.0-or-later
#include "scripteditorwindow.h"

#include "findreplace.h"
#include "highlighter.h"
#include "numbertext.h"
#include "panel.h"
#include "platform.h"
#include "rgbcolour.h"
#include "scriptfile.h"
#include "settings.h"
#include "threedbutton.h"
#include "toolbox.h"
#include "twips.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QTimer>

namespace korvane::editor {
namespace {

constexpr int kClientWidth = 6600;
constexpr int kClientHeight = 4365;
// What the text and the debug list leave of the client area, in pixels: a
// margin on the right, the tool row above and the status row below. A size
// that would come out negative is not applied.
constexpr QSize kTextMargins(15, 82);
constexpr QSize kDebugListMargins(15, 76);

// The window's client area: it draws the three raised panels behind the tool
// buttons and reports pointer moves over its bare surface.
class EditorSurface : public QWidget
{
public:
    explicit EditorSurface(QWidget *parent)
        : QWidget(parent)
    {
        setMouseTracking(true);
    }

    std::function<void(QPainter &)> paintFrames;
    std::function<void()> mouseMoved;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        if (paintFrames)
            paintFrames(painter);
    }
    void mouseMoveEvent(QMouseEvent *) override
    {
        if (mouseMoved)
            mouseMoved();
    }
};

struct ToolButtonFace
{
    ToolButton job;
    const char *objectName;
    int left; // twips
    const char *status;
    QStyle::StandardPixmap icon; // SP_CustomBase: a drawn glyph face
    const char *glyph;
    void (ScriptEditorWindow::*act)();
};

// Left to right, as they stand above the text.
const std::array<ToolButtonFace, 9> kToolButtons = {{
    {ToolButton::Open, "openButton", 120, "Open Existing Script", QStyle::SP_DialogOpenButton, "",
     &ScriptEditorWindow::openScript},
    {ToolButton::New, "newButton", 480, "New Script", QStyle::SP_FileIcon, "",
     &ScriptEditorWindow::newScript},
    {ToolButton::Save, "saveButton", 840, "Save Script", QStyle::SP_DialogSaveButton, "",
     &ScriptEditorWindow::saveScript},
    {ToolButton::Print, "printButton", 1200, "Print Script", QStyle::SP_CustomBase, "\u25a4",
     &ScriptEditorWindow::printScript},
    {ToolButton::Font, "fontButton", 1920, "Change Font", QStyle::SP_CustomBase, "F",
     &ScriptEditorWindow::chooseFont},
    {ToolButton::ToolBox, "toolBoxButton", 2280, "Show Tool Box", QStyle::SP_CustomBase, "\u25a6",
     &ScriptEditorWindow::showToolBox},
    {ToolButton::Cut, "cutButton", 2640, "Cut", QStyle::SP_CustomBase, "\u2702",
     &ScriptEditorWindow::cutText},
    {ToolButton::Copy, "copyButton", 3000, "Copy", QStyle::SP_CustomBase, "\u2750",
     &ScriptEditorWindow::copyText},
    {ToolButton::Paste, "pasteButton", 3360, "Paste", QStyle::SP_CustomBase, "\u21a7",
     &ScriptEditorWindow::pasteText},
}};

// Resizes `widget` to the client size less `margins`, each dimension only when
// it comes out at 0 or more.
void fitInside(QWidget &widget, const QSize &client, const QSize &margins)
{
    const QSize size = client - margins;
    widget.resize(size.width() >= 0 ? size.width() : widget.width(),
                  size.height() >= 0 ? size.height() : widget.height());
}

} // namespace

ScriptEditorWindow::ScriptEditorWindow(Platform &platform, const QString &commandLine,
                                       QWidget *parent)
    : QMainWindow(parent)
    , m_platform(platform)
    , m_engine(*this, platform)
    , m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setWindowTitle(kUntitledCaption);
    buildControls();
    buildMenus();
    // The window's laid-out size is that of the client area, below the menu bar.
    resize(twipsToPixels(kClientWidth),
           twipsToPixels(kClientHeight) + menuBar()->sizeHint().height());
    m_search = std::make_unique<ScriptSearch>(*m_scriptText, platform.dialogs());
    m_highlighter = new ScriptHighlighter(m_scriptText->document());

    if (!commandLine.isEmpty()) {
        m_autoRun = true;
        m_fileName = commandLine;
        onRunClicked();
    }
    loadWindow();
}

ScriptEditorWindow::~ScriptEditorWindow()
{
    m_engine.abandonHost();
}

void ScriptEditorWindow::buildControls()
{
    auto *client = new EditorSurface(this);
    m_client = client;
    setCentralWidget(client);

    buildToolButtons(client);
    m_runButton = new QPushButton(kRunCaption, client);
    m_runButton->setGeometry(twipsRect(4440, 120, 975, 375));
    m_debugCheck = new QCheckBox(QStringLiteral("&Debug"), client);
    m_debugCheck->setGeometry(twipsRect(5640, 120, 855, 255));

    // The access key label comes first in the tab order: Alt+T reaches the text.
    m_textKeyLabel = new QLabel(QStringLiteral("&T"), client);
    m_textKeyLabel->setGeometry(twipsRect(5280, 4080, 735, 135));
    m_scriptText = new QPlainTextEdit(client);
    m_scriptText->setObjectName(QStringLiteral("scriptText"));
    m_scriptText->setGeometry(twipsRect(120, 600, 6375, 3135));
    m_scriptText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scriptText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_scriptText->viewport()->setMouseTracking(true);
    m_scriptText->viewport()->installEventFilter(this);
    m_textKeyLabel->setBuddy(m_scriptText);
    // The keyboard starts in the text; Tab goes on to Run and Debug.
    setTabOrder(m_scriptText, m_runButton);
    setTabOrder(m_runButton, m_debugCheck);
    m_debugList = new QListWidget(client);
    m_debugList->setGeometry(twipsRect(120, 600, 6375, 3180));
    m_debugList->hide();

    m_statusLabel = new QLabel(client);
    m_statusLabel->setGeometry(twipsRect(120, 3960, 1815, 255));
    m_countLabel = new QLabel(client);
    m_countLabel->setGeometry(twipsRect(2040, 3960, 2895, 255));
    m_clockLabel = new QLabel(client);
    m_clockLabel->setGeometry(twipsRect(5040, 3960, 1455, 255));
    // The access key label shows nothing of its own; the clock is drawn over it.
    m_clockLabel->setAutoFillBackground(true);
    m_clockLabel->raise();
    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(1000);

    client->paintFrames = [this](QPainter &painter) {
        drawPanel(painter, *toolButton(ToolButton::Open), *toolButton(ToolButton::Print),
                  PanelStyle::Raised);
        drawPanel(painter, *toolButton(ToolButton::Font), *toolButton(ToolButton::Paste),
                  PanelStyle::Raised);
        drawPanel(painter, *m_runButton, *m_runButton, PanelStyle::Raised);
    };
    client->mouseMoved = [this] { m_statusLabel->clear(); };

    connect(m_runButton, &QPushButton::clicked, this, &ScriptEditorWindow::onRunClicked);
    connect(m_debugCheck, &QCheckBox::toggled, this, &ScriptEditorWindow::onDebugToggled);
    connect(m_scriptText, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_fillingText)
            m_changed = true;
    });
    connect(m_clockTimer, &QTimer::timeout, this, &ScriptEditorWindow::updateClock);
}

void ScriptEditorWindow::buildToolButtons(QWidget *client)
{
    for (const ToolButtonFace &tool : kToolButtons) {
        auto *button = new ThreeDButton(client);
        button->setObjectName(QString::fromLatin1(tool.objectName));
        button->setGeometry(twipsRect(tool.left, 120, 375, 375));
        if (tool.icon != QStyle::SP_CustomBase) {
            button->setIcon(style()->standardIcon(tool.icon));
        } else {
            button->setText(QString::fromUtf8(tool.glyph));
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        }
        const QString status = QString::fromUtf8(tool.status);
        connect(button, &ThreeDButton::mouseMoved, this,
                [this, status] { m_statusLabel->setText(status); });
        connect(button, &QToolButton::clicked, this, tool.act);
        m_toolButtons.at(int(tool.job)) = button;
    }
    // The Font button's face is the letter F in Arial.
    QFont arial(QStringLiteral("Arial"));
    arial.setBold(true);
    toolButton(ToolButton::Font)->setFont(arial);
    // Shift with a left press on Save means Save As.
    ThreeDButton *save = toolButton(ToolButton::Save);
    connect(save, &ThreeDButton::mouseDown, this, [this, save](Qt::MouseButton button, bool shift) {
        if (button == Qt::LeftButton && shift) {
            save->swallowPress();
            saveScriptAs();
        }
    });
}

void ScriptEditorWindow::buildMenus()
{
    const auto add = [this](QMenu *menu, const char *name, const QString &caption,
                            const QKeySequence &shortcut, auto slot) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, slot);
    };
    using W = ScriptEditorWindow;
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    add(file, "newScript", QStringLiteral("&New"), {}, &W::newScript);
    add(file, "openScript", QStringLiteral("&Open"), {}, &W::openScript);
    add(file, "saveScript", QStringLiteral("&Save"), Qt::Key_F7, &W::saveScript);
    add(file, "saveScriptAs", QStringLiteral("Save &As"), {}, &W::saveScriptAs);
    file->addSeparator();
    add(file, "printSetup", QStringLiteral("Print Set&up"), {}, &W::showPrintSetup);
    add(file, "printScript", QStringLiteral("&Print"), {}, &W::printScript);
    file->addSeparator();
    add(file, "showToolBox", QStringLiteral("Show &Tool Box"), Qt::Key_F6, &W::showToolBox);
    file->addSeparator();
    add(file, "runScript", QStringLiteral("&Run Script"), Qt::Key_F5, &W::onRunClicked);
    file->addSeparator();
    add(file, "exit", QStringLiteral("E&xit"), {}, &QWidget::close);

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    add(edit, "cut", QStringLiteral("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X), &W::cutText);
    add(edit, "copy", QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), &W::copyText);
    add(edit, "paste", QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), &W::pasteText);
    add(edit, "fonts", QStringLiteral("&Fonts"), Qt::Key_F8, &W::chooseFont);
    add(edit, "find", QStringLiteral("&Find"), {}, &W::showFindDialog);
    add(edit, "findNext", QStringLiteral("Find &Next"), Qt::Key_F3, &W::findNext);
    add(edit, "replace", QStringLiteral("R&eplace"), {}, &W::showReplaceDialog);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    add(help, "gettingHelp", QStringLiteral("&Getting Help"), {}, &W::showGettingHelp);
    add(help, "about", QStringLiteral("&About"), {}, &W::showAbout);
}

FontChoice ScriptEditorWindow::currentFontChoice() const
{
    const QFont font = m_scriptText->font();
    return {font.family(), font.pointSizeF(), font.bold(), font.italic(),
            rgbFromColour(m_scriptText->palette().color(QPalette::Text))};
}

void ScriptEditorWindow::applyFontChoice(const FontChoice &choice)
{
    for (QWidget *widget :
         {static_cast<QWidget *>(m_scriptText), static_cast<QWidget *>(m_debugList)}) {
        QFont font = widget->font();
        font.setFamily(choice.name);
        if (choice.size > 0)
            font.setPointSizeF(choice.size);
        font.setBold(choice.bold);
        font.setItalic(choice.italic);
        widget->setFont(font);
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Text, colourFromRgb(choice.colour));
        widget->setPalette(palette);
    }
    if (m_highlighter) {
        // Marking the text afresh is no edit.
        const QScopedValueRollback filling(m_fillingText, true);
        m_highlighter->setBaseFont(m_scriptText->font());
    }
}

void ScriptEditorWindow::applySettings()
{
    // Fixed-pitch black text, where Scripter.ini says nothing else.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_scriptText->setFont(fixed);
    m_debugList->setFont(fixed);
    FontChoice choice{fixed.family(), fixed.pointSizeF(), fixed.bold(), fixed.italic(),
                      rgbFromColour(Qt::black)};
    const EditorSettings settings = readEditorSettings();
    choice.name = settings.fontName.value_or(choice.name);
    choice.size = settings.fontSize.value_or(choice.size);
    choice.colour = settings.colour.value_or(choice.colour);
    applyFontChoice(choice);
    move(twipsToPixels(settings.position.x()), twipsToPixels(settings.position.y()));
}

void ScriptEditorWindow::writeSettings()
{
    const FontChoice font = currentFontChoice();
    // Settings that cannot be written are simply not kept.
    writeEditorSettings(font.name, font.size, font.colour, pos() * kTwipsPerPixel);
}

void ScriptEditorWindow::loadWindow()
{
    m_debugList->hide();
    applySettings();
    // New without its guard and prompt: nothing runs and nothing has changed yet.
    m_changed = false;
    newScript();
    updateClock();
    m_clockTimer->start();
    m_loaded = true;
}

void ScriptEditorWindow::showWindow()
{
    if (!m_loaded)
        loadWindow();
    show();
    raise();
    activateWindow();
    m_scriptText->setFocus();
}

void ScriptEditorWindow::closeEvent(QCloseEvent *event)
{
    if (!savePrompt()) {
        event->ignore();
        return;
    }
    writeSettings();
    if (m_toolBox)
        m_toolBox->close();
    // A run still waiting ends at its next stop check.
    m_engine.requestStop();
    m_clockTimer->stop();
    m_loaded = false;
    event->accept();
}

void ScriptEditorWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    fitToWindow();
}

void ScriptEditorWindow::fitToWindow()
{
    if (!m_client)
        return;
    fitInside(*m_scriptText, m_client->size(), kTextMargins);
    fitInside(*m_debugList, m_client->size(), kDebugListMargins);
}

void ScriptEditorWindow::updateClock()
{
    m_clockLabel->setText(QLocale::c().toString(m_platform.clock().now().time(), u"h:mm AP"));
}

bool ScriptEditorWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_scriptText->viewport() && event->type() == QEvent::MouseMove)
        showCharacterCount();
    return QMainWindow::eventFilter(watched, event);
}

void ScriptEditorWindow::onRunClicked()
{
    m_engine.runOrStop(m_fileName);
}

void ScriptEditorWindow::onDebugToggled(bool on)
{
    if (!on) {
        m_debugList->hide();
        m_scriptText->setFocus();
        return;
    }
    if (m_changed) {
        // No, or a save that is cancelled or fails, leaves the text in view.
        if (m_platform.dialogs().messageBox(kSavePrompt, MessageButtons::YesNo) ==
                MessageAnswer::No ||
            !saveDocument()) {
            m_debugCheck->setChecked(false);
            return;
        }
    }
    m_debugList->show();
    m_debugList->clear();
    script::ScriptFileReader reader(m_fileName);
    if (!reader.isOpen())
        return;
    while (const std::optional<QString> line = reader.readLine())
        m_debugList->addItem(*line);
    m_changed = false;
}

void ScriptEditorWindow::runStateChanged(script::RunState state)
{
    if (state == script::RunState::Running) {
        m_statusLabel->clear();
        m_statusLabel->setToolTip(QString());
    }
    m_runButton->setText(state == script::RunState::Running ? kStopCaption : kRunCaption);
    m_debugCheck->setEnabled(state == script::RunState::Idle);
}

bool ScriptEditorWindow::debugViewOn() const
{
    return m_debugCheck->isChecked();
}

void ScriptEditorWindow::showDebugLine(int index)
{
    if (index >= 0 && index < m_debugList->count())
        m_debugList->setCurrentRow(index);
}

void ScriptEditorWindow::showProgress(const QString &text)
{
    m_countLabel->setText(text);
}

void ScriptEditorWindow::showCharacterCount()
{
    const QString text = m_scriptText->toPlainText();
    m_countLabel->setText(numberText(text.size() + text.count(u'\n')) +
                          QStringLiteral(" Characters"));
}

void ScriptEditorWindow::reportProblem(int line, const QString &reason)
{
    const QString text = QStringLiteral("Line %1: %2").arg(line).arg(reason);
    m_statusLabel->setToolTip(text);
    m_statusLabel->setText(
        m_statusLabel->fontMetrics().elidedText(text, Qt::ElideRight, m_statusLabel->width()));
}

void ScriptEditorWindow::closeWindow()
{
    close();
}

} // namespace korvane::editor
