// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Marks the script text as the engine reads it: command names and, in keystroke
// lines, the {KEY} names and the Shift, Ctrl and Alt signs. The colour, weight
// and slant the user chose in Fonts hold for every character; the marks only add
// emphasis on top of them. It sets formats only; the text is never touched.

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace korvane::editor {

class ScriptHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    explicit ScriptHighlighter(QTextDocument *document);

    // Fits the marks to the text's font: bold where the font is not bold
    // already, underlined where it is. Highlights the whole text again.
    void setBaseFont(const QFont &font);

protected:
    void highlightBlock(const QString &text) override;

private:
    void fitMarksTo(const QFont &font);
    void highlightKeystrokes(const QString &text);

    QTextCharFormat m_command; // command names and the Shift, Ctrl and Alt signs
    QTextCharFormat m_key;     // {KEY} names
};

} // namespace korvane::editor
