#include "launchplan.h"

#include <QDir>
#include <QFileInfo>

namespace korvane {
namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The entries of `folder` that `name` may stand for, best first: the exact
// spelling, the all-lower-case spelling, then every other entry that equals it
// ignoring case, in sorted order. Only names that exist are returned.
QStringList candidateEntries(const QString &folder, const QString &name)
{
    QStringList candidates;
    const QDir dir(folder);
    if (dir.exists(name))
        candidates.append(name);
    const QString lower = name.toLower();
    if (lower != name && dir.exists(lower))
        candidates.append(lower);
    const QStringList entries = dir.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0 && !candidates.contains(entry))
            candidates.append(entry);
    }
    return candidates;
}

QString expandHome(const QString &path)
{
    if (path == u'~')
        return QDir::homePath();
    if (path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

bool isExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

bool isPathLike(const QString &word)
{
    return word.startsWith(u'/') || word == u'~' || word.startsWith(QLatin1String("~/"));
}

// The program `word` names, as an absolute path to an executable file.
QString resolveProgram(const QString &word)
{
    if (!word.contains(u'/') && word != u'~')
        return findProgramOnPath(word);
    const QString expanded = expandHome(word);
    if (isExecutableFile(expanded))
        return QFileInfo(expanded).absoluteFilePath();
    const QString resolved = resolvePathIgnoringCase(word);
    return isExecutableFile(resolved) ? QFileInfo(resolved).absoluteFilePath() : QString();
}

bool isExplorer(const QString &word)
{
    return word.compare(QLatin1String("explorer"), Qt::CaseInsensitive) == 0 ||
           word.compare(QLatin1String("explorer.exe"), Qt::CaseInsensitive) == 0;
}

} // namespace

QStringList splitCommandLine(QStringView commandLine)
{
    QStringList words;
    QString word;
    bool inWord = false; // a quoted empty pair still makes a word
    bool inQuotes = false;
    const qsizetype n = commandLine.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = commandLine[i];
        if (c == u'\\') {
            qsizetype backslashes = 0;
            while (i < n && commandLine[i] == u'\\') {
                ++backslashes;
                ++i;
            }
            inWord = true;
            if (i < n && commandLine[i] == u'"') {
                word.append(QString(backslashes / 2, u'\\'));
                if (backslashes % 2 == 1) {
                    word.append(u'"');
                    ++i;
                }
                // An even count leaves the quote to be read as a delimiter below.
            } else {
                word.append(QString(backslashes, u'\\'));
            }
            continue;
        }
        if (c == u'"') {
            inWord = true;
            if (inQuotes && i + 1 < n && commandLine[i + 1] == u'"') {
                word.append(u'"');
                i += 2;
                continue;
            }
            inQuotes = !inQuotes;
            ++i;
            continue;
        }
        if (isBlank(c) && !inQuotes) {
            if (inWord) {
                words.append(word);
                word.clear();
                inWord = false;
            }
            ++i;
            continue;
        }
        word.append(c);
        inWord = true;
        ++i;
    }
    if (inWord)
        words.append(word);
    return words;
}

QString resolvePathIgnoringCase(const QString &path)
{
    const QString expanded = expandHome(path);
    if (expanded.isEmpty())
        return expanded;
    QString current = expanded.startsWith(u'/') ? QStringLiteral("/") : QDir::currentPath();
    const QStringList components = expanded.split(u'/', Qt::SkipEmptyParts);
    for (const QString &component : components) {
        QString entry = component;
        if (component != QLatin1String(".") && component != QLatin1String("..")) {
            const QStringList candidates = candidateEntries(current, component);
            if (candidates.isEmpty())
                return expanded;
            entry = candidates.first();
        }
        current = current.endsWith(u'/') ? current + entry : current + u'/' + entry;
    }
    return QDir::cleanPath(current);
}

QString findProgramOnPath(const QString &name)
{
    if (name.isEmpty() || name.contains(u'/'))
        return {};
    const QStringList folders = qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts);
    for (const QString &folder : folders) {
        const QStringList candidates = candidateEntries(folder, name);
        for (const QString &entry : candidates) {
            const QString path = QDir(folder).absoluteFilePath(entry);
            if (isExecutableFile(path))
                return path;
        }
    }
    return {};
}

std::optional<LaunchPlan> planLaunch(const QString &commandLine)
{
    const QString line = commandLine.trimmed();
    if (line.isEmpty())
        return std::nullopt;

    // A program whose path holds blanks may be stored unquoted.
    if (line.contains(u'/') && line.contains(u' ')) {
        const QString whole = resolveProgram(line);
        if (!whole.isEmpty())
            return LaunchPlan{whole, {}};
    }

    QStringList words = splitCommandLine(line);
    if (words.isEmpty())
        return std::nullopt;
    const QString first = words.takeFirst();

    if (isExplorer(first)) {
        const QString opener = findProgramOnPath(QStringLiteral("xdg-open"));
        if (opener.isEmpty())
            return std::nullopt;
        const QString folder = words.join(u' ');
        return LaunchPlan{opener,
                          {folder.isEmpty() ? QDir::homePath() : resolvePathIgnoringCase(folder)}};
    }

    const QString program = resolveProgram(first);
    if (program.isEmpty())
        return std::nullopt;
    for (QString &argument : words) {
        if (isPathLike(argument) && !QFileInfo::exists(argument))
            argument = resolvePathIgnoringCase(argument);
    }
    return LaunchPlan{program, words};
}

} // namespace korvane
