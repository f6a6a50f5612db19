// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Owns the program's one keyword editor, created the first time it is shown.

#include "keywordeditorhooks.h"

#include <QString>

#include <functional>
#include <memory>

namespace korvane {

class KeywordEditorWindow;
class Platform;

class KeywordEditorHost
{
public:
    explicit KeywordEditorHost(Platform &platform, KeywordEditorHooks hooks = {});
    ~KeywordEditorHost();
    KeywordEditorHost(const KeywordEditorHost &) = delete;
    KeywordEditorHost &operator=(const KeywordEditorHost &) = delete;

    // The hooks the editor is created with; set them before it is first shown.
    KeywordEditorHooks &hooks() { return m_hooks; }

    // Shows the editor, creating it on first use; a non-empty `keyWord` goes into
    // its key word field.
    void show(const QString &keyWord = {});
    // The editor, loaded but not shown when it was not loaded yet.
    KeywordEditorWindow &loadedWindow();
    // The editor, or null before it is first shown or loaded.
    KeywordEditorWindow *window() const { return m_window.get(); }
    bool isOpen() const;

private:
    Platform &m_platform;
    KeywordEditorHooks m_hooks;
    std::unique_ptr<KeywordEditorWindow> m_window;
};

} // namespace korvane
