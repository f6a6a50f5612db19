#pragma once

// A command center on the fake platform, in a fresh Application folder that is
// also the current directory.

#include "fakeplatform.h"
#include "keyscan.h"
#include "keyworddatabase.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace korvane {

// Records pop-up menus instead of running their modal loop.
class RecordingKeyScan : public KeyScan
{
public:
    using KeyScan::KeyScan;

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

struct KeyScanFixture
{
    QTemporaryDir home;
    FakePlatform platform;
    QStringList editorRequests; // key words handed to the keyword editor hook
    int aboutRequests = 0;
    int scriptEditorRequests = 0;
    int tutorialRequests = 0;
    std::unique_ptr<RecordingKeyScan> window;

    KeyScanFixture()
    {
        qputenv("KORVANE_HOME", home.path().toLocal8Bit());
        QDir::setCurrent(home.path());
    }

    RecordingKeyScan &make(bool withHooks = true)
    {
        WindowDirectory windows;
        if (withHooks) {
            windows.showKeywordEditor = [this](const QString &k) { editorRequests.append(k); };
            windows.showAbout = [this] { ++aboutRequests; };
            windows.showScriptEditor = [this] { ++scriptEditorRequests; };
            windows.showTutorial = [this] { ++tutorialRequests; };
        }
        window = std::make_unique<RecordingKeyScan>(platform, windows);
        return *window;
    }

    db::KeywordDatabase database() const { return db::KeywordDatabase(home.path()); }

    // Adds a key word the way the keyword editor does: record, then both index entries.
    qint32 addKeyWord(const QString &keyWord, const QString &program)
    {
        return database().addLinkedRecord(keyWord, program).value_or(0);
    }

    QByteArray fileBytes(const QString &name) const
    {
        QFile file(home.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile file(home.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

} // namespace korvane
