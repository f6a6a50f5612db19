// SPDX-License-Identifier: GPL-3.0-or-later
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

bool ScriptEditorWindow::refuseWhileRunning()
{
    if (m_engine.state() != script::RunState::Running)
        return false;
    m_platform.dialogs().messageBox(kScriptExecuting, MessageButtons::Ok);
    return true;
}

bool ScriptEditorWindow::savePrompt()
{
    if (!m_changed)
        return true;
    switch (m_platform.dialogs().messageBox(kSavePrompt, MessageButtons::YesNoCancel)) {
    case MessageAnswer::Cancel:
        return false;
    case MessageAnswer::Yes:
        // A save that is cancelled or fails abandons the operation: the text stays.
        return saveDocument();
    default:
        return true;
    }
}

void ScriptEditorWindow::setDocumentCaption()
{
    setWindowTitle(QStringLiteral("Velmora - ") + m_fileName.toUpper());
}

void ScriptEditorWindow::setEditorText(const QString &text)
{
    m_fillingText = true;
    m_scriptText->setPlainText(text);
    m_fillingText = false;
}

void ScriptEditorWindow::newScript()
{
    if (refuseWhileRunning() || !savePrompt())
        return;
    setWindowTitle(kUntitledCaption);
    m_fileName.clear();
    setEditorText(QString());
    m_changed = false;
    m_scriptText->setFocus();
}

void ScriptEditorWindow::openScript()
{
    if (refuseWhileRunning() || !savePrompt())
        return;
    // Emptying a text that held something is an edit: a cancelled dialog leaves
    // the script marked changed.
    if (!m_scriptText->document()->isEmpty())
        m_scriptText->clear();
    m_debugList->clear();
    QString name = kScriptPattern;
    m_platform.dialogs().openFileName(name, OpenFileName::ExistingOrNew);
    m_fileName = name.trimmed();
    m_scriptText->setFocus();

    // A name that does not exist yet is created empty and becomes the document; a
    // file that cannot be opened leaves everything as it is, without a message.
    const std::optional<QString> content = readScriptFile(m_fileName);
    if (!content)
        return;
    setDocumentCaption();
    setEditorText(trimBlanks(*content));
    showCharacterCount();
    m_changed = false;
}

void ScriptEditorWindow::saveScript()
{
    saveDocument();
}

void ScriptEditorWindow::saveScriptAs()
{
    saveDocumentAs();
}

bool ScriptEditorWindow::saveDocument()
{
    if (refuseWhileRunning())
        return false;
    if (m_fileName.isEmpty())
        return saveDocumentAs();
    return writeDocument();
}

bool ScriptEditorWindow::saveDocumentAs()
{
    if (refuseWhileRunning())
        return false;
    QString name = kScriptPattern;
    m_platform.dialogs().saveFileName(name);
    m_fileName = name;
    // A cancelled dialog leaves the pattern, which names no file: nothing is
    // written, silently, and the text stays marked changed.
    if (isPatternName(m_fileName))
        return false;
    return writeDocument();
}

bool ScriptEditorWindow::writeDocument()
{
    const WriteResult written = writeScriptFile(m_fileName, m_scriptText->toPlainText());
    if (!written.ok) {
        // The text stays, marked changed; the box says which file and why.
        m_platform.dialogs().messageBox(
            QStringLiteral("Cannot save %1: %2").arg(m_fileName, written.error),
            MessageButtons::Ok);
        return false;
    }
    setDocumentCaption();
    m_changed = false;
    return true;
}

void ScriptEditorWindow::printScript()
{
    if (trimBlanks(m_scriptText->toPlainText()).isEmpty()) {
        m_platform.dialogs().messageBox(kNothingToPrint, MessageButtons::Ok);
        return;
    }
    if (refuseWhileRunning())
        return;
    const QString error =
        printText(*m_printer, m_fileName, m_scriptText->toPlainText(), m_scriptText->font());
    if (!error.isEmpty())
        m_platform.dialogs().messageBox(error, MessageButtons::Ok);
}

void ScriptEditorWindow::showPrintSetup()
{
    if (refuseWhileRunning())
        return;
    m_platform.dialogs().printerDialog(*m_printer);
}

void ScriptEditorWindow::showToolBox()
{
    setCursor(Qt::WaitCursor);
    m_statusLabel->setText(QStringLiteral("Loading Tool Box"));
    m_platform.events().doEvents();
    if (!m_toolBox)
        m_toolBox = new ToolBoxWindow(*m_scriptText, m_platform.dialogs(), this);
    m_toolBox->show();
    m_toolBox->raise();
    unsetCursor();
    m_statusLabel->clear();
}

void ScriptEditorWindow::cutText()
{
    QTextCursor cursor = m_scriptText->textCursor();
    QGuiApplication::clipboard()->setText(
        cursor.selectedText().replace(QChar::ParagraphSeparator, u'\n'));
    cursor.insertText(QString());
    m_scriptText->setTextCursor(cursor);
    m_changed = true;
}

void ScriptEditorWindow::copyText()
{
    QGuiApplication::clipboard()->setText(
        m_scriptText->textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n'));
}

void ScriptEditorWindow::pasteText()
{
    QTextCursor cursor = m_scriptText->textCursor();
    cursor.insertText(QGuiApplication::clipboard()->text());
    m_scriptText->setTextCursor(cursor);
    m_changed = true;
}

void ScriptEditorWindow::chooseFont()
{
    m_statusLabel->setText(QStringLiteral("Loading Fonts"));
    m_platform.events().doEvents();
    FontChoice choice = currentFontChoice();
    m_platform.dialogs().fontDialog(choice, kFontDialogOptions);
    applyFontChoice(choice);
    m_statusLabel->clear();
}

template<typename Dialog> void ScriptEditorWindow::showSearchDialog(QPointer<Dialog> &dialog)
{
    if (!dialog)
        dialog = new Dialog(*m_search, this);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void ScriptEditorWindow::showFindDialog()
{
    showSearchDialog(m_findDialog);
}

void ScriptEditorWindow::findNext()
{
    m_search->findNext(m_search->lastFindText());
}

void ScriptEditorWindow::showReplaceDialog()
{
    showSearchDialog(m_replaceDialog);
}

void ScriptEditorWindow::showGettingHelp()
{
    m_platform.dialogs().messageBox(kGettingHelp, MessageButtons::Ok);
}

void ScriptEditorWindow::showAbout()
{
    if (m_showAbout)
        m_showAbout();
}

} // namespace korvane::editor
