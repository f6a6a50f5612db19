#pragma once

// Find and replace in the editor's text: the shared search state and procedures
// (ScriptSearch) and the two modeless dialogs that drive them.

#include <QWidget>

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

// Positions are 1-based; a search starts at the position just after the editor's
// selection. Searches run forward, case-sensitive, and do not wrap.
class ScriptSearch
{
public:
    ScriptSearch(QPlainTextEdit &text1, Dialogs &dialogs);

    QString LastFindText;
    QString LastReplaceText;
    bool ReplaceFinished = false;
    bool ReplaceAllRunning = false;

    // Selects the first match at or after `start` in Text1, or says it found none.
    void Find_In_Script(int &start, const QString &searchText, const QString &textToSearch);
    // Replaces the first match at or after `start` with `replacement`.
    void Replace_In_Script(int &start, const QString &searchText, const QString &textToSearch,
                           const QString &replacement);

    // selection start + selection length + 1.
    int searchStart() const;
    // Replace All: from the start of the text or after the selection, until nothing
    // more is found; a replacement holding the search text is not searched again.
    void replaceAll(const QString &searchText, const QString &replacement, bool fromBeginning);

    QPlainTextEdit &text1() const { return m_text1; }

private:
    // An empty search text would match everywhere, and Replace All would never end.
    bool refuseEmpty(const QString &searchText);

    QPlainTextEdit &m_text1;
    Dialogs &m_dialogs;
};

// "Find Text": modeless, kept above the editor.
class FindDialog : public QWidget
{
    Q_OBJECT

public:
    FindDialog(ScriptSearch &module, QWidget *editor);

    QLineEdit *TextToFind() const { return m_textToFind; }
    QPushButton *FindNextButton() const { return m_findNextButton; }
    QPushButton *CancelButton() const { return m_cancelButton; }

    void FindNextButton_Click();

private:
    ScriptSearch &m_module;
    QLineEdit *m_textToFind = nullptr;
    QPushButton *m_findNextButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

// "Replace": modeless, kept above the editor.
class ReplaceDialog : public QWidget
{
    Q_OBJECT

public:
    ReplaceDialog(ScriptSearch &module, QWidget *editor);

    QLineEdit *TextToReplace() const { return m_textToReplace; }
    QLineEdit *ReplaceText() const { return m_replaceText; }
    QCheckBox *StartAtBeginning() const { return m_startAtBeginning; }
    QPushButton *ReplaceNextButton() const { return m_replaceNextButton; }
    QPushButton *ReplaceAllButton() const { return m_replaceAllButton; }
    QPushButton *CancelButton() const { return m_cancelButton; }

    void ReplaceNextButton_Click();
    void ReplaceAllButton_Click();

private:
    ScriptSearch &m_module;
    QLineEdit *m_textToReplace = nullptr;
    QLineEdit *m_replaceText = nullptr;
    QCheckBox *m_startAtBeginning = nullptr;
    QPushButton *m_replaceNextButton = nullptr;
    QPushButton *m_replaceAllButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

} // namespace korvane::editor
