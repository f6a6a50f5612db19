#include "scripter.h"

#include "ansi.h"
#include "numbertext.h"
#include "platform.h"
#include "scriptfile.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>

namespace korvane::editor {
namespace {

constexpr int kTwipsPerPixel = 15;

QRect twips(int left, int top, int width, int height)
{
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

// Blanks (spaces) trimmed at both ends; tabs and line breaks stay.
QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.sliced(first, last - first);
}

// The editor holds "\n" line breaks; script files have CR LF.
QString toFileText(const QString &editorText)
{
    QString text = editorText;
    return text.replace(u'\n', QStringLiteral("\r\n"));
}

QString toEditorText(QString fileText)
{
    return fileText.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

} // namespace

Scripter::Scripter(Platform &platform, const QString &commandLine, QWidget *parent)
    : QMainWindow(parent)
    , m_platform(platform)
    , m_engine(*this, platform)
{
    setWindowTitle(kUntitledCaption);
    auto *client = new QWidget(this);
    setCentralWidget(client);
    client->setMinimumSize(6600 / kTwipsPerPixel, 4365 / kTwipsPerPixel);

    m_command2 = new QPushButton(script::kRunCaption, client);
    m_command2->setGeometry(twips(4440, 120, 975, 375));
    m_check1 = new QCheckBox(QStringLiteral("&Debug"), client);
    m_check1->setGeometry(twips(5640, 120, 855, 255));
    m_text1 = new QPlainTextEdit(client);
    m_text1->setGeometry(twips(120, 600, 6375, 3135));
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text1->viewport()->setMouseTracking(true);
    m_text1->viewport()->installEventFilter(this);
    m_list1 = new QListWidget(client);
    m_list1->setGeometry(twips(120, 600, 6375, 3180));
    m_list1->hide();
    m_label2 = new QLabel(client);
    m_label2->setGeometry(twips(120, 3960, 1815, 255));
    m_label1 = new QLabel(client);
    m_label1->setGeometry(twips(2040, 3960, 2895, 255));

    connect(m_command2, &QPushButton::clicked, this, &Scripter::Command2_Click);
    connect(m_check1, &QCheckBox::toggled, this, &Scripter::Check1_Click);
    connect(m_text1, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_fillingText)
            ScriptChanged = true;
    });
    buildMenus();

    if (!commandLine.isEmpty()) {
        AutoRun = true;
        ScriptFileName = commandLine;
        Command2_Click();
    }
    new_Click();
}

Scripter::~Scripter() = default;

void Scripter::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&New"), this, &Scripter::new_Click);
    file->addAction(QStringLiteral("&Open"), this, &Scripter::open_Click);
    file->addAction(QStringLiteral("&Save"), QKeySequence(Qt::Key_F7), this, &Scripter::save_Click);
    file->addAction(QStringLiteral("Save &As"), this, &Scripter::saveas_Click);
    file->addSeparator();
    file->addAction(QStringLiteral("&Run Script"), QKeySequence(Qt::Key_F5), this,
                    &Scripter::run_script_Click);
    file->addSeparator();
    file->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
}

bool Scripter::refuseWhileRunning()
{
    if (m_command2->text() != script::kStopCaption)
        return false;
    m_platform.dialogs().messageBox(kScriptExecuting, MessageButtons::Ok);
    return true;
}

bool Scripter::savePrompt()
{
    if (!ScriptChanged)
        return true;
    switch (m_platform.dialogs().messageBox(kSavePrompt, MessageButtons::YesNoCancel)) {
    case MessageAnswer::Cancel:
        return false;
    case MessageAnswer::Yes:
        save_Click();
        return true;
    default:
        return true;
    }
}

void Scripter::setDocumentCaption()
{
    setWindowTitle(QStringLiteral("Velmora - ") + ScriptFileName.toUpper());
}

void Scripter::new_Click()
{
    if (refuseWhileRunning() || !savePrompt())
        return;
    setWindowTitle(kUntitledCaption);
    ScriptFileName.clear();
    m_text1->clear();
    ScriptChanged = false;
}

