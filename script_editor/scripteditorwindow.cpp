#include "scripteditorwindow.h"

#include "findreplace.h"
#include "frame3d.h"
#include "highlighter.h"
#include "numbertext.h"
#include "platform.h"
#include "rgbcolour.h"
#include "scriptfile.h"
#include "settings.h"
#include "threedbutton.h"
#include "toolbox.h"

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
#include <QStyle>
#include <QTimer>

namespace korvane::editor {
namespace {

constexpr int kClientWidth = 6600;
constexpr int kClientHeight = 4365;
// The design's outer window is this much larger than its client area (borders,
// caption and menu bar); Form_Resize works on the outer size.
constexpr int kFrameWidth = 75;
constexpr int kFrameHeight = 730;

QRect twips(int left, int top, int width, int height)
{
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

// The window's client area: it draws the three raised panels behind the tool
// buttons and reports pointer moves over its bare surface.
class ScripterSurface : public QWidget
{
public:
    explicit ScripterSurface(QWidget *parent)
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
    int number;
    int left;
    const char *status;
    QStyle::StandardPixmap icon; // SP_CustomBase: a drawn glyph face
    const char *glyph;
};

const std::array<ToolButtonFace, 9> kToolButtons = {{
    {1, 120, "Open Existing Script", QStyle::SP_DialogOpenButton, ""},
    {2, 480, "New Script", QStyle::SP_FileIcon, ""},
    {3, 840, "Save Script", QStyle::SP_DialogSaveButton, ""},
    {4, 1200, "Print Script", QStyle::SP_CustomBase, "\u25a4"},
    {9, 1920, "Change Font", QStyle::SP_CustomBase, "F"},
    {8, 2280, "Show Tool Box", QStyle::SP_CustomBase, "\u25a6"},
    {6, 2640, "Cut", QStyle::SP_CustomBase, "\u2702"},
    {5, 3000, "Copy", QStyle::SP_CustomBase, "\u2750"},
    {7, 3360, "Paste", QStyle::SP_CustomBase, "\u21a7"},
}};

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
    // The design size is the client area's, below the menu bar.
    resize(kClientWidth / kTwipsPerPixel,
           kClientHeight / kTwipsPerPixel + menuBar()->sizeHint().height());
    m_module = std::make_unique<ScriptSearch>(*m_text1, platform.dialogs());
    m_highlighter = new ScriptHighlighter(m_text1->document());

    if (!commandLine.isEmpty()) {
        AutoRun = true;
        ScriptFileName = commandLine;
        Command2_Click();
    }
    Form_Load();
}

ScriptEditorWindow::~ScriptEditorWindow()
{
    m_engine.abandonHost();
}

void ScriptEditorWindow::buildControls()
{
    auto *client = new ScripterSurface(this);
    m_client = client;
    setCentralWidget(client);

    buildToolButtons(client);
    m_command2 = new QPushButton(kRunCaption, client);
    m_command2->setGeometry(twips(4440, 120, 975, 375));
    m_check1 = new QCheckBox(QStringLiteral("&Debug"), client);
    m_check1->setGeometry(twips(5640, 120, 855, 255));

    // Label3 comes first in the tab order: its access key Alt+T reaches Text1.
    m_label3 = new QLabel(QStringLiteral("&T"), client);
    m_label3->setGeometry(twips(5280, 4080, 735, 135));
    m_text1 = new QPlainTextEdit(client);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(twips(120, 600, 6375, 3135));
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text1->viewport()->setMouseTracking(true);
    m_text1->viewport()->installEventFilter(this);
    m_label3->setBuddy(m_text1);
    m_list1 = new QListWidget(client);
    m_list1->setGeometry(twips(120, 600, 6375, 3180));
    m_list1->hide();

    m_label2 = new QLabel(client);
    m_label2->setGeometry(twips(120, 3960, 1815, 255));
    m_label1 = new QLabel(client);
    m_label1->setGeometry(twips(2040, 3960, 2895, 255));
    m_label4 = new QLabel(client);
    m_label4->setGeometry(twips(5040, 3960, 1455, 255));
    // Label3 only carries its access key; the clock is drawn over it.
    m_label4->setAutoFillBackground(true);
    m_label4->raise();
    m_timer1 = new QTimer(this);
    m_timer1->setInterval(1000);

    client->paintFrames = [this](QPainter &painter) {
        Draw_3D_Frame(painter, *SSCommand(1), *SSCommand(4), QStringLiteral("raised"), 30);
        Draw_3D_Frame(painter, *SSCommand(9), *SSCommand(7), QStringLiteral("raised"), 30);
        Draw_3D_Frame(painter, *m_command2, *m_command2, QStringLiteral("raised"), 30);
    };
    client->mouseMoved = [this] { m_label2->clear(); };

    connect(m_command2, &QPushButton::clicked, this, &ScriptEditorWindow::Command2_Click);
    connect(m_check1, &QCheckBox::toggled, this, &ScriptEditorWindow::Check1_Click);
    connect(m_text1, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_fillingText)
            ScriptChanged = true;
    });
    connect(m_timer1, &QTimer::timeout, this, &ScriptEditorWindow::Timer1_Timer);
}

