// SPDX-License-Identifier: GPL-3.0-or-later
#include "appfolder.h"
#include "windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace korvane {
namespace {

QString executableFolder()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
}

// Where an installed Korvane keeps its shipped data, relative to bin/.
QString installedDataFolder()
{
    return QDir::cleanPath(executableFolder() + QStringLiteral("/" KORVANE_DATA_RELATIVE));
}

QString defaultApplicationFolder()
{
    const QString exeFolder = executableFolder();
    // A build tree or a portable copy keeps its data beside the executable; an
    // installed copy (it has a share/korvane beside bin/) never writes there.
    if (!exeFolder.isEmpty() && QFileInfo(exeFolder).isWritable() &&
        !QFileInfo::exists(installedDataFolder()))
        return exeFolder;

    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/korvane");
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return folder;
}

} // namespace

QString applicationFolder()
{
    const QString home = qEnvironmentVariable("KORVANE_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home);
    static const QString folder = defaultApplicationFolder();
    return folder;
}

QString findEntryIgnoringCase(const QString &folder, const QString &name)
{
    if (name.isEmpty())
        return {};
    const QString exact = folder + u'/' + name;
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return folder + u'/' + entry;
    }
    return {};
}

QString dataFilePath(const QString &folder, const QString &name)
{
    const QString existing = findEntryIgnoringCase(folder, name);
    return existing.isEmpty() ? folder + u'/' + name : existing;
}

QString shippedDataPath(const QString &name)
{
    const QString appFolder = applicationFolder();
    QString path = findEntryIgnoringCase(appFolder, name);
    if (path.isEmpty())
        path = findEntryIgnoringCase(installedDataFolder(), name);
    return path.isEmpty() ? appFolder + u'/' + name : path;
}

int removeEntriesWithSuffix(const QString &folder, const QString &suffix)
{
    int removed = 0;
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (entry.endsWith(suffix, Qt::CaseInsensitive) && QFile::remove(folder + u'/' + entry))
            ++removed;
    }
    return removed;
}

QString readTextFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return decodeText(file.readAll());
}

} // namespace korvane
