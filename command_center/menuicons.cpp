// SPDX-License-Identifier: GPL-3.0-or-later
#include "menuicons.h"

#include "applicationicons.h"

#include <QAction>
#include <QHash>
#include <QMenu>

namespace korvane {

void setProgramIcons(QMenu *menu, const QStringList &programs, ApplicationIcons &icons)
{
    if (icons.isEmpty())
        return;
    const QList<QAction *> entries = menu->actions();
    QHash<QString, QIcon> known; // key words often share a program
    // After the blank entry, one per program; a capped submenu ends in a disabled
    // entry that names no program.
    for (qsizetype i = 0; i < programs.size() && i + 1 < entries.size(); ++i) {
        if (!entries.at(i + 1)->isEnabled())
            break;
        const QString &program = programs.at(i);
        auto found = known.constFind(program);
        if (found == known.cend())
            found = known.insert(program, icons.iconFor(program));
        if (!found->isNull())
            entries.at(i + 1)->setIcon(*found);
    }
}

} // namespace korvane
