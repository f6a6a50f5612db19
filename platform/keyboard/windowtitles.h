// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which window "activate by title" picks among the open ones: the rule every
// window-activation backend shares, pure logic.

#include <QStringList>

namespace korvane {

// The index in `titles` of the window that activation by `wanted` picks: the first
// exact match ignoring case, else the first title that begins with it; -1 for none.
// An empty `wanted` matches nothing.
qsizetype findWindowTitle(const QStringList &titles, const QString &wanted);

} // namespace korvane
