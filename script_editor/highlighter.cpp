// SPDX-License-Identifier: GPL-3.0-or-later
#include "highlighter.h"

#include "scriptline.h"

namespace korvane::editor {

using script::LineKind;

ScriptHighlighter::ScriptHighlighter(QTextDocument *document)
    : QSyntaxHighlighter(document)
{
    m_key.setFontUnderline(true);
    fitMarksTo(document->defaultFont());
}

void ScriptHighlighter::setBaseFont(const QFont &font)
{
    fitMarksTo(font);
    rehighlight();
}

void ScriptHighlighter::fitMarksTo(const QFont &font)
{
    // Neither mark sets a colour or a slant, so the user's stay.
    m_command = QTextCharFormat();
    if (font.bold())
        m_command.setFontUnderline(true);
    else
        m_command.setFontWeight(QFont::Bold);
}

void ScriptHighlighter::highlightBlock(const QString &text)
{
    const script::ClassifiedLine line = script::classifyLine(text);
    if (line.kind == LineKind::Keystrokes)
        highlightKeystrokes(text);
    else
        setFormat(0, int(line.nameLength), m_command);
}

void ScriptHighlighter::highlightKeystrokes(const QString &text)
{
    // Inside braces every character is a key name ("{+}" is the plus key), and
    // "{}}" names the closing brace.
    int i = 0;
    const int n = int(text.size());
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u'{') {
            int end = int(text.indexOf(u'}', i + 2));
            if (end < 0) {
                setFormat(i, n - i, m_key);
                return;
            }
            setFormat(i, end - i + 1, m_key);
            i = end + 1;
            continue;
        }
        if (c == u'+' || c == u'^' || c == u'%' || c == u'~' || c == u'(' || c == u')')
            setFormat(i, 1, m_command);
        ++i;
    }
}

} // namespace korvane::editor
