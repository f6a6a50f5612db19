// SPDX-License-Identifier: GPL-3.0-or-later
#include "scripttext.h"

#include "filewrite.h"
#include "windows1252.h"

#include <QFile>

namespace korvane::editor {

QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.sliced(first, last - first);
}

QString toFileText(const QString &editorText)
{
    QString text = editorText;
    return text.replace(u'\n', QStringLiteral("\r\n"));
}

QString toEditorText(QString fileText)
{
    return fileText.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

bool isPatternName(const QString &fileName)
{
    return fileName.contains(u'*') || fileName.contains(u'?');
}

std::optional<QString> readScriptFile(const QString &fileName)
{
    if (fileName.isEmpty() || isPatternName(fileName))
        return std::nullopt;
    QFile file(fileName);
    // Opening for read and write creates a missing file, as the binary open did;
    // a read-only file is still read.
    if (!file.open(QIODevice::ReadWrite) && !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return toEditorText(decodeText(file.readAll()));
}

WriteResult writeScriptFile(const QString &fileName, const QString &editorText)
{
    if (fileName.isEmpty() || isPatternName(fileName))
        return {false, QStringLiteral("Bad file name or number")};
    const QByteArray bytes = (toFileText(trimBlanks(editorText)) + QStringLiteral("\r\n")).toUtf8();
    WriteResult result;
    result.ok = replaceFileWhole(fileName, bytes, NewFileAccess::Default, &result.error);
    return result;
}

} // namespace korvane::editor
