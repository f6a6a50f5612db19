// SPDX-License-Identifier: GPL-3.0-or-later
#include "tutorialhost.h"

namespace korvane {

TutorialHost::TutorialHost(Platform &platform, KeywordEditorLink editor)
    : m_platform(platform)
    , m_editor(std::move(editor))
{
}

TutorialHost::~TutorialHost() = default;

void TutorialHost::setKeywordEditorLink(KeywordEditorLink editor)
{
    m_editor = std::move(editor);
}

TutorialWindow &TutorialHost::window()
{
    if (!m_window) {
        m_window = std::make_unique<TutorialWindow>(m_platform, m_editor);
        QObject::connect(m_window.get(), &TutorialWindow::unloaded, m_window.get(),
                         [this] { discard(); });
        m_window->load();
    }
    return *m_window;
}

void TutorialHost::show()
{
    const bool wasLoaded = isLoaded();
    TutorialWindow &tutorial = window();
    if (wasLoaded)
        tutorial.show();
    tutorial.raise();
    tutorial.activateWindow();
}

void TutorialHost::sayHello()
{
    window().sayHello();
}

void TutorialHost::unload()
{
    if (m_window)
        m_window->close();
}

void TutorialHost::discard()
{
    // Deleted once control is back in the event loop: the close may have come from
    // one of the window's own handlers.
    if (m_window)
        m_window.release()->deleteLater();
}

} // namespace korvane
