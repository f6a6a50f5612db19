// The editor's document, print, font, clipboard, find and help commands.

#include "scripteditorwindow.h"

#include "findreplace.h"
#include "platform.h"
#include "printing.h"
#include "rgbcolour.h"
#include "scripttext.h"
#include "toolbox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace korvane::editor {
namespace {

// Screen and printer fonts, with effects: the text colour, underline, strike-out.
constexpr FontDialogOptions kFontDialogOptions =
    FontDialogOption::ScreenFonts | FontDialogOption::PrinterFonts | FontDialogOption::Effects;

} // namespace
namespace {

} // namespace

bool ScriptEditorWindow::refuseWhileRunning()
{
    if (m_engine.state() != script::RunState::Running)
        return false;
    m_platform.dialogs().messageBox(kScriptExecuting, MessageButtons::Ok);
    return true;
}

bool ScriptEditorWindow::savePrompt()
{
    if (!ScriptChanged)
        return true;
    switch (m_platform.dialogs().messageBox(kSavePrompt, MessageButtons::YesNoCancel)) {
    case MessageAnswer::Cancel:
        return false;
    case MessageAnswer::Yes:
        saveScript(); // the operation goes on whether or not the save worked
        return true;
    default:
        return true;
    }
}

void ScriptEditorWindow::setDocumentCaption()
{
    setWindowTitle(QStringLiteral("Velmora - ") + ScriptFileName.toUpper());
}

void ScriptEditorWindow::setEditorText(const QString &text)
{
    m_fillingText = true;
    m_text1->setPlainText(text);
    m_fillingText = false;
}

void ScriptEditorWindow::new_Click()
{
    if (refuseWhileRunning() || !savePrompt())
        return;
    setWindowTitle(kUntitledCaption);
    ScriptFileName.clear();
    setEditorText(QString());
    ScriptChanged = false;
}

void ScriptEditorWindow::open_Click()
{
    if (refuseWhileRunning() || !savePrompt())
        return;
    // Emptying a text that held something is an edit: a cancelled dialog leaves
    // the script marked changed.
    if (!m_text1->document()->isEmpty())
        m_text1->clear();
    m_list1->clear();
    QString name = kScriptPattern;
    m_platform.dialogs().openFileName(name);
    ScriptFileName = name.trimmed();

    // A name that does not exist yet is created empty and becomes the document; a
    // file that cannot be opened leaves everything as it is, without a message.
    const std::optional<QString> content = readScriptFile(ScriptFileName);
    if (!content)
        return;
    setDocumentCaption();
    setEditorText(trimBlanks(*content));
    showCharacterCount();
    ScriptChanged = false;
}

void ScriptEditorWindow::saveScript()
{
    if (refuseWhileRunning())
        return;
    if (ScriptFileName.isEmpty()) {
        saveas_Click();
        return;
    }
    const WriteResult written = writeScriptFile(ScriptFileName, m_text1->toPlainText());
    if (!written.ok) {
        m_platform.dialogs().messageBox(written.error, MessageButtons::Ok);
        return;
    }
    setDocumentCaption();
    ScriptChanged = false;
}

void ScriptEditorWindow::saveas_Click()
{
    if (refuseWhileRunning())
        return;
    QString name = kScriptPattern;
    m_platform.dialogs().saveFileName(name);
    ScriptFileName = name;
    ScriptChanged = false;
    // A cancelled dialog leaves the pattern, which names no file: silently.
    if (!writeScriptFile(ScriptFileName, m_text1->toPlainText()).ok)
        return;
    setDocumentCaption();
}

void ScriptEditorWindow::print_Click()
{
    if (trimBlanks(m_text1->toPlainText()).isEmpty()) {
        m_platform.dialogs().messageBox(kNothingToPrint, MessageButtons::Ok);
        return;
    }
    if (refuseWhileRunning())
        return;
    const QString error =
        printScript(*m_printer, ScriptFileName, m_text1->toPlainText(), m_text1->font());
    if (!error.isEmpty())
        m_platform.dialogs().messageBox(error, MessageButtons::Ok);
}

void ScriptEditorWindow::printsetup_Click()
{
    if (refuseWhileRunning())
        return;
    m_platform.dialogs().printerDialog(*m_printer);
}

void ScriptEditorWindow::display_tools_Click()
{
    setCursor(Qt::WaitCursor);
    m_label2->setText(QStringLiteral("Loading Tool Box"));
    m_platform.events().doEvents();
    if (!m_toolBox)
        m_toolBox = new ToolBoxWindow(*m_text1, m_platform.dialogs(), this);
    m_toolBox->show();
    m_toolBox->raise();
    unsetCursor();
    m_label2->clear();
}

void ScriptEditorWindow::exit_Click()
{
    close();
}

void ScriptEditorWindow::cut_Click()
{
    QTextCursor cursor = m_text1->textCursor();
    QGuiApplication::clipboard()->setText(
        cursor.selectedText().replace(QChar::ParagraphSeparator, u'\n'));
    cursor.insertText(QString());
    m_text1->setTextCursor(cursor);
    ScriptChanged = true;
}

void ScriptEditorWindow::Copy_Click()
{
    QGuiApplication::clipboard()->setText(
        m_text1->textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n'));
}

void ScriptEditorWindow::paste_Click()
{
    QTextCursor cursor = m_text1->textCursor();
    cursor.insertText(QGuiApplication::clipboard()->text());
    m_text1->setTextCursor(cursor);
    ScriptChanged = true;
}

void ScriptEditorWindow::Fonts_Click()
{
    m_label2->setText(QStringLiteral("Loading Fonts"));
    m_platform.events().doEvents();

    const QFont current = m_text1->font();
    FontChoice choice;
    choice.name = current.family();
    choice.size = current.pointSizeF();
    choice.bold = current.bold();
    choice.italic = current.italic();
    choice.colour = rgbFromColour(m_text1->palette().color(QPalette::Text));
    m_platform.dialogs().fontDialog(choice, kFontDialogOptions);

    for (QWidget *widget : {static_cast<QWidget *>(m_text1), static_cast<QWidget *>(m_list1)}) {
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
    m_label2->clear();
}

void ScriptEditorWindow::Find_Click()
{
    if (!m_findText)
        m_findText = new FindDialog(*m_module, this);
    m_findText->show();
    m_findText->raise();
    m_findText->activateWindow();
}

void ScriptEditorWindow::FindNext_Click()
{
    int start = m_module->searchStart();
    m_module->Find_In_Script(start, m_module->LastFindText, m_text1->toPlainText());
}

void ScriptEditorWindow::replace_Click()
{
    if (!m_replaceForm)
        m_replaceForm = new ReplaceDialog(*m_module, this);
    m_replaceForm->show();
    m_replaceForm->raise();
    m_replaceForm->activateWindow();
}

void ScriptEditorWindow::get_help_Click()
{
    m_platform.dialogs().messageBox(kGettingHelp, MessageButtons::Ok);
}

void ScriptEditorWindow::AboutMenu_Click()
{
    if (m_showAbout)
        m_showAbout();
}

} // namespace korvane::editor