void ScriptEditorWindow::buildToolButtons(QWidget *client)
{
    const std::array<void (ScriptEditorWindow::*)(), 9> clicks = {
        &ScriptEditorWindow::open_Click,  &ScriptEditorWindow::new_Click,
        &ScriptEditorWindow::saveScript,  &ScriptEditorWindow::print_Click,
        &ScriptEditorWindow::Copy_Click,  &ScriptEditorWindow::cut_Click,
        &ScriptEditorWindow::paste_Click, &ScriptEditorWindow::display_tools_Click,
        &ScriptEditorWindow::Fonts_Click};
    for (const ToolButtonFace &tool : kToolButtons) {
        auto *button = new ThreeDButton(client);
        button->setObjectName(QStringLiteral("SSCommand%1").arg(tool.number));
        button->setGeometry(twips(tool.left, 120, 375, 375));
        if (tool.icon != QStyle::SP_CustomBase) {
            button->setIcon(style()->standardIcon(tool.icon));
        } else {
            button->setText(QString::fromUtf8(tool.glyph));
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        }
        const QString status = QString::fromUtf8(tool.status);
        connect(button, &ThreeDButton::mouseMoved, this,
                [this, status] { m_label2->setText(status); });
        connect(button, &QToolButton::clicked, this, clicks.at(tool.number - 1));
        m_ssCommands.at(tool.number - 1) = button;
    }
    // The Fonts button's face is the letter F in Arial.
    QFont arial(QStringLiteral("Arial"));
    arial.setBold(true);
    SSCommand(9)->setFont(arial);
    // SSCommand3_MouseDown: Shift with a left press means Save As.
    connect(SSCommand(3), &ThreeDButton::mouseDown, this,
            [this](Qt::MouseButton button, bool shift) {
                if (button == Qt::LeftButton && shift) {
                    SSCommand(3)->swallowPress();
                    saveas_Click();
                }
            });
}

void ScriptEditorWindow::buildMenus()
{
    const auto add = [this](QMenu *menu, const char *name, const QString &caption,
                            const QKeySequence &shortcut, void (ScriptEditorWindow::*slot)()) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, slot);
    };
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    add(file, "new", QStringLiteral("&New"), {}, &ScriptEditorWindow::new_Click);
    add(file, "open", QStringLiteral("&Open"), {}, &ScriptEditorWindow::open_Click);
    add(file, "save", QStringLiteral("&Save"), Qt::Key_F7, &ScriptEditorWindow::saveScript);
    add(file, "saveas", QStringLiteral("Save &As"), {}, &ScriptEditorWindow::saveas_Click);
    file->addSeparator();
    add(file, "printsetup", QStringLiteral("Print Set&up"), {},
        &ScriptEditorWindow::printsetup_Click);
    add(file, "print", QStringLiteral("&Print"), {}, &ScriptEditorWindow::print_Click);
    file->addSeparator();
    add(file, "display_tools", QStringLiteral("Show &Tool Box"), Qt::Key_F6,
        &ScriptEditorWindow::display_tools_Click);
    file->addSeparator();
    add(file, "run_script", QStringLiteral("&Run Script"), Qt::Key_F5,
        &ScriptEditorWindow::run_script_Click);
    file->addSeparator();
    add(file, "exit", QStringLiteral("E&xit"), {}, &ScriptEditorWindow::exit_Click);

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    add(edit, "cut", QStringLiteral("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X),
        &ScriptEditorWindow::cut_Click);
    add(edit, "copy", QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C),
        &ScriptEditorWindow::Copy_Click);
    add(edit, "paste", QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V),
        &ScriptEditorWindow::paste_Click);
    add(edit, "fonts", QStringLiteral("&Fonts"), Qt::Key_F8, &ScriptEditorWindow::Fonts_Click);
    add(edit, "Find", QStringLiteral("&Find"), {}, &ScriptEditorWindow::Find_Click);
    add(edit, "FindNext", QStringLiteral("Find &Next"), Qt::Key_F3,
        &ScriptEditorWindow::FindNext_Click);
    add(edit, "replace", QStringLiteral("R&eplace"), {}, &ScriptEditorWindow::replace_Click);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    add(help, "get_help", QStringLiteral("&Getting Help"), {}, &ScriptEditorWindow::get_help_Click);
    add(help, "AboutMenu", QStringLiteral("&About"), {}, &ScriptEditorWindow::AboutMenu_Click);
}

