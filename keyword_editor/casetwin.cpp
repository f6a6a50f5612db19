// SPDX-License-Identifier: GPL-3.0-or-later
#include "casetwin.h"

#include "records.h"

#include <QDir>
#include <QFileInfo>

namespace korvane {

QString caseTwinOf(const QString &commandLine)
{
    QString path = commandLine.trimmed();
    if (path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    if (!path.startsWith(u'/'))
        return {};
    if (!QFileInfo::exists(path))
        path = path.section(u' ', 0, 0);
    const QStringList parts = QDir::cleanPath(path).split(u'/', Qt::SkipEmptyParts);
    // Paths are joined by hand: QDir takes a name such as ":x" for a Qt resource.
    QString folder = QStringLiteral("/");
    const auto inFolder = [&folder](const QString &name) {
        return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
    };
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                           QDir::System | QDir::NoDotAndDotDot);
        if (!entries.contains(parts.at(i)))
            return {};
        const QString stored = db::upperCase(parts.at(i));
        for (const QString &entry : entries) {
            if (entry != parts.at(i) && db::upperCase(entry) == stored)
                return inFolder((QStringList{entry} + parts.mid(i + 1)).join(u'/'));
        }
        folder = inFolder(parts.at(i));
    }
    return {};
}

} // namespace korvane
