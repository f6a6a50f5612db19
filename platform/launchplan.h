// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How a stored command line becomes a program and its arguments on Linux, for the
// process launcher of platform/qt. No shell: Windows-style splitting, then
// case-insensitive path resolution because key words store program paths in upper
// case ("/USR/BIN/XTERM").

#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {

// Splits like the Windows C runtime: blanks separate, double quotes group, and a
// backslash escapes a quote only when it stands before one.
QStringList splitCommandLine(QStringView commandLine);

// Resolves `path` one component at a time without regard to case: an existing
// entry spelled exactly wins, then the all-lower-case spelling, then the first
// matching entry in sorted order. A leading "~/" means the home folder; "." and
// ".." are taken by name. Returns `path` unchanged (home expanded) when some
// component has no match. The cost grows with the length of the path, not its
// square.
QString resolvePathIgnoringCase(const QString &path);

// Finds a bare program name on PATH, each folder searched without regard to case
// for an executable file. Empty when not found.
QString findProgramOnPath(const QString &name);

struct LaunchPlan
{
    QString program; // absolute path of an executable file
    QStringList arguments;
};

// Works out what `commandLine` starts. If the whole line, resolved like a program,
// names an executable file, it is the program (a name may hold blanks, tabs and
// quotes); otherwise the first word is. Arguments beginning with "/" or "~/" that
// do not exist as given are resolved like the program. The program name "explorer"
// (any case) becomes xdg-open on its folder argument, resolved the same way, or on
// the home folder when there is none. Empty when no program can be found; then
// `failure`, when given, says why.
std::optional<LaunchPlan> planLaunch(const QString &commandLine, QString *failure = nullptr);

} // namespace korvane
