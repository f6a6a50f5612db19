#include "scripterfiles.h"

#include "ansi.h"

#include <QFile>
#include <QSaveFile>

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

bool replaceFile(const QString &fileName, const QByteArray &bytes, QString *error)
{
    // Unbuffered, so that a short write on a full disk shows here: a buffered
    // QSaveFile commits the truncated file without reporting it.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

WriteResult writeScriptFile(const QString &fileName, const QString &editorText)
{
    if (fileName.isEmpty() || isPatternName(fileName))
        return {false, QStringLiteral("Bad file name or number")};
    const QByteArray bytes = (toFileText(trimBlanks(editorText)) + QStringLiteral("\r\n")).toUtf8();
    WriteResult result;
    result.ok = replaceFile(fileName, bytes, &result.error);
    return result;
}

} // namespace korvane::editor
