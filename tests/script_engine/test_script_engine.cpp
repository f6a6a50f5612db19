// SPDX-License-Identifier: GPL-3.0-or-later
// The script engine on the fake platform: the run state, stops, auto-run, and
// what each command does to files and the platform. Then the pieces of a line
// the runs cannot reach one by one: prefixes that resemble others, argument
// positions and edges, date and time forms, and line ends.

#include "commands.h"
#include "fakeplatform.h"
#include "fakescripthost.h"
#include "scriptengine.h"
#include "scriptfile.h"
#include "scriptline.h"
#include "testhome.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;
using namespace korvane::script;
using namespace Qt::StringLiterals;
using States = QList<RunState>;

Q_DECLARE_METATYPE(korvane::script::LineKind)

namespace {

// The engine's host, also keeping each problem it is told of as "line: reason".
class ReportingHost : public FakeScriptHost
{
public:
    void reportProblem(int line, const QString &reason) override
    {
        problems.append(QString::number(line) + u": "_s + reason);
    }
    QStringList problems;
};

} // namespace

class TestScriptEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::TempHome> m_home;
    std::unique_ptr<FakePlatform> m_fake;
    ReportingHost m_host;

    FakePlatform &platform() { return *m_fake; }
    QStringList boxes() const
    {
        QStringList texts;
        for (const FakeDialogs::Box &box : m_fake->dialog.boxes)
            texts.append(box.text);
        return texts;
    }
    // Runs the script file `name` (in the test folder, the current one).
    void runFile(QString name) { ScriptEngine(m_host, platform()).runOrStop(name); }
    void run(const QByteArray &script)
    {
        m_home->write(u"t.vlm"_s, script);
        runFile(u"t.vlm"_s);
    }

