#include "scriptfile.h"

#include "ansi.h"

#include <QFileInfo>

namespace korvane::script {

ScriptFileReader::ScriptFileReader(const QString &fileName)
    : m_file(fileName)
{
    m_open =
        !fileName.isEmpty() && !QFileInfo(fileName).isDir() && m_file.open(QIODevice::ReadOnly);
}

std::optional<QString> ScriptFileReader::readLine()
{
    if (!m_open || m_file.atEnd())
        return std::nullopt;

    QByteArray bytes;
    char c = 0;
    while (m_file.getChar(&c)) {
        if (c == '\n')
            break;
        if (c == '\r') {
            char next = 0;
            if (m_file.peek(&next, 1) == 1 && next == '\n')
                m_file.getChar(&next);
            break;
        }
        bytes.append(c);
    }
    return decodeText(bytes);
}

void ScriptFileReader::close()
{
    m_file.close();
    m_open = false;
}

} // namespace korvane::script
