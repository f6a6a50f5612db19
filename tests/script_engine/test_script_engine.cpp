#include "commands.h"
#include "fakeplatform.h"
#include "fakescripthost.h"
#include "scriptengine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;
using namespace korvane::script;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestScriptEngine : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FakePlatform m_platform;
    FakeScriptHost m_host;

    QString writeScript(const QByteArray &text, const QString &name = QStringLiteral("t.vlm"))
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
        return path;
    }

    void run(QString path)
    {
        ScriptEngine engine(m_host, m_platform);
        engine.Execute_Script(path);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
        qputenv("KORVANE_HOME", m_dir.path().toUtf8());
        m_platform.~FakePlatform();
        new (&m_platform) FakePlatform;
        m_host = FakeScriptHost();
        m_platform.loop.advancing = &m_platform.time;
    }

    void endOfScriptShowsCharacterCountAndIdles()
    {
        run(writeScript("`* nothing\r\n"));
        QCOMPARE(m_host.labels.last(), QStringLiteral(" 42 Characters"));
        QCOMPARE(m_host.caption, kRunCaption);
        QVERIFY(m_host.checkEnabled);
        QVERIFY(!m_platform.loop.ended);
    }

    void unopenableScriptReportsAndIdles()
    {
        run(m_dir.filePath(QStringLiteral("missing.vlm")));
        QCOMPARE(m_platform.dialog.boxes.size(), 1);
        QCOMPARE(m_platform.dialog.boxes[0].text, kCannotOpenScript);
        QCOMPARE(m_host.caption, kRunCaption);
        QVERIFY(m_host.checkEnabled);
        QVERIFY(m_host.labels.isEmpty());
    }

    void autoRunEndsTheProgram()
    {
        m_host.autoRunMode = true;
        run(writeScript("`SET x\r\n"));
        QVERIFY(m_platform.loop.ended);
        QCOMPARE(m_platform.loop.exitCode, 0);

        m_platform.loop.ended = false;
        m_host.caption = kRunCaption; // the ended program left the window as it was
        m_host.checkEnabled = true;
        run(m_dir.filePath(QStringLiteral("missing.vlm")));
        QVERIFY(m_platform.loop.ended);
        QCOMPARE(m_platform.loop.exitCode, 1);
    }

    void saveBeforeRunQuestion()
    {
        const QString path = writeScript("`S out.txt\r\n");
        m_host.changed = true;

        m_platform.dialog.answers.enqueue(MessageAnswer::Cancel);
        run(path);
        QCOMPARE(m_platform.dialog.boxes[0].text, kSaveBeforeRunQuestion);
        QCOMPARE(m_platform.dialog.boxes[0].buttons, MessageButtons::YesNoCancel);
        QVERIFY(!QFile::exists(QStringLiteral("out.txt")));
        QCOMPARE(m_host.caption, kRunCaption);

        // Yes saves first; the run then reads what the save left on disk.
        m_platform.dialog.answers.enqueue(MessageAnswer::Yes);
        m_host.onSave = [&] { writeScript("`SET saved\r\n`S out.txt\r\n"); };
        run(path);
        QCOMPARE(m_host.saves, 1);
        QCOMPARE(readAll(QStringLiteral("out.txt")), QByteArray("saved\r\n"));

        // No runs the file as it is, without saving.
        m_platform.dialog.answers.enqueue(MessageAnswer::No);
        m_host.onSave = {};
        writeScript("`SET unsaved edits ignored\r\n`S out2.txt\r\n");
        run(path);
        QCOMPARE(m_host.saves, 1);
        QCOMPARE(readAll(QStringLiteral("out2.txt")), QByteArray("unsaved edits ignored\r\n"));
    }

    void stateGuards()
    {
        // While stopping (debug box still disabled) a start does nothing.
        m_host.checkEnabled = false;
        run(writeScript("`M hi\r\n"));
        QVERIFY(m_platform.dialog.boxes.isEmpty());

        // A call while running is a stop request: caption back, label cleared.
        m_host.checkEnabled = true;
        m_host.caption = kStopCaption;
        run(writeScript("`M hi\r\n"));
        QVERIFY(m_platform.dialog.boxes.isEmpty());
        QCOMPARE(m_host.caption, kRunCaption);
        QCOMPARE(m_host.labels, QStringList{QString()});
    }

    void stopDuringWaitEndsTheRun()
    {
        const QString path = writeScript("`W 30\r\n`M after\r\n");
        ScriptEngine engine(m_host, m_platform);
        int yields = 0;
        m_platform.loop.onYield = [&] {
            if (++yields == 5) {
                QString name = path;
                engine.Execute_Script(name); // the user clicks Stop
            }
        };
        QString name = path;
        engine.Execute_Script(name);
        QCOMPARE(yields, 5);
        QVERIFY(m_platform.dialog.boxes.isEmpty()); // no further line ran
        QCOMPARE(m_host.caption, kRunCaption);
        QVERIFY(m_host.checkEnabled);
        QCOMPARE(m_host.labels.first(), QStringLiteral(" 30 Seconds Remaining"));
        QCOMPARE(m_host.labels.last(), QString()); // cleared by the stop request
    }

    void waitCountsDown()
    {
        run(writeScript("`W 2\r\n"));
        QVERIFY(m_host.labels.contains(QStringLiteral(" 2 Seconds Remaining")));
        QVERIFY(m_host.labels.contains(QStringLiteral(" 1 Seconds Remaining")));
        QVERIFY(m_host.labels.contains(QStringLiteral(" 0 Seconds Remaining")));
        // 2 s in 20 ms passes, cleared at the end, then the character count.
        QVERIFY(m_platform.loop.waitCalls >= 100 && m_platform.loop.waitCalls <= 102);
        QCOMPARE(m_host.labels.at(m_host.labels.size() - 2), QString());
    }

    void waitsForDatesAndTimes()
    {
        // Past date, past time, unreadable argument: no wait at all.
        run(writeScript("`D 01/01/2000\r\n`T 09:00 AM\r\n`D someday\r\n`T later\r\n"));
        QCOMPARE(m_platform.loop.waitCalls, 0);

        // 10:00 now; wait until 10:00:01 AM.
        run(writeScript("`T 10:00:01 AM\r\n"));
        QVERIFY(m_platform.loop.waitCalls >= 50);
        QVERIFY(m_platform.time.current.time() >= QTime(10, 0, 1));
    }

    void debugSelectionFollowsTheLines()
    {
        m_host.debugOn = true;
        m_host.listSize = 3;
        run(writeScript("`* a\r\n`* b\r\n`* c\r\n"));
        QCOMPARE(m_host.selected, (QList<int>{0, 1, 2}));
    }

    void setDataMovesThroughFiles()
    {
        QFile in(QStringLiteral("in.txt"));
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.write("first\r\nsecond\r\n");
        in.close();
        run(writeScript("`F in.txt\r\n`S joined.txt\r\n`SET  two blanks\r\n"
                        "`SA log.txt\r\n`SA log.txt\r\n`S once.txt\r\n`S once.txt\r\n"));
        QCOMPARE(readAll(QStringLiteral("joined.txt")), QByteArray("firstsecond\r\n"));
        QCOMPARE(readAll(QStringLiteral("log.txt")), QByteArray(" two blanks\r\n two blanks\r\n"));
        QCOMPARE(readAll(QStringLiteral("once.txt")), QByteArray(" two blanks\r\n"));
    }

    void failedReadFileEndsTheRun()
    {
        run(writeScript("`K nothing-matches*\r\n`F missing.txt\r\n`M never\r\n"));
        QCOMPARE(m_platform.dialog.boxes.size(), 1);
        QCOMPARE(m_platform.dialog.boxes[0].text, kCannotOpenReadFile);
        QCOMPARE(m_host.caption, kRunCaption);
        QVERIFY(m_host.checkEnabled);

        // An earlier failure never counts against a later `F that opens.
        QFile in(QStringLiteral("ok.txt"));
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.write("x");
        in.close();
        m_platform.dialog.boxes.clear();
        run(writeScript("`K nothing-matches*\r\n`F ok.txt\r\n`M shown\r\n"));
        QCOMPARE(m_platform.dialog.boxes.size(), 1);
        QCOMPARE(m_platform.dialog.boxes[0].text, QStringLiteral("shown"));
    }

    void filesAndDirectories()
    {
        QFile a(QStringLiteral("a.txt"));
        QVERIFY(a.open(QIODevice::WriteOnly));
        a.write("alpha");
        a.close();
        QVERIFY(QDir().mkdir(QStringLiteral("keep.tmp")));
        run(writeScript("`MD made\r\n`MD deep/er\r\n`CP a.txt made/b c.txt\r\n"
                        "`CP a.txt a.txt\r\n`SET x\r\n`S one.tmp\r\n`S two.tmp\r\n"
                        "`K *.tmp\r\n`MD gone\r\n`RD gone\r\n`RD made\r\n"));
        QVERIFY(QFileInfo(QStringLiteral("made")).isDir()); // not empty: stays
        QVERIFY(!QFileInfo::exists(QStringLiteral("deep")));
        QCOMPARE(readAll(QStringLiteral("made/bc.txt")), QByteArray("alpha"));
        QCOMPARE(readAll(QStringLiteral("a.txt")), QByteArray("alpha"));
        QVERIFY(!QFile::exists(QStringLiteral("one.tmp")));
        QVERIFY(!QFile::exists(QStringLiteral("two.tmp")));
        QVERIFY(QFileInfo(QStringLiteral("keep.tmp")).isDir()); // directories never go
        QVERIFY(!QFileInfo::exists(QStringLiteral("gone")));
    }

    void platformCommands()
    {
        m_platform.dialog.inputs.enqueue(QStringLiteral("typed"));
        run(writeScript(
            "`E /USR/BIN/XTERM -E TOP\r\n`A Untitled - Editor\r\n`I Your name?\r\n`U\r\n"
            "`SD\r\n`U\r\n`STAP\r\n`U\r\n`STM \r\n`U\r\n`B\r\n`m hello\r\n"
            " `M typed{ENTER}\r\n\r\n`EXIT \r\n"));
        QCOMPARE(m_platform.launcher.started,
                 (QStringList{"/USR/BIN/XTERM -E TOP", "IT "})); // "`EXIT " is "`E"
        QCOMPARE(m_platform.activator.activated, QStringList{"Untitled - Editor"});
        QCOMPARE(m_platform.dialog.inputPrompts, QStringList{"Your name?"});
        QCOMPARE(m_platform.player.beeps, 1);
        QCOMPARE(m_platform.dialog.boxes.size(), 1);
        QCOMPARE(m_platform.dialog.boxes[0].text, QStringLiteral("hello"));
        const QList<FakeKeyboard::Sent> &sent = m_platform.keys.sent;
        QCOMPARE(sent.size(), 5); // the empty line sends nothing
        QCOMPARE(sent[0].notation, QStringLiteral("typed"));
        QVERIFY(!sent[0].wait);
        QCOMPARE(sent[1].notation, QStringLiteral("01/15/2026"));
        QCOMPARE(sent[2].notation, QStringLiteral("10:00 AM"));
        QCOMPARE(sent[3].notation, QStringLiteral("10:00"));
        QCOMPARE(sent[4].notation, QStringLiteral(" `M typed{ENTER}"));
        QVERIFY(sent[4].wait);
    }

    void exitEndsTheRunAndClosesTheWindow()
    {
        run(writeScript("`exit\r\n`M never\r\n"));
        QVERIFY(m_platform.dialog.boxes.isEmpty());
        QCOMPARE(m_host.closes, 1);
        QCOMPARE(m_host.caption, kRunCaption);
        QVERIFY(m_host.checkEnabled);

        m_host.autoRunMode = true;
        run(writeScript("`EXIT\r\n`M never\r\n"));
        QVERIFY(m_platform.loop.ended);
        QCOMPARE(m_host.closes, 1);
    }

    void serialPortWritesAndReportsFailures()
    {
        // A port name that is not COMn opens as a file in the current folder.
        run(writeScript("`COMX ATZ\r\n"));
        QCOMPARE(m_platform.dialog.boxes.size(), 2);
        QCOMPARE(m_platform.dialog.boxes[0].text, QStringLiteral("COMX"));
        QCOMPARE(m_platform.dialog.boxes[1].text, QStringLiteral(" ATZ"));
        QCOMPARE(readAll(QStringLiteral("COMX")), QByteArray(" ATZ\r\n"));

        // COM99 is /dev/ttyS98, which no machine has: the failure is described.
        m_platform.dialog.boxes.clear();
        run(writeScript("`com99 ATZ\r\n`M next\r\n"));
        QCOMPARE(m_platform.dialog.boxes.size(), 4);
        QCOMPARE(m_platform.dialog.boxes[0].text, QStringLiteral("COM99"));
        QVERIFY(!m_platform.dialog.boxes[2].text.isEmpty());
        QCOMPARE(m_platform.dialog.boxes[3].text, QStringLiteral("next"));
    }
};

QTEST_GUILESS_MAIN(TestScriptEngine)
#include "test_script_engine.moc"
