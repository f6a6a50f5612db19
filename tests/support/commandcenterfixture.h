// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command center on the fake platform, in a fresh Application folder that is
// also the current directory, with the windows it asks for noted in `requests`.

#include "commandcenterwindow.h"
#include "fakeplatform.h"
#include "keyworddatabase.h"
#include "testhome.h"

#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <memory>

namespace korvane::test {

// Records pop-up menus instead of running their modal loop.
class RecordingWindow : public CommandCenterWindow
{
public:
    using CommandCenterWindow::CommandCenterWindow;

    struct Popup
    {
        QMenu *menu;
        QPoint position;
    };
    QList<Popup> popups;

protected:
    void showPopupMenu(QMenu *menu, const QPoint &globalPosition) override
    {
        popups.append({menu, globalPosition});
    }
};

struct CommandCenterFixture
{
    test::TempHome home;
    FakePlatform platform;
    QStringList requests; // windows asked for through the hooks
    std::unique_ptr<RecordingWindow> window;

    CommandCenterFixture()
    {
        WindowDirectory windows;
        windows.showKeywordEditor = [this](const QString &k) { requests.append("editor " + k); };
        windows.showAbout = [this] { requests.append("about"); };
        windows.showScriptEditor = [this] { requests.append("scripts"); };
        windows.showTutorial = [this] { requests.append("tutorial"); };
        window = std::make_unique<RecordingWindow>(platform, windows);
    }

    void link(const QString &keyWord, const QString &program)
    {
        QVERIFY(db::KeywordDatabase(home.path()).addLinkedRecord(keyWord, program));
    }

    // Types `text` into the field and presses Enter, as a user does.
    void type(const QString &text)
    {
        window->keyWordField()->setText(text);
        QTest::keyClick(window->keyWordField(), Qt::Key_Return);
    }
};

} // namespace korvane::test
