// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The desktop's installed applications through GLib's GDesktopAppInfo: the XDG
// desktop entries of the user's folder and XDG_DATA_DIRS, as the desktop's own
// menus show them. GLib hides what is Hidden or whose TryExec or Exec program is
// missing; g_app_info_should_show() drops NoDisplay and what OnlyShowIn and
// NotShowIn keep off this desktop (XDG_CURRENT_DESKTOP).

#include "platform.h"

#include <optional>

namespace korvane {

class GioApplications : public InstalledApplications
{
public:
    GioApplications() = default;
    ~GioApplications() override;
    GioApplications(const GioApplications &) = delete;
    GioApplications &operator=(const GioApplications &) = delete;

    // Read on first use and kept until GLib reports a change of the entries
    // (which it notices while the event loop runs).
    QList<InstalledApplication> list() override;

private:
    static void onEntriesChanged(void *monitor, void *self);
    void watchEntries();

    std::optional<QList<InstalledApplication>> m_applications;
    void *m_monitor = nullptr; // GAppInfoMonitor, taken on first use
    unsigned long m_changedHandler = 0;
};

} // namespace korvane
