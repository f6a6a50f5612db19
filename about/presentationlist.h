// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The About window's presentation: 100 entries, each a title line and a detail
// line of exactly 50 characters; entries left unfilled are blank.

#include <QString>
#include <QStringList>
#include <QVersionNumber>

namespace korvane {

inline constexpr int kPresentationEntries = 100;
inline constexpr int kPresentationLineLength = 50;

struct PresentationList
{
    QStringList titles;  // entry n at index n - 1
    QStringList details; // the same numbering
};

// "Version " + major + "." + revision (the third number; the minor one is not shown).
QString versionLine(const QVersionNumber &version);

// The presentation for a program of `version`.
PresentationList fillPresentationList(const QVersionNumber &version);

// A line cut or padded with spaces to 50 characters.
QString presentationLine(const QString &text);

} // namespace korvane
