// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the command center reaches the program's other windows. app/ fills the hooks
// as those windows come into being; an unset hook does nothing.

#include <QString>

#include <functional>

namespace korvane {

struct WindowDirectory
{
    // Shows the keyword editor (modeless). A non-empty key word goes into its
    // key-word field; an empty one leaves the field as it is.
    std::function<void(const QString &keyWord)> showKeywordEditor;
    std::function<void()> showScriptEditor;
    std::function<void()> showTutorial;
    std::function<void()> showAbout;

    void keywordEditor(const QString &keyWord = {}) const
    {
        if (showKeywordEditor)
            showKeywordEditor(keyWord);
    }
    void scriptEditor() const { call(showScriptEditor); }
    void tutorial() const { call(showTutorial); }
    void about() const { call(showAbout); }

private:
    static void call(const std::function<void()> &hook)
    {
        if (hook)
            hook();
    }
};

} // namespace korvane
