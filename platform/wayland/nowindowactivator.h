// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Activate by title" where the session offers no way to do it (GNOME's native
// windows, compositors without a window list): every title is a title that
// matches no window, so nothing changes and the script goes on.

#include "keyboard.h"

#include <QString>

namespace korvane {

class NoWindowActivator : public WindowActivator
{
public:
    // `reason` says why, for the log (BackendChoice::message).
    explicit NoWindowActivator(QString reason)
        : m_reason(std::move(reason))
    {
    }

    bool activate(const QString &) override { return false; }
    bool bringForward(const QString &) override { return false; }

    QString unavailableReason() const { return m_reason; }

private:
    QString m_reason;
};

} // namespace korvane
