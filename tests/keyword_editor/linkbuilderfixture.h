#pragma once

// A keyword editor and its command center on the fake platform, in a fresh
// Application folder that is also the current directory.

#include "fakeplatform.h"
#include "keyscan.h"
#include "keyworddatabase.h"
#include "linkbuilder.h"
#include "linkbuilderhost.h"
#include "recordlist.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace korvane {

// Records pop-up menus instead of running their modal loop.
class RecordingLinkBuilder : public LinkBuilder
{
public:
    using LinkBuilder::LinkBuilder;
    QList<QMenu *> popups;

protected:
    void showPopupMenu(QMenu *menu, const QPoint &) override { popups.append(menu); }
};

struct LinkBuilderFixture
{
    QTemporaryDir home;
    FakePlatform platform;
    int tutorialShown = 0;
    int tutorialClosed = 0;
    std::unique_ptr<KeyScan> keyScan;
    std::unique_ptr<RecordingLinkBuilder> editor;

    LinkBuilderFixture()
    {
        qputenv("KORVANE_HOME", home.path().toLocal8Bit());
        QDir::setCurrent(home.path());
        keyScan = std::make_unique<KeyScan>(platform, WindowDirectory{});
        TutorialHooks hooks;
        hooks.showTutorial = [this] { ++tutorialShown; };
        hooks.closeTutorial = [this] { ++tutorialClosed; };
        editor = std::make_unique<RecordingLinkBuilder>(platform, *keyScan, hooks);
    }

    // Loads and shows the editor, active so that focus can be observed.
    RecordingLinkBuilder &open()
    {
        editor->Show();
        editor->activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(editor.get())); }();
        return *editor;
    }

    db::KeywordDatabase database() const { return db::KeywordDatabase(home.path()); }

    // Links a key word the way Add does: the record, then both index entries.
    qint32 link(const QString &keyWord, const QString &program)
    {
        return database().addLinkedRecord(keyWord, program).value_or(0);
    }

    QByteArray bytes(const QString &name) const
    {
        QFile file(home.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Every file of the Application folder with its content.
    QMap<QString, QByteArray> files() const
    {
        QMap<QString, QByteArray> result;
        const QStringList names = QDir(home.path()).entryList(QDir::Files | QDir::Hidden);
        for (const QString &name : names)
            result.insert(name, bytes(name));
        return result;
    }
};

// The item texts as the window builds them.
inline QString pad(const QString &text, int width)
{
    return text.leftJustified(width, u' ', true);
}

} // namespace korvane
