// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Activate by title" on wlroots compositors through the foreign-toplevel
// protocol: the compositor lists every top-level window with its title, and
// activates the one asked for on our seat.

#include "keyboard.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <memory>

struct zwlr_foreign_toplevel_handle_v1;

namespace korvane {

class WaylandConnection;

class WlrootsWindowActivator : public QObject, public WindowActivator
{
public:
    // Shares `connection` with the keyboard; opens its own when null.
    explicit WlrootsWindowActivator(std::shared_ptr<WaylandConnection> connection = {},
                                    QObject *parent = nullptr);
    ~WlrootsWindowActivator() override;

    // Activates the window and returns once the compositor reports it active (or
    // after a second, when it does not).
    bool activate(const QString &title) override;
    bool bringForward(const QString &title) override;

    // Why no window can be activated, empty when windows can be.
    QString unavailableReason() const;
    // The titles of the open top-level windows, oldest first.
    QStringList windowTitles();
    // The title of the window the compositor reports active, empty for none.
    QString activeTitle();

    // Compositor events for the window list (called through the protocol's
    // listener).
    struct Toplevel
    {
        QString title;
        QString pendingTitle;
        bool active = false;
        bool pendingActive = false;
        quint64 order = 0;
    };
    QHash<zwlr_foreign_toplevel_handle_v1 *, Toplevel> &toplevels() { return m_toplevels; }
    quint64 nextOrder() { return ++m_order; }

private:
    zwlr_foreign_toplevel_handle_v1 *find(const QString &title);
    bool request(const QString &title, bool wait);

    std::shared_ptr<WaylandConnection> m_connection;
    QHash<zwlr_foreign_toplevel_handle_v1 *, Toplevel> m_toplevels;
    quint64 m_order = 0;
};

} // namespace korvane
