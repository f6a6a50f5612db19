// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings.h"

#include "filewrite.h"
#include "numbertext.h"
#include "scripttext.h"
#include "windows1252.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace korvane::editor {
namespace {

// The file's lines; a missing file has none, and a missing line reads as "".
QStringList readLines(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return decodeText(file.readAll()).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
}

QString lineAt(const QStringList &lines, qsizetype index)
{
    return index < lines.size() ? lines.at(index) : QString();
}

int twipsFrom(const QString &line)
{
    // Far-off values are clamped: a window position has no use for them.
    const double value = leadingNumber(line);
    return std::isfinite(value) ? int(std::lround(std::clamp(value, -1e7, 1e7))) : 0;
}

QByteArray settingsBytes(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return text.toUtf8();
}

} // namespace

QString settingsNumber(double value)
{
    // Ten significant digits keep every colour (up to 4294967295) whole; fewer would
    // write white as "1.677722e+07", which reads back as no colour at all.
    const QString digits = QString::number(std::abs(value), 'g', 10);
    return (value < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + digits + u' ';
}

EditorSettings readEditorSettings(const QString &fileName)
{
    const QStringList lines = readLines(fileName);
    EditorSettings settings;

    const QString name = lineAt(lines, 0).trimmed();
    if (!name.isEmpty())
        settings.fontName = name;

    // A size or colour that is not a number is skipped, as its failed conversion was.
    bool ok = false;
    const double size = lineAt(lines, 1).trimmed().toDouble(&ok);
    if (ok && size > 0)
        settings.fontSize = size;
    const qint64 colour = lineAt(lines, 2).trimmed().toLongLong(&ok);
    if (ok && colour >= 0 && colour <= 0xffffffffLL)
        settings.colour = quint32(colour);

    settings.position = QPoint(twipsFrom(lineAt(lines, 3)), twipsFrom(lineAt(lines, 4)));
    return settings;
}

bool writeEditorSettings(const QString &fontName, double fontSize, quint32 colour,
                         const QPoint &position, const QString &fileName)
{
    return replaceFileWhole(
        fileName,
        settingsBytes({fontName, settingsNumber(fontSize), settingsNumber(colour),
                       settingsNumber(position.x()), settingsNumber(position.y())}),
        NewFileAccess::Private);
}

QPoint readToolBoxPosition(const QString &fileName)
{
    const QStringList lines = readLines(fileName);
    return QPoint(twipsFrom(lineAt(lines, 0)), twipsFrom(lineAt(lines, 1)));
}

bool writeToolBoxPosition(const QPoint &position, const QString &fileName)
{
    return replaceFileWhole(
        fileName, settingsBytes({settingsNumber(position.x()), settingsNumber(position.y())}),
        NewFileAccess::Private);
}

} // namespace korvane::editor
