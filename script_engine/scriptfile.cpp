// SPDX-License-Identifier: GPL-3.0-or-later
#include "scriptfile.h"

#include "windows1252.h"

#include <QFileInfo>

#include <cerrno>

namespace korvane::script {

ScriptFileReader::ScriptFileReader(const QString &fileName)
    : m_file(fileName)
{
    // Regular files only: opening a FIFO with no writer would block forever, and a
    // device such as /dev/zero never ends.
    const QFileInfo info(fileName);
    if (fileName.isEmpty())
        m_failure = QStringLiteral("no file name");
    else if (!info.exists())
        m_failure = qt_error_string(ENOENT);
    else if (!info.isFile())
        m_failure = QStringLiteral("it is not a regular file");
    else if (!m_file.open(QIODevice::ReadOnly))
        m_failure = m_file.errorString();
    else
        m_open = true;
}

std::optional<QString> ScriptFileReader::readLine(qint64 maxBytes)
{
    // The end is where a read gives nothing, not where the size says: the kernel's
    // files under /proc read as size 0 and still have content.
    char c = 0;
    if (!m_open || maxBytes <= 0 || !m_file.getChar(&c))
        return std::nullopt;
    m_file.ungetChar(c);

    QByteArray bytes;
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
