// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowtitles.h"

namespace korvane {

qsizetype findWindowTitle(const QStringList &titles, const QString &wanted)
{
    if (wanted.isEmpty())
        return -1;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        if (titles.at(i).compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    for (qsizetype i = 0; i < titles.size(); ++i) {
        if (titles.at(i).startsWith(wanted, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

} // namespace korvane
