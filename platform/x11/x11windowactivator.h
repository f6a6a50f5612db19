// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// X11 backend: activation of top-level windows by title. The window manager is
// asked through _NET_ACTIVE_WINDOW; without one the window is raised and focused.

#include "keyboard.h"
#include "windowtitles.h"

#include <QList>
#include <QStringList>

#include <memory>

namespace korvane {

class X11Connection;

class X11WindowActivator : public WindowActivator
{
public:
    explicit X11WindowActivator(std::shared_ptr<X11Connection> connection = {});

    bool activate(const QString &title) override;
    bool bringForward(const QString &title) override;

    // The titles of the top-level client windows, oldest first (for diagnostics).
    QStringList windowTitles();

private:
    QList<unsigned long> clientWindows();
    bool windowManagerSupportsActivation();
    // Sends the activation request for the window titled `title`; None when no
    // window matches.
    unsigned long requestActivation(const QString &title);
    bool waitUntilFocused(unsigned long window);

    std::shared_ptr<X11Connection> m_connection;
};

} // namespace korvane
