// SPDX-License-Identifier: GPL-3.0-or-later
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
    if (name.contains(QChar(0)))
        return {}; // the system would read the name only up to the NUL
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

// The best existing entry of `folder` for `name`, as candidateEntries orders
// them; empty when there is none. The folder is listed only when neither the
// exact nor the lower-case spelling exists.
QString bestEntry(const QString &folder, const QString &name)
{
    const QFileInfo exact(folder, name);
    if (exact.exists() || exact.isSymLink())
        return name;
    return candidateEntries(folder, name).value(0);
}

// The program `word` names, as an absolute path to an executable file; empty when
// there is none, and then `failure` says why.
QString resolveProgram(const QString &word, QString &failure)
{
    if (!word.contains(u'/') && word != u'~') {
        const QString found = findProgramOnPath(word);
        if (found.isEmpty())
            failure = QStringLiteral("no such program on PATH");
        return found;
    }
    const QString expanded = expandHome(word);
    if (isExecutableFile(expanded))
        return QFileInfo(expanded).absoluteFilePath();
    const QString resolved = resolvePathIgnoringCase(word);
    const QFileInfo info(resolved);
    if (info.isFile() && info.isExecutable())
        return info.absoluteFilePath();
    failure = !info.exists() ? QStringLiteral("no such file")
              : info.isDir() ? QStringLiteral("it is a folder")
                             : QStringLiteral("it is not executable");
    return {};
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
    const QString absolute =
        expanded.startsWith(u'/') ? expanded : QDir::currentPath() + u'/' + expanded;
    // The path found so far grows by appending and shrinks by cutting back to
    // where a component began, so each component costs only its own length.
    QString current;
    QList<qsizetype> starts;
    for (const QStringView component : QStringView(absolute).tokenize(u'/', Qt::SkipEmptyParts)) {
        if (component == u".")
            continue;
        if (component == u"..") {
            if (!starts.isEmpty())
                current.truncate(starts.takeLast());
            continue;
        }
        const QString entry =
            bestEntry(current.isEmpty() ? QStringLiteral("/") : current, component.toString());
        if (entry.isEmpty())
            return expanded;
        starts.append(current.size());
        current += u'/' + entry;
    }
    return current.isEmpty() ? QStringLiteral("/") : current;
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

std::optional<LaunchPlan> planLaunch(const QString &commandLine, QString *failure)
{
    QString why;
    const auto refuse = [&](const QString &reason) -> std::optional<LaunchPlan> {
        if (failure)
            *failure = reason;
        return std::nullopt;
    };
    const QString line = commandLine.trimmed();
    if (line.isEmpty())
        return refuse(QStringLiteral("nothing to start"));
    // The system would read every name only up to the NUL.
    if (line.contains(QChar(0)))
        return refuse(QStringLiteral("a command line with a NUL character is refused"));

    QStringList words = splitCommandLine(line);
    if (words.isEmpty())
        return refuse(QStringLiteral("nothing to start"));
    // The line as stored may be one program whose name holds blanks, tabs or
    // quotes: splitting it could start another program, or this one with
    // arguments cut from its own name.
    if (words.size() > 1 || words.constFirst() != line) {
        const QString whole = resolveProgram(line, why);
        if (!whole.isEmpty())
            return LaunchPlan{whole, {}};
    }
    const QString first = words.takeFirst();

    if (isExplorer(first)) {
        const QString opener = findProgramOnPath(QStringLiteral("xdg-open"));
        if (opener.isEmpty())
            return refuse(QStringLiteral("xdg-open, which opens folders, is not installed"));
        const QString folder = words.join(u' ');
        return LaunchPlan{opener,
                          {folder.isEmpty() ? QDir::homePath() : resolvePathIgnoringCase(folder)}};
    }

    const QString program = resolveProgram(first, why);
    if (program.isEmpty())
        return refuse(first == line ? why : u'"' + first + QStringLiteral("\": ") + why);
    for (QString &argument : words) {
        if (isPathLike(argument) && !QFileInfo::exists(argument))
            argument = resolvePathIgnoringCase(argument);
    }
    return LaunchPlan{program, words};
}

} // namespace korvane