void ScriptEditorWindow::applyDesignFont()
{
    const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_text1->setFont(font);
    m_list1->setFont(font);
    for (QWidget *widget : {static_cast<QWidget *>(m_text1), static_cast<QWidget *>(m_list1)}) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Text, Qt::black);
        widget->setPalette(palette);
    }
}

void ScriptEditorWindow::applySettings()
{
    const EditorSettings settings = readEditorSettings();
    for (QWidget *widget : {static_cast<QWidget *>(m_text1), static_cast<QWidget *>(m_list1)}) {
        QFont font = widget->font();
        if (settings.fontName)
            font.setFamily(*settings.fontName);
        if (settings.fontSize)
            font.setPointSizeF(*settings.fontSize);
        widget->setFont(font);
        if (settings.colour) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::Text, colourFromRgb(*settings.colour));
            widget->setPalette(palette);
        }
    }
    move(settings.position / kTwipsPerPixel);
}

void ScriptEditorWindow::writeSettings()
{
    const QFont font = m_text1->font();
    const quint32 rgb = rgbFromColour(m_text1->palette().color(QPalette::Text));
    // Settings that cannot be written are simply not kept.
    writeEditorSettings(font.family(), font.pointSizeF(), rgb, pos() * kTwipsPerPixel);
}

void ScriptEditorWindow::Form_Load()
{
    m_list1->hide();
    applyDesignFont();
    applySettings();
    // New without its guard and prompt: nothing runs and nothing has changed yet.
    ScriptChanged = false;
    new_Click();
    Timer1_Timer();
    m_timer1->start();
    m_loaded = true;
}

void ScriptEditorWindow::showWindow()
{
    if (!m_loaded)
        Form_Load();
    show();
    raise();
    activateWindow();
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
    m_timer1->stop();
    m_loaded = false;
    event->accept();
}

void ScriptEditorWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void ScriptEditorWindow::Form_Resize()
{
    if (!m_client)
        return;
    const int outerWidth = m_client->width() * kTwipsPerPixel + kFrameWidth;
    const int outerHeight = m_client->height() * kTwipsPerPixel + kFrameHeight;
    // A negative size is not applied: the control keeps the one it has.
    if (outerWidth - 300 >= 0) {
        m_text1->resize((outerWidth - 300) / kTwipsPerPixel, m_text1->height());
        m_list1->resize((outerWidth - 300) / kTwipsPerPixel, m_list1->height());
    }
    if (outerHeight - 1960 >= 0)
        m_text1->resize(m_text1->width(), (outerHeight - 1960) / kTwipsPerPixel);
    if (outerHeight - 1860 >= 0)
        m_list1->resize(m_list1->width(), (outerHeight - 1860) / kTwipsPerPixel);
}

void ScriptEditorWindow::Timer1_Timer()
{
    m_label4->setText(QLocale::c().toString(m_platform.clock().now().time(), u"h:mm AP"));
}

bool ScriptEditorWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_text1->viewport() && event->type() == QEvent::MouseMove)
        showCharacterCount();
    return QMainWindow::eventFilter(watched, event);
}

void ScriptEditorWindow::Command2_Click()
{
    m_engine.runOrStop(ScriptFileName);
}

void ScriptEditorWindow::run_script_Click()
{
    m_engine.runOrStop(ScriptFileName);
}

void ScriptEditorWindow::Check1_Click()
{
    if (!m_check1->isChecked()) {
        m_list1->hide();
        return;
    }
    if (ScriptChanged) {
        if (m_platform.dialogs().messageBox(kSavePrompt, MessageButtons::YesNo) ==
            MessageAnswer::No) {
            m_check1->setChecked(false);
            return;
        }
        saveScript();
    }
    m_list1->show();
    m_list1->clear();
    script::ScriptFileReader reader(ScriptFileName);
    if (!reader.isOpen())
        return;
    while (const std::optional<QString> line = reader.readLine())
        m_list1->addItem(*line);
    ScriptChanged = false;
}

void ScriptEditorWindow::runStateChanged(script::RunState state)
{
    m_command2->setText(state == script::RunState::Running ? kStopCaption : kRunCaption);
    m_check1->setEnabled(state == script::RunState::Idle);
}

bool ScriptEditorWindow::debugViewOn() const
{
    return m_check1->isChecked();
}

void ScriptEditorWindow::showDebugLine(int index)
{
    if (index >= 0 && index < m_list1->count())
        m_list1->setCurrentRow(index);
}

void ScriptEditorWindow::showProgress(const QString &text)
{
    m_label1->setText(text);
}

void ScriptEditorWindow::showCharacterCount()
{
    // Counted as saved: every line break is CR LF.
    const QString text = m_text1->toPlainText();
    m_label1->setText(numberText(text.size() + text.count(u'\n')) + QStringLiteral(" Characters"));
}

void ScriptEditorWindow::closeWindow()
{
    close();
}

} // namespace korvane::editor
