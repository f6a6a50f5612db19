#include "stepbystepinstance.h"

namespace korvane {

StepByStepInstance::StepByStepInstance(Platform &platform, KeywordEditorLink editor)
    : m_platform(platform)
    , m_editor(std::move(editor))
{
}

StepByStepInstance::~StepByStepInstance() = default;

void StepByStepInstance::setKeywordEditorLink(KeywordEditorLink editor)
{
    m_editor = std::move(editor);
}

StepByStep &StepByStepInstance::window()
{
    if (!m_window) {
        m_window = std::make_unique<StepByStep>(m_platform, m_editor);
        QObject::connect(m_window.get(), &StepByStep::unloaded, m_window.get(),
                         [this] { discard(); });
        m_window->Form_Load();
    }
    return *m_window;
}

void StepByStepInstance::show()
{
    const bool wasLoaded = isLoaded();
    StepByStep &tutorial = window();
    if (wasLoaded)
        tutorial.show();
    tutorial.raise();
    tutorial.activateWindow();
}

void StepByStepInstance::sayHello()
{
    window().Say_Hello();
}

void StepByStepInstance::unload()
{
    if (m_window)
        m_window->close();
}

void StepByStepInstance::discard()
{
    // Deleted once control is back in the event loop: the close may have come from
    // one of the window's own handlers.
    if (m_window)
        m_window.release()->deleteLater();
}

} // namespace korvane
