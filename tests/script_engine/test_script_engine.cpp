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
    std::unique_ptr<FakePlatform> m_fake;
    FakeScriptHost m_host;

    FakePlatform &platform() { return *m_fake; }

    // Writes `bytes` to `name` in the test folder (the current one) and returns its path.
    QString writeFile(const QByteArray &bytes, const QString &name = QStringLiteral("t.vlm"))
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        [&] { QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate)); }();
        file.write(bytes);
        return path;
    }

    void run(QString path) { ScriptEngine(m_host, platform()).runOrStop(path); }
    using States = QList<RunState>;

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
        qputenv("KORVANE_HOME", m_dir.path().toUtf8());
        m_fake = std::make_unique<FakePlatform>();
        m_host = FakeScriptHost();
        platform().loop.advancing = &platform().time;
    }

    void endOfScriptShowsCharacterCountAndIdles()
    {
        run(writeFile("`* nothing\r\n"));
        QCOMPARE(m_host.characterCounts, 1);
        QCOMPARE(m_host.states, (States{RunState::Running, RunState::Idle}));
        QVERIFY(!platform().loop.ended);
    }

    void unopenableScriptReportsAndIdles()
    {
        run(m_dir.filePath(QStringLiteral("missing.vlm")));
        QCOMPARE(platform().dialog.boxes.size(), 1);
        QCOMPARE(platform().dialog.boxes[0].text, kCannotOpenScript);
        QCOMPARE(m_host.states, (States{RunState::Running, RunState::Idle}));
        QCOMPARE(m_host.characterCounts, 0);
    }

    void autoRunEndsTheProgram()
    {
        m_host.autoRunMode = true;
        run(writeFile("`SET x\r\n"));
        QVERIFY(platform().loop.ended);
        QCOMPARE(platform().loop.exitCode, 0);
        QCOMPARE(m_host.characterCounts, 0);

        platform().loop.ended = false;
        run(m_dir.filePath(QStringLiteral("missing.vlm")));
        QVERIFY(platform().loop.ended);
        QCOMPARE(platform().loop.exitCode, 1);
    }

    void saveBeforeRunQuestion()
    {
        const QString path = writeFile("`S out.txt\r\n");
        m_host.changed = true;

        platform().dialog.answers.enqueue(MessageAnswer::Cancel);
        run(path);
        QCOMPARE(platform().dialog.boxes[0].text, kSaveBeforeRunQuestion);
        QCOMPARE(platform().dialog.boxes[0].buttons, MessageButtons::YesNoCancel);
        QVERIFY(!QFile::exists(QStringLiteral("out.txt")));
        QVERIFY(m_host.states.isEmpty());

        // Yes saves first; the run then reads what the save left on disk.
        platform().dialog.answers.enqueue(MessageAnswer::Yes);
        m_host.onSave = [&] { writeFile("`SET saved\r\n`S out.txt\r\n"); };
        run(path);
        QCOMPARE(m_host.saves, 1);
        QCOMPARE(readAll(QStringLiteral("out.txt")), QByteArray("saved\r\n"));

        // No runs the file as it is, without saving.
        platform().dialog.answers.enqueue(MessageAnswer::No);
        m_host.onSave = {};
        writeFile("`SET unsaved edits ignored\r\n`S out2.txt\r\n");
        run(path);
        QCOMPARE(m_host.saves, 1);
        QCOMPARE(readAll(QStringLiteral("out2.txt")), QByteArray("unsaved edits ignored\r\n"));
    }

    void stopDuringWaitEndsTheRun()
    {
        QString path = writeFile("`W 30\r\n`M after\r\n");
        ScriptEngine engine(m_host, platform());
        int yields = 0;
        platform().loop.onYield = [&] {
            if (++yields == 5) {
                engine.runOrStop(path); // the user clicks Stop
                QCOMPARE(engine.state(), RunState::Stopping);
                engine.runOrStop(path); // and Run again: nothing until the run winds down
            }
        };
        engine.runOrStop(path);
        QCOMPARE(yields, 5);
        QVERIFY(platform().dialog.boxes.isEmpty()); // no further line ran
        QCOMPARE(m_host.states, (States{RunState::Running, RunState::Stopping, RunState::Idle}));
        QCOMPARE(engine.state(), RunState::Idle);
        QCOMPARE(m_host.progress.first(), QStringLiteral(" 30 Seconds Remaining"));
        QCOMPARE(m_host.progress.last(), QString()); // cleared by the stop request
        QCOMPARE(m_host.characterCounts, 0);
    }

    void waitCountsDown()
    {
        run(writeFile("`W 2\r\n"));
        for (const char *label :
             {" 2 Seconds Remaining", " 1 Seconds Remaining", " 0 Seconds Remaining"})
            QVERIFY2(m_host.progress.contains(QLatin1String(label)), label);
        // 2 s in 20 ms passes, cleared at the end.
        QVERIFY(platform().loop.waitCalls >= 100 && platform().loop.waitCalls <= 102);
        QCOMPARE(m_host.progress.last(), QString());
    }

    void waitsForDatesAndTimes()
    {
        // Past date, past time, unreadable argument: no wait at all.
        run(writeFile("`D 01/01/2000\r\n`T 09:00 AM\r\n`D someday\r\n`T later\r\n"));
        QCOMPARE(platform().loop.waitCalls, 0);

        // 10:00 now; wait until 10:00:01 AM.
        run(writeFile("`T 10:00:01 AM\r\n"));
        QVERIFY(platform().loop.waitCalls >= 50);
        QVERIFY(platform().time.current.time() >= QTime(10, 0, 1));
    }

    void debugSelectionFollowsTheLines()
    {
        m_host.debugOn = true;
        m_host.debugLines = 3;
        run(writeFile("`* a\r\n`* b\r\n`* c\r\n"));
        QCOMPARE(m_host.shownLines, (QList<int>{0, 1, 2}));
    }

    void setDataMovesThroughFiles()
    {
        writeFile("first\r\nsecond\r\n", QStringLiteral("in.txt"));
        run(writeFile("`F in.txt\r\n`S joined.txt\r\n`SET  two blanks\r\n"
                      "`SA log.txt\r\n`SA log.txt\r\n`S once.txt\r\n`S once.txt\r\n"));
        QCOMPARE(readAll(QStringLiteral("joined.txt")), QByteArray("firstsecond\r\n"));
        QCOMPARE(readAll(QStringLiteral("log.txt")), QByteArray(" two blanks\r\n two blanks\r\n"));
        QCOMPARE(readAll(QStringLiteral("once.txt")), QByteArray(" two blanks\r\n"));
    }

    void failedReadFileEndsTheRun()
    {
        run(writeFile("`K nothing-matches*\r\n`F missing.txt\r\n`M never\r\n"));
        QCOMPARE(platform().dialog.boxes.size(), 1);
        QCOMPARE(platform().dialog.boxes[0].text, kCannotOpenReadFile);
        QCOMPARE(m_host.states, (States{RunState::Running, RunState::Idle}));
        QCOMPARE(m_host.characterCounts, 0);

        // An earlier failure never counts against a later `F that opens.
        writeFile("x", QStringLiteral("ok.txt"));
        platform().dialog.boxes.clear();
        run(writeFile("`K nothing-matches*\r\n`F ok.txt\r\n`M shown\r\n"));
        QCOMPARE(platform().dialog.boxes.size(), 1);
        QCOMPARE(platform().dialog.boxes[0].text, QStringLiteral("shown"));
    }

    void filesAndDirectories()
    {
        writeFile("alpha", QStringLiteral("a.txt"));
        QVERIFY(QDir().mkdir(QStringLiteral("keep.tmp")));
        run(writeFile("`MD made\r\n`MD deep/er\r\n`CP a.txt made/b c.txt\r\n"
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
        platform().dialog.inputs.enqueue(QStringLiteral("typed"));
        run(writeFile("`E /USR/BIN/XTERM -E TOP\r\n`A Untitled - Editor\r\n`I Your name?\r\n`U\r\n"
                      "`SD\r\n`U\r\n`STAP\r\n`U\r\n`STM \r\n`U\r\n`B\r\n`m hello\r\n"
                      " `M typed{ENTER}\r\n\r\n`EXIT \r\n"));
        QCOMPARE(platform().launcher.started,
                 (QStringList{"/USR/BIN/XTERM -E TOP", "IT "})); // "`EXIT " is "`E"
        QCOMPARE(platform().activator.activated, QStringList{"Untitled - Editor"});
        QCOMPARE(platform().dialog.inputPrompts, QStringList{"Your name?"});
        QCOMPARE(platform().player.beeps, 1);
        QCOMPARE(platform().dialog.boxes.size(), 1);
        QCOMPARE(platform().dialog.boxes[0].text, QStringLiteral("hello"));
        const QList<FakeKeyboard::Sent> &sent = platform().keys.sent;
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
        run(writeFile("`exit\r\n`M never\r\n"));
        QVERIFY(platform().dialog.boxes.isEmpty());
        QCOMPARE(m_host.closes, 1);
        QCOMPARE(m_host.states, (States{RunState::Running, RunState::Idle}));

        m_host.autoRunMode = true;
        run(writeFile("`EXIT\r\n`M never\r\n"));
        QVERIFY(platform().loop.ended);
        QCOMPARE(m_host.closes, 1);
    }

    void serialPortNotCOMnIsAFile()
    {
        // The port name shows in capitals; one that is not COMn opens as a file in
        // the current folder. (An absent COMn port is a hostile-input case.)
        run(writeFile("`comx ATZ\r\n"));
        QCOMPARE(platform().dialog.boxes.size(), 2);
        QCOMPARE(platform().dialog.boxes[0].text, QStringLiteral("COMX"));
        QCOMPARE(platform().dialog.boxes[1].text, QStringLiteral(" ATZ"));
        QCOMPARE(readAll(QStringLiteral("COMX")), QByteArray(" ATZ\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestScriptEngine)
#include "test_script_engine.moc"
