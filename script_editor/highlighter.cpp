#include "highlighter.h"

#include "scriptline.h"

namespace korvane::editor {
namespace {

using script::LineKind;

// Length of the command name at the start of a command line, backquote included.
qsizetype commandNameLength(LineKind kind, qsizetype lineLength)
{
    switch (kind) {
    case LineKind::Exit:
        return lineLength;
    case LineKind::RemoveDir:
    case LineKind::MakeDir:
    case LineKind::Copy:
    case LineKind::SetDate:
    case LineKind::SaveAppend:
        return 3;
    case LineKind::SerialPort:
    case LineKind::SetTime24:
    case LineKind::Set:
        return 4;
    case LineKind::SetTime12:
        return 5;
    default:
        return 2;
    }
}

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
    const LineKind kind = script::classifyLine(text);
    if (kind == LineKind::Comment) {
        setFormat(0, int(text.size()), m_comment);
        return;
    }
    if (kind == LineKind::Keystrokes) {
        highlightKeystrokes(text);
        return;
    }
    const int name = int(std::min(commandNameLength(kind, text.size()), text.size()));
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
