#pragma once

// A Velmora window on the fake platform, in a temporary folder that is both the
// Application folder and the current directory (where the .ini files go).

#include "fakeplatform.h"
#include "scripteditorwindow.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace korvane::editor::testing {

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The texts of the message boxes shown so far.
inline QStringList boxTexts(const FakeDialogs &dialogs)
{
    QStringList texts;
    for (const FakeDialogs::Box &box : dialogs.boxes)
        texts.append(box.text);
    return texts;
}

struct ScripterFixture
{
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<ScriptEditorWindow> scripter;

    void setUp()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        qputenv("KORVANE_HOME", dir->path().toLocal8Bit());
        QVERIFY(QDir::setCurrent(dir->path()));
        platform = std::make_unique<FakePlatform>();
        scripter = std::make_unique<ScriptEditorWindow>(*platform);
    }

    void tearDown()
    {
        scripter.reset();
        platform.reset();
        QDir::setCurrent(QDir::tempPath());
        dir.reset();
    }

    QString path(const QString &name) const { return dir->filePath(name); }
    FakeDialogs &dialogs() { return platform->dialog; }
    QPlainTextEdit &text1() { return *scripter->Text1(); }

    // Types into Text1 as the user would (marks the script changed).
    void type(const QString &text) { text1().insertPlainText(text); }

    // Saves the current text under `name` through Save As.
    QString saveAs(const QString &name)
    {
        const QString file = path(name);
        dialogs().saveChoices.enqueue(file);
        scripter->saveas_Click();
        return file;
    }
};

} // namespace korvane::editor::testing
