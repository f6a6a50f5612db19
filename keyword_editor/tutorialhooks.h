#pragma once

// How the keyword editor reaches the step-by-step tutorial. app/ fills the hooks
// once the tutorial window exists; an unset hook does nothing.

#include <functional>

namespace korvane {

struct TutorialHooks
{
    // Shows the tutorial window, then its greeting (Say_Hello).
    std::function<void()> showTutorial;
    // Closes the tutorial window.
    std::function<void()> closeTutorial;

    void show() const
    {
        if (showTutorial)
            showTutorial();
    }
    void close() const
    {
        if (closeTutorial)
            closeTutorial();
    }
};

} // namespace korvane
