// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a desktop entry's Exec value starts when no file or address is handed to
// it, as a command line the process launcher reads back (launchplan.h).

#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {

struct EntryCommand
{
    QString program;     // the full path of the program
    QString commandLine; // the program, then the arguments, quoted where needed
};

// Removes the field codes (%f, %F, %u, %U, %i, %c, %k and the deprecated ones):
// an argument that is only field codes goes, a code inside an argument is cut
// out of it, and "%%" becomes "%".
QStringList withoutFieldCodes(const QStringList &arguments);

// Joins arguments into one command line that splitCommandLine() splits back into
// exactly them: a word with blanks or quotes is quoted, its quotes escaped.
QString joinCommandLine(const QStringList &arguments);

// The Exec value `exec` parsed with the desktop entry format's quoting, without
// its field codes, its program found on PATH (or checked, when given as a path).
// Empty when the value does not parse or the program is not there.
std::optional<EntryCommand> commandFromExec(const QString &exec);

} // namespace korvane
