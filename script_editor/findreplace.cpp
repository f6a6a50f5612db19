#include "findreplace.h"

#include "frame3d.h"
#include "platform.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

namespace korvane::editor {
namespace {

QRect twips(int left, int top, int width, int height)
{
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

void placeLabel(QLabel *label, int left, int top)
{
    label->move(left / kTwipsPerPixel, top / kTwipsPerPixel);
    label->adjustSize();
}

// A tool window belonging to the editor stays above it, and showing it again
// brings it up without a timer.
void setUpDialog(QWidget *dialog, const QString &title, int width, int height)
{
    dialog->setWindowFlags(Qt::Tool);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    dialog->setFixedSize(width / kTwipsPerPixel, height / kTwipsPerPixel);
}

} // namespace

ScriptSearch::ScriptSearch(QPlainTextEdit &text1, Dialogs &dialogs)
    : m_text1(text1)
    , m_dialogs(dialogs)
{
}

int ScriptSearch::searchStart() const
{
    const QTextCursor cursor = m_text1.textCursor();
    return cursor.selectionEnd() + 1;
}

bool ScriptSearch::refuseEmpty(const QString &searchText)
{
    if (!searchText.isEmpty())
        return false;
    ReplaceFinished = true;
    m_dialogs.messageBox(kNoSearchText, MessageButtons::Ok);
    return true;
}

void ScriptSearch::Find_In_Script(int &start, const QString &searchText,
                                  const QString &textToSearch)
{
    if (refuseEmpty(searchText))
        return;
    if (start < 1)
        start = 1;
    const qsizetype found = textToSearch.indexOf(searchText, start - 1, Qt::CaseSensitive);
    if (found < 0) {
        m_dialogs.messageBox(kSearchTextNotFound, MessageButtons::Ok);
        return;
    }
    m_text1.activateWindow();
    m_text1.setFocus();
    QTextCursor cursor = m_text1.textCursor();
    cursor.setPosition(int(found));
    cursor.setPosition(int(found + searchText.size()), QTextCursor::KeepAnchor);
    m_text1.setTextCursor(cursor);
    LastFindText = searchText;
}

void ScriptSearch::Replace_In_Script(int &start, const QString &searchText,
                                     const QString &textToSearch, const QString &replacement)
{
    LastReplaceText = replacement;
    if (refuseEmpty(searchText))
        return;
    if (start < 1)
        start = 1;
    const qsizetype found = textToSearch.indexOf(searchText, start - 1, Qt::CaseSensitive);
    if (found < 0) {
        ReplaceFinished = true;
        if (!ReplaceAllRunning)
            m_dialogs.messageBox(kSearchTextNotFound, MessageButtons::Ok);
        return;
    }
    QTextCursor cursor = m_text1.textCursor();
    cursor.setPosition(int(found));
    cursor.setPosition(int(found + searchText.size()), QTextCursor::KeepAnchor);
    cursor.insertText(replacement);
    m_text1.setTextCursor(cursor);
    LastFindText = searchText;
}

void ScriptSearch::replaceAll(const QString &searchText, const QString &replacement,
                              bool fromBeginning)
{
    if (refuseEmpty(searchText)) {
        ReplaceFinished = false;
        return;
    }
    ReplaceFinished = false;
    ReplaceAllRunning = true;
    if (fromBeginning) {
        QTextCursor cursor = m_text1.textCursor();
        cursor.setPosition(0);
        m_text1.setTextCursor(cursor);
    }
    while (!ReplaceFinished) {
        int start = searchStart();
        Replace_In_Script(start, searchText, m_text1.toPlainText(), replacement);
    }
    m_dialogs.messageBox(kReplaceCompleted, MessageButtons::Ok);
    ReplaceAllRunning = false;
    ReplaceFinished = false;
}

FindDialog::FindDialog(ScriptSearch &module, QWidget *editor)
    : QWidget(editor)
    , m_module(module)
{
    setUpDialog(this, QStringLiteral("Find Text"), 5700, 1100);
    placeLabel(new QLabel(QStringLiteral("Find What:"), this), 120, 120);
    m_textToFind = new QLineEdit(this);
    m_textToFind->setGeometry(twips(1200, 120, 3015, 285));
    m_findNextButton = new QPushButton(QStringLiteral("&Find Next"), this);
    m_findNextButton->setGeometry(twips(4320, 120, 1215, 375));
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setGeometry(twips(4320, 600, 1215, 375));

    // Form_Load.
    m_textToFind->setText(m_module.LastFindText);

    connect(m_findNextButton, &QPushButton::clicked, this, &FindDialog::FindNextButton_Click);
    connect(m_textToFind, &QLineEdit::returnPressed, this, &FindDialog::FindNextButton_Click);
    connect(m_cancelButton, &QPushButton::clicked, this, &QWidget::close);
}

void FindDialog::FindNextButton_Click()
{
    int start = m_module.searchStart();
    m_module.Find_In_Script(start, m_textToFind->text(), m_module.text1().toPlainText());
}

ReplaceDialog::ReplaceDialog(ScriptSearch &module, QWidget *editor)
    : QWidget(editor)
    , m_module(module)
{
    setUpDialog(this, QStringLiteral("Replace"), 7000, 1500);
    placeLabel(new QLabel(QStringLiteral("Find What:"), this), 120, 120);
    m_textToReplace = new QLineEdit(this);
    m_textToReplace->setGeometry(twips(1440, 120, 2775, 285));
    placeLabel(new QLabel(QStringLiteral("Replace With:"), this), 120, 600);
    m_replaceText = new QLineEdit(this);
    m_replaceText->setGeometry(twips(1440, 600, 2775, 285));
    m_replaceNextButton = new QPushButton(QStringLiteral("&Replace Next"), this);
    m_replaceNextButton->setGeometry(twips(4320, 120, 1215, 375));
    m_replaceAllButton = new QPushButton(QStringLiteral("Replace &All"), this);
    m_replaceAllButton->setGeometry(twips(5640, 120, 1215, 375));
    m_startAtBeginning = new QCheckBox(QStringLiteral("&Start At Beginning"), this);
    m_startAtBeginning->setGeometry(twips(4320, 600, 2535, 255));
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setGeometry(twips(4320, 960, 2535, 375));

    // Form_Load.
    m_textToReplace->setText(m_module.text1().textCursor().selectedText());
    m_replaceText->setText(m_module.LastReplaceText);

    connect(m_replaceNextButton, &QPushButton::clicked, this,
            &ReplaceDialog::ReplaceNextButton_Click);
    connect(m_replaceAllButton, &QPushButton::clicked, this,
            &ReplaceDialog::ReplaceAllButton_Click);
    connect(m_cancelButton, &QPushButton::clicked, this, &QWidget::close);
}

void ReplaceDialog::ReplaceNextButton_Click()
{
    int start = m_module.searchStart();
    m_module.Replace_In_Script(start, m_textToReplace->text(), m_module.text1().toPlainText(),
                               m_replaceText->text());
}

void ReplaceDialog::ReplaceAllButton_Click()
{
    m_module.replaceAll(m_textToReplace->text(), m_replaceText->text(),
                        m_startAtBeginning->isChecked());
}

} // namespace korvane::editor
