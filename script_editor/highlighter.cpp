#include "highlighter.h"

#include "scriptline.h"

namespace korvane::editor {
namespace {

using script::LineKind;

} // namespace

ScriptHighlighter::ScriptHighlighter(QTextDocument *document)
    : QSyntaxHighlighter(document)
{
    m_comment.setForeground(QColor(0, 128, 0));
    m_comment.setFontItalic(true);
    m_command.setForeground(QColor(0, 0, 192));
    m_command.setFontWeight(QFont::Bold);
    m_argument.setForeground(QColor(128, 0, 128));
    m_key.setForeground(QColor(160, 80, 0));
    m_modifier.setForeground(QColor(192, 0, 0));
    m_modifier.setFontWeight(QFont::Bold);
}

void ScriptHighlighter::highlightBlock(const QString &text)
{
    const script::ClassifiedLine line = script::classifyLine(text);
    const LineKind kind = line.kind;
    if (kind == LineKind::Comment) {
        setFormat(0, int(text.size()), m_comment);
        return;
    }
    if (kind == LineKind::Keystrokes) {
        highlightKeystrokes(text);
        return;
    }
    const int name = int(line.nameLength);
    setFormat(0, name, m_command);
    // "`U" sends the SET data and "`B" beeps: neither reads the rest of the line.
    if (kind != LineKind::UseKeys && kind != LineKind::Beep && text.size() > name)
        setFormat(name, int(text.size()) - name, m_argument);
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
            setFormat(i, 1, m_modifier);
        ++i;
    }
}

} // namespace korvane::editor
