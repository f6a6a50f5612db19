// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Large keyword databases for the benches, written straight to disk in the layout
// Add gives them (adding 100,000 key words one by one would take minutes).

#include <QString>

#include <functional>
#include <utility>

namespace korvane::bench {

// Writes `records` active records to `folder` with both indexes; record i (from 1)
// holds the key word and program `linkOf(i)` gives (the program is upper-cased as
// Add stores it).
void writeDatabase(const QString &folder, int records,
                   const std::function<std::pair<QString, QString>(int)> &linkOf);

} // namespace korvane::bench
