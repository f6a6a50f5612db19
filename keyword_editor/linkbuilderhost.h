#pragma once

// Owns the program's one keyword editor, created the first time it is shown.

#include "tutorialhooks.h"

#include <QString>

#include <functional>
#include <memory>

namespace korvane {

class KeyScan;
class LinkBuilder;
class Platform;

class LinkBuilderHost
{
public:
    explicit LinkBuilderHost(Platform &platform, TutorialHooks tutorial = {});
    ~LinkBuilderHost();
    LinkBuilderHost(const LinkBuilderHost &) = delete;
    LinkBuilderHost &operator=(const LinkBuilderHost &) = delete;

    // The command center the editor refreshes on closing and runs key words in.
    // Must be set before the editor is first shown.
    void setCommandCenter(KeyScan &keyScan);

    // Shows the editor, creating it on first use; a non-empty `keyWord` goes into
    // its KeyWord field.
    void show(const QString &keyWord = {});
    // The command center's showKeywordEditor hook; valid as long as this host.
    std::function<void(const QString &)> showHook();

    // The editor, or null before it is first shown.
    LinkBuilder *window() const { return m_window.get(); }
    bool isOpen() const;

private:
    Platform &m_platform;
    TutorialHooks m_tutorial;
    KeyScan *m_keyScan = nullptr;
    std::unique_ptr<LinkBuilder> m_window;
};

} // namespace korvane
