// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Numbers as the classic runtime wrote and read them in labels, list items and
// settings files.

#include <QString>
#include <QStringView>

namespace korvane {

// One blank before a non-negative number, a minus sign otherwise: 7 -> " 7".
QString numberText(qint64 value);

// The numeric value at the start of `text`: leading blanks ignored, reading stops
// at the first character that cannot continue a number; nothing numeric gives 0.
double leadingNumber(QStringView text);

} // namespace korvane
