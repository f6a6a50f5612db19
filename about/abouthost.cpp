// SPDX-License-Identifier: GPL-3.0-or-later
#include "abouthost.h"

namespace korvane {

AboutHost::AboutHost(Platform &platform, PresentationClock clock)
    : m_platform(platform)
    , m_clock(clock)
{
}

AboutHost::~AboutHost() = default;

void AboutHost::show()
{
    if (m_window) {
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
        return;
    }
    m_window = std::make_unique<AboutWindow>(m_platform, m_clock);
    QObject::connect(m_window.get(), &AboutWindow::closed, m_window.get(), [this] { discard(); });
    m_window->present();
}

void AboutHost::discard()
{
    // The window closes from its own timer; it is deleted once that has returned.
    if (m_window)
        m_window.release()->deleteLater();
}

} // namespace korvane