void Scripter::open_Click()
{
    if (refuseWhileRunning() || !savePrompt())
        return;
    m_text1->clear();
    m_list1->clear();
    QString name = kScriptPattern;
    m_platform.dialogs().openFileName(name);
    ScriptFileName = name.trimmed();

    // A name that does not exist yet is created empty and becomes the document.
    QFile file(ScriptFileName);
    if (!file.open(QIODevice::ReadWrite) && !file.open(QIODevice::ReadOnly))
        return;
    const QString content = toEditorText(decodeText(file.readAll()));
    file.close();

    setDocumentCaption();
    m_fillingText = true;
    m_text1->setPlainText(trimBlanks(content));
    m_fillingText = false;
    showCharacterCount();
    ScriptChanged = false;
}

bool Scripter::writeScript(const QString &fileName, bool reportFailure)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (reportFailure)
            m_platform.dialogs().messageBox(file.errorString(), MessageButtons::Ok);
        return false;
    }
    file.write((toFileText(trimBlanks(m_text1->toPlainText())) + QStringLiteral("\r\n")).toUtf8());
    if (!file.commit()) {
        if (reportFailure)
            m_platform.dialogs().messageBox(file.errorString(), MessageButtons::Ok);
        return false;
    }
    return true;
}

void Scripter::save_Click()
{
    if (refuseWhileRunning())
        return;
    if (ScriptFileName.isEmpty()) {
        saveas_Click();
        return;
    }
    if (!writeScript(ScriptFileName, true))
        return;
    setDocumentCaption();
    ScriptChanged = false;
}

void Scripter::saveas_Click()
{
    if (refuseWhileRunning())
        return;
    QString name = kScriptPattern;
    m_platform.dialogs().saveFileName(name);
    ScriptFileName = name;
    ScriptChanged = false;
    // A cancelled dialog leaves the pattern, which cannot be written: silently.
    if (ScriptFileName == kScriptPattern || !writeScript(ScriptFileName, false))
        return;
    setDocumentCaption();
}

void Scripter::Command2_Click()
{
    m_engine.Execute_Script(ScriptFileName);
}

void Scripter::run_script_Click()
{
    m_engine.Execute_Script(ScriptFileName);
}

void Scripter::Check1_Click()
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
        save_Click();
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

QString Scripter::command2Caption() const
{
    return m_command2->text();
}

void Scripter::setCommand2Caption(const QString &caption)
{
    m_command2->setText(caption);
}

bool Scripter::check1Enabled() const
{
    return m_check1->isEnabled();
}

void Scripter::setCheck1Enabled(bool enabled)
{
    m_check1->setEnabled(enabled);
}

bool Scripter::check1Value() const
{
    return m_check1->isChecked();
}

void Scripter::selectListItem(int index)
{
    if (index >= 0 && index < m_list1->count())
        m_list1->setCurrentRow(index);
}

void Scripter::setLabel1(const QString &caption)
{
    m_label1->setText(caption);
}

qsizetype Scripter::textLength() const
{
    // Counted as saved: every line break is CR LF.
    const QString text = m_text1->toPlainText();
    return text.size() + text.count(u'\n');
}

void Scripter::showCharacterCount()
{
    setLabel1(numberText(textLength()) + QStringLiteral(" Characters"));
}

void Scripter::closeWindow()
{
    close();
}

void Scripter::closeEvent(QCloseEvent *event)
{
    if (!savePrompt()) {
        event->ignore();
        return;
    }
    // A run still waiting ends at its next stop check.
    if (m_command2->text() == script::kStopCaption)
        setCommand2Caption(script::kRunCaption);
    event->accept();
}

bool Scripter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_text1->viewport() && event->type() == QEvent::MouseMove)
        showCharacterCount();
    return QMainWindow::eventFilter(watched, event);
}

} // namespace korvane::editor
