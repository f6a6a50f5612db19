// SPDX-License-Identifier: GPL-3.0-or-later
#include "installedapplications.h"

#include "launchplan.h"

namespace korvane {

namespace {

// Both sides go through the same upper-casing, so a path the database upper-cased
// its own way ("ß" and "µ" kept) still meets the entry's spelling.
QString matchKey(const QString &text)
{
    return text.trimmed().toUpper();
}

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

ApplicationMatcher::ApplicationMatcher(QList<InstalledApplication> applications)
    : m_applications(std::move(applications))
{
    for (qsizetype i = 0; i < m_applications.size(); ++i) {
        const InstalledApplication &application = m_applications.at(i);
        // The first application of a shared command line is the one it finds.
        const QString commandLine = matchKey(application.commandLine);
        if (!commandLine.isEmpty() && !m_byCommandLine.contains(commandLine))
            m_byCommandLine.insert(commandLine, i);
        const QString program = matchKey(application.program);
        if (program.isEmpty())
            continue;
        m_byProgram[program].append(i);
        m_byProgramName[fileNameOf(program)].append(i);
    }
}

const InstalledApplication *
ApplicationMatcher::soleOrPlain(const QList<qsizetype> &candidates) const
{
    for (const qsizetype i : candidates) {
        const InstalledApplication &application = m_applications.at(i);
        if (matchKey(application.commandLine) == matchKey(application.program))
            return &application;
    }
    return candidates.size() == 1 ? &m_applications.at(candidates.first()) : nullptr;
}

const InstalledApplication *ApplicationMatcher::match(const QString &storedProgram) const
{
    const QString stored = matchKey(storedProgram);
    if (stored.isEmpty() || m_applications.isEmpty())
        return nullptr;
    if (const auto found = m_byCommandLine.constFind(stored); found != m_byCommandLine.cend())
        return &m_applications.at(*found);
    if (const auto found = m_byProgram.constFind(stored); found != m_byProgram.cend())
        return soleOrPlain(*found);

    const QStringList words = splitCommandLine(stored);
    if (words.isEmpty())
        return nullptr;
    const QString &first = words.first();
    if (const auto found = m_byProgram.constFind(first); found != m_byProgram.cend())
        return soleOrPlain(*found);
    if (!first.contains(u'/')) {
        if (const auto found = m_byProgramName.constFind(first); found != m_byProgramName.cend())
            return soleOrPlain(*found);
    }
    return nullptr;
}

std::optional<InstalledApplication>
matchApplication(const QList<InstalledApplication> &applications, const QString &storedProgram)
{
    const ApplicationMatcher matcher(applications);
    if (const InstalledApplication *application = matcher.match(storedProgram))
        return *application;
    return std::nullopt;
}

} // namespace korvane
