// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Application folder, where the keyword database, "PD.ini" and "Show.Txt"
// live, and case-insensitive access to the data files in it.

#include <QString>

namespace korvane {

// KORVANE_HOME when set; else the executable's folder when it is writable; else
// $XDG_DATA_HOME/korvane (created, private), the per-user data folder.
QString applicationFolder();

// The entry of `folder` whose name equals `name` ignoring case (an exact match is
// preferred), as a full path; empty when there is none.
QString findEntryIgnoringCase(const QString &folder, const QString &name);

// The path of data file `name` in `folder`: the existing entry that matches it
// ignoring case, else `folder` + "/" + `name` in its canonical spelling.
QString dataFilePath(const QString &folder, const QString &name);
inline QString dataFilePath(const QString &name)
{
    return dataFilePath(applicationFolder(), name);
}

// A shipped, read-only data file (tutorial text, wave file, picture): looked up in
// the Application folder first, then in the installed data folder. Returns the
// Application folder spelling when neither has it.
QString shippedDataPath(const QString &name);

// Deletes every entry of `folder` whose name ends with `suffix` ignoring case
// (dot-files included). Returns how many were deleted.
int removeEntriesWithSuffix(const QString &folder, const QString &suffix);

// The whole content of a text file (UTF-8, or Windows-1252 when not valid UTF-8);
// empty when the file is missing or unreadable. Line ends are kept.
QString readTextFile(const QString &fileName);

} // namespace korvane
