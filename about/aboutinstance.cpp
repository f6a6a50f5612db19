#include "aboutinstance.h"

namespace korvane {

AboutInstance::AboutInstance(Platform &platform, PresentationClock clock)
    : m_platform(platform)
    , m_clock(clock)
{
}

AboutInstance::~AboutInstance() = default;

void AboutInstance::show()
{
    if (m_window) {
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
        return;
    }
    m_window = std::make_unique<About>(m_platform, m_clock);
    QObject::connect(m_window.get(), &About::unloaded, m_window.get(), [this] { discard(); });
    m_window->Form_Load();
}

void AboutInstance::discard()
{
    // The window closes from its own timer; it is deleted once that has returned.
    if (m_window)
        m_window.release()->deleteLater();
}

} // namespace korvane
