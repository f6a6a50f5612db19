// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's one tutorial window: created and loaded (centred, greeting) on
// first use, discarded when it is closed, so the next opening starts afresh.

#include "tutorialwindow.h"

#include <memory>

namespace korvane {

class TutorialHost
{
public:
    TutorialHost(Platform &platform, KeywordEditorLink editor = {});
    ~TutorialHost();

    // The keyword editor comes into being after the tutorial's owner; the link is
    // handed to windows loaded from then on.
    void setKeywordEditorLink(KeywordEditorLink editor);

    // The window, loaded (and so shown with the greeting) when it was not.
    TutorialWindow &window();
    bool isLoaded() const { return m_window != nullptr; }

    // Shows the tutorial, modeless, and brings it to the front.
    void show();
    // The greeting; loads the window first when needed (which greets as well).
    void sayHello();
    // Closes the tutorial when it is loaded.
    void unload();

private:
    void discard();

    Platform &m_platform;
    KeywordEditorLink m_editor;
    std::unique_ptr<TutorialWindow> m_window;
};

} // namespace korvane
