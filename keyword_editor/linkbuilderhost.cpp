#include "linkbuilderhost.h"

#include "linkbuilder.h"

namespace korvane {

LinkBuilderHost::LinkBuilderHost(Platform &platform, TutorialHooks tutorial)
    : m_platform(platform)
    , m_tutorial(std::move(tutorial))
{
}

LinkBuilderHost::~LinkBuilderHost() = default;

void LinkBuilderHost::setCommandCenter(KeyScan &keyScan)
{
    m_keyScan = &keyScan;
}

void LinkBuilderHost::show(const QString &keyWord)
{
    Q_ASSERT(m_keyScan);
    if (!m_keyScan)
        return;
    if (!m_window)
        m_window = std::make_unique<LinkBuilder>(m_platform, *m_keyScan, m_tutorial);
    m_window->Show(keyWord);
}

std::function<void(const QString &)> LinkBuilderHost::showHook()
{
    return [this](const QString &keyWord) { show(keyWord); };
}

bool LinkBuilderHost::isOpen() const
{
    return m_window && m_window->isVisible();
}

} // namespace korvane
