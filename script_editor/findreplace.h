// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Find and replace in the editor's text: the shared search state and procedures
// (ScriptSearch) and the two modeless dialogs that drive them.

#include <QTextCursor>
#include <QWidget>

#include <optional>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace korvane {
class Dialogs;
}

namespace korvane::editor {

inline const QString kSearchTextNotFound = QStringLiteral("Search Text Not Found.");
inline const QString kReplaceCompleted = QStringLiteral("Replace Completed");
inline const QString kNoSearchText = QStringLiteral("Enter the text to search for.");

// Searches start just after the editor's selection (at the caret when there is
// none), run forward, case-sensitive, and do not wrap.
class ScriptSearch
{
public:
    ScriptSearch(QPlainTextEdit &text, Dialogs &dialogs);

    // The last search text that was found, and the last replacement asked for.
    const QString &lastFindText() const { return m_lastFindText; }
    const QString &lastReplacement() const { return m_lastReplacement; }
    QPlainTextEdit &text() const { return m_text; }

    // Selects the next match, or says there is none.
    void findNext(const QString &searchText);
    // Replaces the next match, or says there is none.
    void replaceNext(const QString &searchText, const QString &replacement);
    // From the start of the text or after the selection, until nothing more is
    // found; a replacement holding the search text is not searched again.
    void replaceAll(const QString &searchText, const QString &replacement, bool fromBeginning);

private:
    // An empty search text would match everywhere, and Replace All would never end.
    bool refuseEmpty(const QString &searchText);
    // A cursor selecting the next match of a non-empty `searchText`, if any.
    std::optional<QTextCursor> nextMatch(const QString &searchText) const;
    // Replaces the next match; false when there is none.
    bool replaceMatch(const QString &searchText, const QString &replacement);

    QPlainTextEdit &m_text;
    Dialogs &m_dialogs;
    QString m_lastFindText;
    QString m_lastReplacement;
};

// What both search dialogs are: a tool window kept above the editor, with a
// "Find What:" field and a Cancel button.
class SearchDialog : public QWidget
{
    Q_OBJECT

public:
    QLineEdit *findField() const { return m_findField; }
    QPushButton *cancelButton() const { return m_cancelButton; }

protected:
    // `size` in twips.
    SearchDialog(ScriptSearch &search, QWidget *editor, const QString &title, QSize size);
    // A field with its label to the left; a button.
    QLineEdit *addField(const QString &label, const QRect &field);
    QPushButton *addButton(const QString &caption, const QRect &button);

    ScriptSearch &m_search;
    QLineEdit *m_findField = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

// "Find Text".
class FindDialog : public SearchDialog
{
    Q_OBJECT

public:
    FindDialog(ScriptSearch &search, QWidget *editor);

    QPushButton *findNextButton() const { return m_findNextButton; }

private:
    void findNext();

    QPushButton *m_findNextButton = nullptr;
};

// "Replace".
class ReplaceDialog : public SearchDialog
{
    Q_OBJECT

public:
    ReplaceDialog(ScriptSearch &search, QWidget *editor);

    QLineEdit *replacementField() const { return m_replacementField; }
    QCheckBox *fromBeginningCheck() const { return m_fromBeginningCheck; }
    QPushButton *replaceNextButton() const { return m_replaceNextButton; }
    QPushButton *replaceAllButton() const { return m_replaceAllButton; }

private:
    void replaceNext();
    void replaceAll();

    QLineEdit *m_replacementField = nullptr;
    QCheckBox *m_fromBeginningCheck = nullptr;
    QPushButton *m_replaceNextButton = nullptr;
    QPushButton *m_replaceAllButton = nullptr;
};

} // namespace korvane::editor
