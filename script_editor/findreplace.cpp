// SPDX-License-Identifier: GPL-3.0-or-later
#include "findreplace.h"

#include "platform.h"
#include "twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace korvane::editor {
namespace {

constexpr int kLabelLeft = 120; // twips

} // namespace

ScriptSearch::ScriptSearch(QPlainTextEdit &text, Dialogs &dialogs)
    : m_text(text)
    , m_dialogs(dialogs)
{
}

bool ScriptSearch::refuseEmpty(const QString &searchText)
{
    if (!searchText.isEmpty())
        return false;
    m_dialogs.messageBox(kNoSearchText, MessageButtons::Ok);
    return true;
}

std::optional<QTextCursor> ScriptSearch::nextMatch(const QString &searchText) const
{
    QTextCursor cursor = m_text.textCursor();
    const qsizetype found =
        m_text.toPlainText().indexOf(searchText, cursor.selectionEnd(), Qt::CaseSensitive);
    if (found < 0)
        return std::nullopt;
    cursor.setPosition(int(found));
    cursor.setPosition(int(found + searchText.size()), QTextCursor::KeepAnchor);
    return cursor;
}

void ScriptSearch::findNext(const QString &searchText)
{
    if (refuseEmpty(searchText))
        return;
    const std::optional<QTextCursor> match = nextMatch(searchText);
    if (!match) {
        m_dialogs.messageBox(kSearchTextNotFound, MessageButtons::Ok);
        return;
    }
    m_text.activateWindow();
    m_text.setFocus();
    m_text.setTextCursor(*match);
    m_lastFindText = searchText;
}

bool ScriptSearch::replaceMatch(const QString &searchText, const QString &replacement)
{
    std::optional<QTextCursor> match = nextMatch(searchText);
    if (!match)
        return false;
    match->insertText(replacement);
    m_text.setTextCursor(*match);
    m_lastFindText = searchText;
    return true;
}

void ScriptSearch::replaceNext(const QString &searchText, const QString &replacement)
{
    m_lastReplacement = replacement;
    if (refuseEmpty(searchText))
        return;
    if (!replaceMatch(searchText, replacement))
        m_dialogs.messageBox(kSearchTextNotFound, MessageButtons::Ok);
}

void ScriptSearch::replaceAll(const QString &searchText, const QString &replacement,
                              bool fromBeginning)
{
    if (refuseEmpty(searchText))
        return;
    m_lastReplacement = replacement;
    if (fromBeginning) {
        QTextCursor cursor = m_text.textCursor();
        cursor.setPosition(0);
        m_text.setTextCursor(cursor);
    }
    while (replaceMatch(searchText, replacement)) {
    }
    m_dialogs.messageBox(kReplaceCompleted, MessageButtons::Ok);
}

SearchDialog::SearchDialog(ScriptSearch &search, QWidget *editor, const QString &title, QSize size)
    : QWidget(editor)
    , m_search(search)
{
    // A tool window belonging to the editor stays above it, and showing it again
    // brings it up without a timer.
    setWindowFlags(Qt::Tool);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    setFixedSize(twipsToPixels(size.width()), twipsToPixels(size.height()));
}

QLineEdit *SearchDialog::addField(const QString &label, const QRect &field)
{
    auto *caption = new QLabel(label, this);
    caption->move(twipsToPixels(kLabelLeft), field.y());
    caption->adjustSize();
    auto *edit = new QLineEdit(this);
    edit->setGeometry(field);
    return edit;
}

QPushButton *SearchDialog::addButton(const QString &caption, const QRect &button)
{
    auto *pushButton = new QPushButton(caption, this);
    pushButton->setGeometry(button);
    return pushButton;
}

FindDialog::FindDialog(ScriptSearch &search, QWidget *editor)
    : SearchDialog(search, editor, QStringLiteral("Find Text"), QSize(5700, 1100))
{
    m_findField = addField(QStringLiteral("Find What:"), twipsRect(1200, 120, 3015, 285));
    m_findNextButton = addButton(QStringLiteral("&Find Next"), twipsRect(4320, 120, 1215, 375));
    m_cancelButton = addButton(QStringLiteral("&Cancel"), twipsRect(4320, 600, 1215, 375));
    m_findField->setText(m_search.lastFindText());

    connect(m_findNextButton, &QPushButton::clicked, this, &FindDialog::findNext);
    connect(m_findField, &QLineEdit::returnPressed, this, &FindDialog::findNext);
    connect(m_cancelButton, &QPushButton::clicked, this, &QWidget::close);
}

void FindDialog::findNext()
{
    m_search.findNext(m_findField->text());
}

ReplaceDialog::ReplaceDialog(ScriptSearch &search, QWidget *editor)
    : SearchDialog(search, editor, QStringLiteral("Replace"), QSize(7000, 1500))
{
    m_findField = addField(QStringLiteral("Find What:"), twipsRect(1440, 120, 2775, 285));
    m_replacementField = addField(QStringLiteral("Replace With:"), twipsRect(1440, 600, 2775, 285));
    m_replaceNextButton =
        addButton(QStringLiteral("&Replace Next"), twipsRect(4320, 120, 1215, 375));
    m_replaceAllButton = addButton(QStringLiteral("Replace &All"), twipsRect(5640, 120, 1215, 375));
    m_fromBeginningCheck = new QCheckBox(QStringLiteral("&Start At Beginning"), this);
    m_fromBeginningCheck->setGeometry(twipsRect(4320, 600, 2535, 255));
    m_cancelButton = addButton(QStringLiteral("&Cancel"), twipsRect(4320, 960, 2535, 375));
    m_findField->setText(m_search.text().textCursor().selectedText());
    m_replacementField->setText(m_search.lastReplacement());

    connect(m_replaceNextButton, &QPushButton::clicked, this, &ReplaceDialog::replaceNext);
    connect(m_replaceAllButton, &QPushButton::clicked, this, &ReplaceDialog::replaceAll);
    connect(m_cancelButton, &QPushButton::clicked, this, &QWidget::close);
}

void ReplaceDialog::replaceNext()
{
    m_search.replaceNext(m_findField->text(), m_replacementField->text());
}

void ReplaceDialog::replaceAll()
{
    m_search.replaceAll(m_findField->text(), m_replacementField->text(),
                        m_fromBeginningCheck->isChecked());
}

} // namespace korvane::editor
