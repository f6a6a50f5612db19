// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The icon and name of the installed application a stored program belongs to,
// for the windows that list programs (menus, suggestions, the picker). The list
// of applications is asked for on the first look-up, never before.

#include "installedapplications.h"

#include <QHash>
#include <QIcon>
#include <QString>

#include <optional>

namespace korvane {

// An icon theme name, or an icon file's absolute path, as an icon; null when the
// theme has no such icon. Kept once found, for the whole program.
QIcon applicationIcon(const QString &iconName);

class ApplicationIcons
{
public:
    explicit ApplicationIcons(InstalledApplications &applications);

    // The application `storedProgram` belongs to (see ApplicationMatcher); null
    // when none. Valid until forget().
    const InstalledApplication *applicationFor(const QString &storedProgram);
    // Its icon; null when no application or no icon is known.
    QIcon iconFor(const QString &storedProgram);
    // Whether no application is installed, so that look-ups can be skipped.
    bool isEmpty();

    // Drops the list, so that the next look-up reads the applications again.
    void forget();

private:
    const ApplicationMatcher &matcher();

    InstalledApplications &m_applications;
    std::optional<ApplicationMatcher> m_matcher;
};

} // namespace korvane
