#include "qtplatform.h"

#include "keyboard/x11connection.h"

namespace korvane {

QtPlatform::QtPlatform()
    : m_x11(std::make_shared<X11Connection>())
    , m_keyboard(m_x11)
    , m_activator(m_x11)
{
}

QtPlatform::~QtPlatform() = default;

} // namespace korvane
