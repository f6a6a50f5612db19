// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whole-file replacement that never leaves a file half-written.

#include <QByteArray>
#include <QString>

namespace korvane {

// Who may read a file that is created anew; an existing file keeps its own mode.
enum class NewFileAccess {
    Default, // as the umask says (documents the user saves)
    Private, // the owner only (Korvane's own data and settings)
};

// Replaces the file at `path` with `bytes`: they are written beside it and renamed
// into place, so the file holds the old or the new content, never part of either
// (a full disk keeps the old one). Returns false, with the reason in `error`
// when given, if the new content did not reach the disk whole.
bool replaceFileWhole(const QString &path, const QByteArray &bytes,
                      NewFileAccess access = NewFileAccess::Default, QString *error = nullptr);

} // namespace korvane
