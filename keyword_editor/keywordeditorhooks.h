// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the keyword editor reaches the windows above it: the command center and the
// step-by-step tutorial. app/ fills the hooks; an unset hook does nothing.

#include "keyword.h"

#include <functional>

namespace korvane {

struct KeywordEditorHooks
{
    // Shows the tutorial window, then its greeting.
    std::function<void()> showTutorial;
    // Closes the tutorial window.
    std::function<void()> closeTutorial;
    // The editor closed: the command center's lists and menus follow the database.
    std::function<void()> reloadCommandCenterLists;
    // A double-clicked key word is acted on as if typed in the command center.
    std::function<void(const db::KeyWord &)> actOnKeyWord;

    template<typename Hook, typename... Args> static void call(const Hook &hook, Args &&...args)
    {
        if (hook)
            hook(std::forward<Args>(args)...);
    }
};

} // namespace korvane
