// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Prints a script: its file name as a heading at 14 points, three empty lines,
// then the text in the editor's font, over as many pages as it needs.

#include <QFont>
#include <QString>

class QPrinter;

namespace korvane::editor {

inline constexpr double kHeadingPointSize = 14;

// Returns the description of the failure, or an empty text when the document
// went to the printer (or its PDF file).
QString printText(QPrinter &printer, const QString &heading, const QString &text,
                  const QFont &font);

} // namespace korvane::editor
