// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Icons for the command center's submenu entries that stand for programs: the
// icon of the installed application each program belongs to.

#include <QStringList>

class QMenu;

namespace korvane {

class ApplicationIcons;

// Gives the entries of `menu` after its blank first one the icons of `programs`,
// one program per entry, in order. An entry whose program belongs to no installed
// application keeps no icon. Each distinct program is looked up once.
void setProgramIcons(QMenu *menu, const QStringList &programs, ApplicationIcons &icons);

} // namespace korvane