private Q_SLOTS:
    void init()
    {
        m_home.reset(); // gives back the previous folder before the next is entered
        m_home = std::make_unique<test::TempHome>();
        m_fake = std::make_unique<FakePlatform>();
        m_host = ReportingHost();
        platform().loop.advancing = &platform().time;
    }

    void endsShowTheirStateAndCharacterCount()
    {
        m_host.debugOn = true;
        m_host.debugLines = 3;
        run("`* a\r\n`* b\r\n");
        QCOMPARE(m_host.shownLines, (QList<int>{0, 1, 2}));
        QCOMPARE(m_host.characterCounts, 1);

        // Early ends (`EXIT, a script that does not open, a failed `F) show no
        // count; `EXIT closes the window.
        run("`exit\r\n`M never\r\n");
        QCOMPARE(m_host.closes, 1);
        runFile(u"missing.vlm"_s);
        run("`K nothing-matches*\r\n`F missing.txt\r\n`M never\r\n");
        QCOMPARE(boxes(), (QStringList{kCannotOpenScript, kCannotOpenReadFile}));
        constexpr RunState running = RunState::Running, idle = RunState::Idle;
        QCOMPARE(m_host.states,
                 (States{running, idle, running, idle, running, idle, running, idle}));
        QCOMPARE(m_host.characterCounts, 1);
        QVERIFY(!platform().loop.ended);

        // An earlier failure never counts against a later `F that opens.
        m_home->write(u"ok.txt"_s, "x");
        run("`K nothing-matches*\r\n`F ok.txt\r\n`M shown\r\n");
        QCOMPARE(boxes().last(), u"shown"_s);
    }

    void autoRunEndsTheProgram()
    {
        m_host.autoRunMode = true;
        run("`SET x\r\n");
        QVERIFY(platform().loop.ended);
        QCOMPARE(platform().loop.exitCode, 0);
        run("`EXIT\r\n`M never\r\n");
        QCOMPARE(platform().loop.exitCode, 0);
        QVERIFY(boxes().isEmpty() && m_host.closes == 0);
        runFile(u"missing.vlm"_s);
        QCOMPARE(platform().loop.exitCode, kScriptNotOpenedStatus);
        // `F of a name with a NUL is refused as such, and ends the run as a file
        // that cannot be read.
        run(QByteArray("`F a.txt\0x\r\n", 12));
        QCOMPARE(platform().loop.exitCode, kScriptNotOpenedStatus);
        QVERIFY(m_host.problems.value(0).startsWith(u"1: a file name with a NUL"_s));
        QCOMPARE(m_host.characterCounts, 0);
    }

    void saveBeforeRunQuestion()
    {
        m_host.changed = true;
        platform().dialog.answers.enqueue(MessageAnswer::Cancel);
        run("`S out.txt\r\n");
        QCOMPARE(platform().dialog.boxes[0].text, kSaveBeforeRunQuestion);
        QCOMPARE(platform().dialog.boxes[0].buttons, MessageButtons::YesNoCancel);
        QVERIFY(!QFile::exists(u"out.txt"_s));
        QVERIFY(m_host.states.isEmpty());

        // Yes saves first; the run then reads what the save left on disk.
        platform().dialog.answers.enqueue(MessageAnswer::Yes);
        m_host.onSave = [this] { m_home->write(u"t.vlm"_s, "`SET saved\r\n`S out.txt\r\n"); };
        run("`S out.txt\r\n");
        QCOMPARE(m_home->read(u"out.txt"_s), QByteArray("saved\r\n"));

        // No runs the file as it is, without saving.
        platform().dialog.answers.enqueue(MessageAnswer::No);
        run("`SET unsaved edits ignored\r\n`S out2.txt\r\n");
        QCOMPARE(m_host.saves, 1);
        QCOMPARE(m_home->read(u"out2.txt"_s), QByteArray("unsaved edits ignored\r\n"));
    }

    void stopDuringWaitEndsTheRun()
    {
        m_home->write(u"t.vlm"_s, "`W 30\r\n`M after\r\n");
        QString name = u"t.vlm"_s;
        ScriptEngine engine(m_host, platform());
        int yields = 0;
        platform().loop.onYield = [&] {
            if (++yields == 5) {
                engine.runOrStop(name); // the user clicks Stop
                QCOMPARE(engine.state(), RunState::Stopping);
                engine.runOrStop(name); // and Run again: nothing until the run winds down
            }
        };
        engine.runOrStop(name);
        QCOMPARE(yields, 5);
        QVERIFY(boxes().isEmpty()); // no further line ran
        QCOMPARE(m_host.states, (States{RunState::Running, RunState::Stopping, RunState::Idle}));
        QCOMPARE(m_host.progress.first(), u" 30 Seconds Remaining"_s);
        QCOMPARE(m_host.progress.last(), QString()); // cleared by the stop request
    }

    void waitsCountDownInSecondsAndWaitForDatesAndTimes()
    {
        run("`W 2\r\n");
        QCOMPARE(m_host.progress.first(), u" 2 Seconds Remaining"_s);
        QVERIFY(m_host.progress.contains(u" 0 Seconds Remaining"_s));
        // 2 s in 20 ms passes, cleared at the end.
        QVERIFY(platform().loop.waitCalls >= 100 && platform().loop.waitCalls <= 102);
        QCOMPARE(m_host.progress.last(), QString());

        // Past date, past time, unreadable argument: no wait at all.
        platform().loop.waitCalls = 0;
        run("`D 01/01/2000\r\n`T 09:00 AM\r\n`D someday\r\n`T later\r\n");
        QCOMPARE(platform().loop.waitCalls, 0);
        // Just after 10:00:02 now; wait until 10:00:03 AM.
        run("`T 10:00:03 AM\r\n");
        QVERIFY(platform().loop.waitCalls >= 40);
        QVERIFY(platform().time.current.time() >= QTime(10, 0, 3));
    }

    void setDataMovesThroughFiles()
    {
        m_home->write(u"in.txt"_s, "first\r\nsecond\r\n");
        run("`F in.txt\r\n`S joined.txt\r\n`SET  two blanks\r\n"
            "`SA log.txt\r\n`SA log.txt\r\n`S once.txt\r\n`S once.txt\r\n");
        QCOMPARE(m_home->read(u"joined.txt"_s), QByteArray("firstsecond\r\n"));
        QCOMPARE(m_home->read(u"log.txt"_s), QByteArray(" two blanks\r\n two blanks\r\n"));
        QCOMPARE(m_home->read(u"once.txt"_s), QByteArray(" two blanks\r\n"));
        // A file of the kernel's reads as size 0 and still has content.
        run("`F /proc/version\r\n`S proc.txt\r\n");
        QVERIFY2(m_home->read(u"proc.txt"_s).startsWith("Linux version "),
                 m_home->read(u"proc.txt"_s).constData());
    }

    void filesAndDirectories()
    {
        m_home->write(u"a.txt"_s, "alpha");
        QVERIFY(QDir().mkdir(u"keep.tmp"_s));
        run("`MD made\r\n`MD deep/er\r\n`CP a.txt made/b c.txt\r\n"
            "`CP a.txt a.txt\r\n`SET x\r\n`S one.tmp\r\n`S two.tmp\r\n"
            "`K *.tmp\r\n`MD gone\r\n`RD gone\r\n`RD made\r\n");
        QVERIFY(QFileInfo(u"made"_s).isDir()); // not empty: stays
        QVERIFY(!QFileInfo::exists(u"deep"_s));
        QCOMPARE(m_home->read(u"made/bc.txt"_s), QByteArray("alpha"));
        QCOMPARE(m_home->read(u"a.txt"_s), QByteArray("alpha"));
        QVERIFY(!QFile::exists(u"one.tmp"_s) && !QFile::exists(u"two.tmp"_s));
        QVERIFY(QFileInfo(u"keep.tmp"_s).isDir()); // directories never go
        QVERIFY(!QFileInfo::exists(u"gone"_s));
    }

    // Lines that fail and let the run go on: each says which line and why, nothing
    // is written where it should not be, and the lines after it still run.
    void failedLinesSayWhy_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QStringList>("problems"); // "line: " and the start of each reason
        QTest::addColumn<QStringList>("entries");  // the test folder afterwards
        const QStringList untouched{".hidden", "a.txt", "sub", "t.vlm"};
        const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };
        row("copy, save and folders")
            << "`CP missing.txt b.txt\r\n`CP sub b.txt\r\n`CP a.txt sub\r\n`CP a.txt\r\n`SET x\r\n"
               "`S no/such.txt\r\n`SA no/such.txt\r\n`S /proc/k.txt\r\n`SA /proc/k.txt\r\n"
               "`MD no/such\r\n`RD sub\r\n`RD missing\r\n"_ba
            << QStringList{u"1: cannot copy \"missing.txt\": No such file"_s,
                           u"2: cannot copy \"sub\": it is a folder"_s,
                           u"3: cannot copy to \"sub\": it is a folder"_s,
                           u"4: `CP needs a source and a destination"_s,
                           u"6: cannot write \"no/such.txt\": "_s,
                           u"7: cannot append to \"no/such.txt\": "_s,
                           u"8: cannot write \"/proc/k.txt\": "_s,
                           u"9: cannot append to \"/proc/k.txt\": "_s,
                           u"10: cannot make the folder \"no/such\": No such file"_s,
                           u"11: cannot remove the folder \"sub\": Directory not empty"_s,
                           u"12: cannot remove the folder \"missing\": No such file"_s}
            << untouched;
        // A NUL ends a name at the system call: "a.txt<NUL>x" would name a.txt.
        const QByteArray nul("\0x", 2);
        QStringList refused;
        for (int line = 2; line <= 8; ++line)
            refused.append(QString::number(line) + u": a file name with a NUL"_s);
        row("names with a NUL are refused")
            << "`SET x\r\n`S a.txt"_ba + nul + "\r\n`SA a.txt" + nul + "\r\n`CP a.txt b" + nul +
                   "\r\n`CP a" + nul + " b.txt\r\n`K a.txt" + nul + "\r\n`MD c" + nul +
                   "\r\n`RD sub" + nul + "\r\n"
            << refused << untouched;
        // As in the shell, wildcards never match a leading dot; a pattern that
        // begins with one does.
        row("`K * leaves dot-files") << "`K *\r\n`K ?hidden\r\n`K *hidden\r\n"_ba << QStringList()
                                     << QStringList{".hidden", "sub"};
        row("`K .* takes them") << "`K .*\r\n"_ba << QStringList()
                                << QStringList{"a.txt", "sub", "t.vlm"};
        row("programs and keys that fail")
            << "`E /no/such\r\n{FOO}\r\n"_ba
            << QStringList{u"1: cannot start"_s, u"2: keys not typed"_s} << untouched;
    }
    void failedLinesSayWhy()
    {
        QFETCH(QByteArray, script);
        QFETCH(QStringList, problems);
        QFETCH(QStringList, entries);
        m_home->write(u"a.txt"_s, "alpha");
        m_home->write(u".hidden"_s, "dot");
        QVERIFY(QDir().mkpath(u"sub/deeper"_s));
        platform().launcher.startSucceeds = false;
        platform().keys.succeeds = false;
        run(script + "`M went on\r\n");
        QCOMPARE(boxes().value(boxes().size() - 1), u"went on"_s); // the run went on
        QCOMPARE(m_host.problems.size(), problems.size());
        for (qsizetype i = 0; i < problems.size(); ++i)
            QVERIFY2(m_host.problems.at(i).startsWith(problems.at(i)),
                     qPrintable(m_host.problems.at(i)));
        QCOMPARE(m_home->entries(), entries);
        if (entries.contains(u"a.txt"_s))
            QCOMPARE(m_home->read(u"a.txt"_s), "alpha");
    }

    void platformCommands()
    {
        platform().dialog.inputs.enqueue(u"typed"_s);
        run("`E /USR/BIN/XTERM -E TOP\r\n`A Untitled - Editor\r\n`I Your name?\r\n`U\r\n"
            "`SD\r\n`U\r\n`STAP\r\n`U\r\n`STM \r\n`U\r\n`B\r\n`m hello\r\n"
            " `M typed{ENTER}\r\n\r\n`comx ATZ\r\n`EXIT \r\n");
        QCOMPARE(platform().launcher.started,
                 (QStringList{"/USR/BIN/XTERM -E TOP", "IT "})); // "`EXIT " is "`E"
        QCOMPARE(platform().activator.activated, QStringList{"Untitled - Editor"});
        QCOMPARE(platform().dialog.inputPrompts, QStringList{"Your name?"});
        QCOMPARE(platform().player.beeps, 1);
        // The port name shows in capitals; one that is not COMn is a file here.
        QCOMPARE(boxes(), (QStringList{"hello", "COMX", " ATZ"}));
        QCOMPARE(m_home->read(u"COMX"_s), QByteArray(" ATZ\r\n"));
        QStringList notations;
        for (const FakeKeyboard::Sent &sent : platform().keys.sent)
            notations.append(sent.notation + (sent.wait ? u" (waits)"_s : QString()));
        // The empty line sends nothing.
        QCOMPARE(notations, (QStringList{"typed", "01/15/2026", "10:00 AM", "10:00",
                                         " `M typed{ENTER} (waits)"}));
    }

    void classification_data()
    {
        // Fixed positions, not words: the character after a command is skipped.
        QTest::addColumn<QString>("line");
        QTest::addColumn<LineKind>("kind");
        QTest::addColumn<QString>("argument");
        QTest::newRow("comment") << "`* note" << LineKind::Comment << "";
        QTest::newRow("exit") << "`exit" << LineKind::Exit << "";
        QTest::newRow("exit and more is execute") << "`EXIT " << LineKind::Execute << "IT ";
        QTest::newRow("message") << "`Mxhello " << LineKind::Message << "hello ";
        QTest::newRow("st is save") << "`ST x" << LineKind::Save << " x";
        QTest::newRow("set, short") << "`SET" << LineKind::Set << "";
        QTest::newRow("stap") << "`STAP x" << LineKind::SetTime12 << "";
        QTest::newRow("keystrokes") << " `M x{ENTER}" << LineKind::Keystrokes << " `M x{ENTER}";
        QTest::newRow("unknown backquote types") << "`X" << LineKind::Keystrokes << "`X";
        QTest::newRow("lone backquote types") << "`" << LineKind::Keystrokes << "`";
    }
    void classification()
    {
        QFETCH(QString, line);
        QFETCH(LineKind, kind);
        QFETCH(QString, argument);
        const ClassifiedLine classified = classifyLine(line);
        QCOMPARE(classified.kind, kind);
        QCOMPARE(classified.argument, argument);
    }

    void argumentReaders()
    {
        const CopyArguments noDestination = copyArguments(u"a.txt");
        QCOMPARE(noDestination.source, "a.txt");
        QVERIFY(noDestination.destination.isEmpty());
        QCOMPARE(serialDevice("COM1"), "/dev/ttyS0");
        QCOMPARE(serialDevice("COM0"), "COM0");
        QCOMPARE(waitSeconds(u"0.5 seconds"), 0.5);
    }

    void datesAndTimesInUsForms()
    {
        QCOMPARE(parseUsDate(u"12/05/2026"), std::optional(QDate(2026, 12, 5)));
        QCOMPARE(parseUsDate(u"1/2/27 10:00"), std::optional(QDate(2027, 1, 2)));
        QVERIFY(!parseUsDate(u"13/01/2026") && !parseUsDate(u"MM/DD/YYYY"));
        QCOMPARE(parseTimeOfDay(u"10:30:15 PM"), std::optional(QTime(22, 30, 15)));
        QCOMPARE(parseTimeOfDay(u"12:00 AM"), std::optional(QTime(0, 0)));
        QCOMPARE(parseTimeOfDay(u"12:01 pm"), std::optional(QTime(12, 1)));
        QVERIFY(!parseTimeOfDay(u"HH:MM:SS AM/PM") && !parseTimeOfDay(u"25:00"));
        QCOMPARE(time12(QTime(0, 5)), "12:05 AM");
        QCOMPARE(time12(QTime(13, 9)), "01:09 PM");
        QCOMPARE(time24(QTime(7, 3)), "07:03");
    }

    void lineEnds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("cr") << QByteArray("a\rb") << QStringList{"a", "b"};
        QTest::newRow("lf") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\nb") << QStringList{"a", "", "b"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("single line end") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("bom dropped") << QByteArray("\xef\xbb\xbf"
                                                   "a")
                                     << QStringList{"a"};
    }
    void lineEnds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        m_home->write(u"s.vlm"_s, bytes);
        ScriptFileReader reader(u"s.vlm"_s);
        QStringList read;
        while (const std::optional<QString> line = reader.readLine())
            read.append(*line);
        QCOMPARE(read, lines);
    }
};

QTEST_GUILESS_MAIN(TestScriptEngine)
#include "test_script_engine.moc"
