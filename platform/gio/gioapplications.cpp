// SPDX-License-Identifier: GPL-3.0-or-later
#include "gioapplications.h"

#include "desktopentrycommand.h"

#include <QCollator>

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <algorithm>

namespace korvane {

namespace {

QString fromUtf8(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// The Icon key as written: a theme name or an absolute file path.
QString iconNameOf(GDesktopAppInfo *info)
{
    gchar *icon = g_desktop_app_info_get_string(info, G_KEY_FILE_DESKTOP_KEY_ICON);
    const QString name = fromUtf8(icon);
    g_free(icon);
    return name;
}

std::optional<InstalledApplication> applicationOf(GAppInfo *info)
{
    if (!G_IS_DESKTOP_APP_INFO(info) || !g_app_info_should_show(info))
        return std::nullopt;
    const std::optional<EntryCommand> command =
        commandFromExec(fromUtf8(g_app_info_get_commandline(info)));
    // An entry started only over D-Bus has no command to link.
    if (!command)
        return std::nullopt;
    return InstalledApplication{fromUtf8(g_app_info_get_id(info)),
                                fromUtf8(g_app_info_get_name(info)),
                                fromUtf8(g_app_info_get_description(info)),
                                iconNameOf(G_DESKTOP_APP_INFO(info)),
                                command->program,
                                command->commandLine};
}

QList<InstalledApplication> readApplications()
{
    QList<InstalledApplication> applications;
    GList *all = g_app_info_get_all();
    for (GList *item = all; item; item = item->next) {
        if (std::optional<InstalledApplication> application = applicationOf(G_APP_INFO(item->data)))
            applications.append(std::move(*application));
    }
    g_list_free_full(all, g_object_unref);

    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::stable_sort(applications.begin(), applications.end(),
                     [&collator](const InstalledApplication &a, const InstalledApplication &b) {
                         return collator.compare(a.name, b.name) < 0;
                     });
    return applications;
}

} // namespace

GioApplications::~GioApplications()
{
    if (m_monitor) {
        g_signal_handler_disconnect(m_monitor, m_changedHandler);
        g_object_unref(m_monitor);
    }
}

QList<InstalledApplication> GioApplications::list()
{
    if (!m_applications) {
        m_applications = readApplications();
        // GLib reports changes only of a list it has handed out.
        watchEntries();
    }
    return *m_applications;
}

void GioApplications::watchEntries()
{
    if (m_monitor)
        return;
    GAppInfoMonitor *monitor = g_app_info_monitor_get();
    m_monitor = monitor;
    m_changedHandler =
        g_signal_connect(monitor, "changed", G_CALLBACK(&GioApplications::onEntriesChanged), this);
}

void GioApplications::onEntriesChanged(void *, void *self)
{
    static_cast<GioApplications *>(self)->m_applications.reset();
}

} // namespace korvane
