// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywordeditorhost.h"

#include "keywordeditorwindow.h"

namespace korvane {

KeywordEditorHost::KeywordEditorHost(Platform &platform, KeywordEditorHooks hooks)
    : m_platform(platform)
    , m_hooks(std::move(hooks))
{
}

KeywordEditorHost::~KeywordEditorHost() = default;

void KeywordEditorHost::show(const QString &keyWord)
{
    if (!m_window)
        m_window = std::make_unique<KeywordEditorWindow>(m_platform, m_hooks);
    m_window->showWithKeyWord(keyWord);
}

KeywordEditorWindow &KeywordEditorHost::loadedWindow()
{
    if (!m_window)
        m_window = std::make_unique<KeywordEditorWindow>(m_platform, m_hooks);
    if (!m_window->isLoaded())
        m_window->load();
    return *m_window;
}

bool KeywordEditorHost::isOpen() const
{
    return m_window && m_window->isVisible();
}

} // namespace korvane
