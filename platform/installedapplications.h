// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Finding the installed application a stored program belongs to. Key words store
// program paths upper-cased ("/USR/BIN/GNOME-CALCULATOR"), sometimes with
// arguments or as a bare name; the desktop's entries give them in their own case.

#include "platform.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace korvane {

// Matches stored programs against one list of installed applications, ignoring
// case. In order, the first rule that finds an application wins:
//   1. an application whose command line is the stored text;
//   2. the stored text, or its first word, is an application's program;
//   3. its first word is a bare name (no "/") and an application's program has
//      that file name.
// Under rules 2 and 3 several applications can share a program (a shell, env,
// flatpak): the one whose command line is its program alone is taken, or the
// only one there is; otherwise nothing matches.
class ApplicationMatcher
{
public:
    explicit ApplicationMatcher(QList<InstalledApplication> applications);

    // The application `storedProgram` belongs to; null when none does. The
    // pointer stays valid as long as this matcher.
    const InstalledApplication *match(const QString &storedProgram) const;

    const QList<InstalledApplication> &applications() const { return m_applications; }

private:
    const InstalledApplication *soleOrPlain(const QList<qsizetype> &candidates) const;

    QList<InstalledApplication> m_applications;
    QHash<QString, qsizetype> m_byCommandLine;        // upper-cased command line -> first
    QHash<QString, QList<qsizetype>> m_byProgram;     // upper-cased full path -> all
    QHash<QString, QList<qsizetype>> m_byProgramName; // upper-cased file name -> all
};

// The application of `applications` that `storedProgram` belongs to, by the rules
// of ApplicationMatcher. For many look-ups keep one ApplicationMatcher instead.
std::optional<InstalledApplication>
matchApplication(const QList<InstalledApplication> &applications, const QString &storedProgram);

} // namespace korvane
