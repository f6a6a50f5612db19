// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads a script (or a file read by "`F") one line at a time, never ahead of the
// line asked for. CR LF, a lone CR and a lone LF each end a line; a line end at
// the very end of the file gives no extra empty line. Each line is decoded as
// UTF-8, or as Windows-1252 when it is not valid UTF-8 (a byte order mark is
// dropped).

#include <QFile>
#include <QString>

#include <limits>
#include <optional>

namespace korvane::script {

class ScriptFileReader
{
public:
    explicit ScriptFileReader(const QString &fileName);

    // False when the file could not be opened for reading (missing, no access, a
    // directory, a device or FIFO, an empty name).
    bool isOpen() const { return m_open; }
    // Why the file could not be opened, in words for the user.
    QString failure() const { return m_failure; }

    // The next line, or nothing at the end of the file. A line longer than
    // `maxBytes` is returned in pieces of that many bytes.
    std::optional<QString> readLine(qint64 maxBytes = std::numeric_limits<qint64>::max());

    // Bytes consumed so far, line ends included.
    qint64 bytesRead() const { return m_file.pos(); }

    void close();

private:
    QFile m_file;
    bool m_open = false;
    QString m_failure;
};

} // namespace korvane::script
