#include "desktopplatform.h"

#include "x11connection.h"

namespace korvane {

DesktopPlatform::DesktopPlatform()
    : m_x11(std::make_shared<X11Connection>())
    , m_keyboard(m_x11)
    , m_activator(m_x11)
{
}

DesktopPlatform::~DesktopPlatform() = default;

} // namespace korvane
