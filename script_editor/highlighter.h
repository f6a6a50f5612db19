#pragma once

// Colours the script text as the engine reads it: comments, backquote commands
// with their arguments, and in keystroke lines the {KEY} names and the Shift,
// Ctrl and Alt signs. It sets formats only; the text is never touched.

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace korvane::editor {

class ScriptHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    explicit ScriptHighlighter(QTextDocument *document);

protected:
    void highlightBlock(const QString &text) override;

private:
    void highlightKeystrokes(const QString &text);

    QTextCharFormat m_comment;
    QTextCharFormat m_command;
    QTextCharFormat m_argument;
    QTextCharFormat m_key;
    QTextCharFormat m_modifier;
};

} // namespace korvane::editor
