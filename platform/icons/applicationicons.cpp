// SPDX-License-Identifier: GPL-3.0-or-later
#include "applicationicons.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace korvane {

namespace {

// A session that names no icon theme (a bare X server with a plain window
// manager) only has hicolor; Adwaita, GTK's own fallback, holds the generic
// application icons many entries name.
void useGtkFallbackThemeWhereNoneIsSet()
{
    static const bool done = [] {
        const QString theme = QIcon::themeName();
        const QString fallback = QIcon::fallbackThemeName();
        const auto unset = [](const QString &name) {
            return name.isEmpty() || name == QLatin1String("hicolor");
        };
        if (unset(theme) && unset(fallback))
            QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
        return true;
    }();
    Q_UNUSED(done)
}

QHash<QString, QIcon> &iconCache()
{
    static QHash<QString, QIcon> icons;
    // Icons go with the application object, not after it at exit.
    static const bool cleared = [] {
        qAddPostRoutine([] { iconCache().clear(); });
        return true;
    }();
    Q_UNUSED(cleared)
    return icons;
}

} // namespace

QIcon applicationIcon(const QString &iconName)
{
    QHash<QString, QIcon> &icons = iconCache();
    if (iconName.isEmpty())
        return {};
    if (const auto found = icons.constFind(iconName); found != icons.cend())
        return *found;
    useGtkFallbackThemeWhereNoneIsSet();
    QIcon icon;
    if (QFileInfo(iconName).isAbsolute()) {
        if (QFileInfo::exists(iconName))
            icon = QIcon(iconName);
    } else {
        icon = QIcon::fromTheme(iconName);
    }
    if (icon.isNull())
        icon = QIcon();
    icons.insert(iconName, icon);
    return icon;
}

ApplicationIcons::ApplicationIcons(InstalledApplications &applications)
    : m_applications(applications)
{
}

const ApplicationMatcher &ApplicationIcons::matcher()
{
    if (!m_matcher)
        m_matcher.emplace(m_applications.list());
    return *m_matcher;
}

const InstalledApplication *ApplicationIcons::applicationFor(const QString &storedProgram)
{
    return matcher().match(storedProgram);
}

QIcon ApplicationIcons::iconFor(const QString &storedProgram)
{
    const InstalledApplication *application = applicationFor(storedProgram);
    return application ? applicationIcon(application->iconName) : QIcon();
}

bool ApplicationIcons::isEmpty()
{
    return matcher().applications().isEmpty();
}

void ApplicationIcons::forget()
{
    m_matcher.reset();
}

} // namespace korvane
