#include "scriptfile.h"

#include "windows1252.h"

#include <QFileInfo>

namespace korvane::script {

ScriptFileReader::ScriptFileReader(const QString &fileName)
    : m_file(fileName)
{
    // Regular files only: opening a FIFO with no writer would block forever, and a
    // device such as /dev/zero never ends.
    m_open =
        !fileName.isEmpty() && QFileInfo(fileName).isFile() && m_file.open(QIODevice::ReadOnly);
}

std::optional<QString> ScriptFileReader::readLine(qint64 maxBytes)
{
    if (!m_open || m_file.atEnd() || maxBytes <= 0)
        return std::nullopt;

    QByteArray bytes;
    char c = 0;
    while (bytes.size() < maxBytes && m_file.getChar(&c)) {
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
