// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Program paths are stored upper-cased, and the launcher finds them again without
// regard to case: a path with a twin that differs only in letter case cannot be
// told apart from it once stored.

#include <QString>

namespace korvane {

// The existing path that `commandLine`'s program (the whole line when it names a
// file, else its first word) could equally be taken for: the same path with one
// component spelled in another letter case. Empty when there is none, or when
// the program is not given as an absolute path.
QString caseTwinOf(const QString &commandLine);

} // namespace korvane
