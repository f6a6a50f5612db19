// SPDX-License-Identifier: GPL-3.0-or-later
// Hardening: what a user, a broken file or a full disk can hand Korvane, each with
// its expected, harmless outcome (nothing hangs, every wait can be stopped, nothing
// on disk is lost), against the real engine, database and settings code with the
// fake platform; no program ever starts through a shell; and the files Korvane
// creates are the user's alone. The hostile inputs of the readers are seeds of the
// fuzz targets (fuzz/corpus/).

#include "commands.h"
#include "fakeplatform.h"
#include "fakescripthost.h"
#include "launchplan.h"
#include "lookup.h"
#include "maintenance.h"
#include "qtprocesslauncher.h"
#include "scriptengine.h"
#include "scripttext.h"
#include "settings.h"
#include "singleinstance.h"
#include "testhome.h"
#include "windowsettings.h"

#include <QScopeGuard>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

using namespace korvane;
using namespace Qt::StringLiterals;
using korvane::script::kCannotOpenReadFile;

namespace {

const QByteArray kLong(10000, 'x');
const QByteArray kGoesOn = "`SET after\r\n`S out.txt\r\n";

// Until the guard ends, files grow to `bytes` at most: writes past that fail with
// EFBIG (SIGXFSZ is ignored), as on a full disk.
auto limitFileSize(rlim_t bytes)
{
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limit{bytes, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    return qScopeGuard([=] { setrlimit(RLIMIT_FSIZE, &old), std::signal(SIGXFSZ, handler); });
}

// Every shell's favourite characters, none of them at the start of a word that
// could be taken for a path.
const QString kHostileArguments =
    u"; touch pwned1 $(touch pwned2) `touch pwned3` | touch pwned4 && touch pwned5 "
    "> out.txt < in.txt * ? #x 'single' \"double quoted\" a\\b $HOME %PATH% !! &"_s;

// The fake desktop, except that programs really start.
class LaunchingPlatform : public FakePlatform
{
public:
    ProcessLauncher &processes() override { return realLauncher; }
    QtProcessLauncher realLauncher;
};

} // namespace

class TestHardening : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::TempHome> m_home;
    QString m_recorder;
    LaunchingPlatform m_platform;

    // The arguments the recorder got (argv[0], "sid" and "ppid" left out).
    QStringList recordedArguments()
    {
        [&] { QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_home->file(u"argv.txt"_s)), 10000); }();
        const QStringList lines = QString::fromUtf8(m_home->read(u"argv.txt"_s)).split(u'\n');
        return lines.mid(1, lines.size() - 4);
    }

    void verifyNothingRanInAShell()
    {
        for (const char *name : {"pwned1", "pwned2", "pwned3", "pwned4", "pwned5", "out.txt"})
            QVERIFY2(!QFile::exists(m_home->file(QLatin1String(name))), name);
    }

private slots:
    void init()
    {
        m_home = std::make_unique<test::TempHome>();
        m_recorder = m_home->file(u"recorder"_s);
        QVERIFY(QFile::copy(QStringLiteral(ARGV_RECORDER_PATH), m_recorder));
        qputenv("KORVANE_ARGV_RECORD", QFile::encodeName(m_home->file(u"argv.txt"_s)));
    }
    void cleanup() { m_home.reset(); }

    // out.txt holds "old" before each run; `shown` is a text some box or started
    // program must hold.
    void scripts_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("maxFileSize");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("shown");
        const QByteArray after = "after\r\n", old = "old\r\n", set = "`SET " + QByteArray(500, 'n');
        const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };
        row("absent serial port: the failure is shown, the run goes on")
            << "`COM99 hello\r\n" + kGoesOn << -1 << after << u"COM99"_s;
        // A FIFO with no writer would block the run for ever, a device never end.
        row("`F on something other than a file ends the run")
            << "`F /dev/zero\r\n" + kGoesOn << -1 << old << kCannotOpenReadFile;
        row("`F on a file of a gigabyte takes a bounded part")
            << "`F big\r\n`S out.txt\r\n"_ba << -1 << QByteArray(16 << 20, '\0') + "\r\n"
            << QString();
        row("wildcard delete leaves folders, what is in them and behind links")
            << "`K link\r\n`K *.txt\r\n`K *\r\n`K sub\r\n`K */keep.txt\r\n`K *?*\r\n" + kGoesOn
            << -1 << after << QString();
        row("folder name of 10,000 characters is refused quietly")
            << "`MD " + kLong + "\r\n" + kGoesOn << -1 << after << QString();
        row("program line of 10,000 characters starts whole") << "`E " + kLong + "\r\n"
                                                              << -1 << old << QString(kLong);
        row("NUL bytes and invalid UTF-8 are kept, decoded as Windows-1252")
            << QByteArray("`SET a\0b\xE9\r\n`S out.txt\r\n", 24) << -1
            << QString(u"a\0b\u00E9\r\n"_s).toUtf8() << QString();
        // Absurd waits can be stopped; waits that do not parse end at once.
        for (const char *wait : {"`W 1e308", "`D 12/31/9999", "`T 23:59:59"})
            row(wait) << wait + "\r\n"_ba + kGoesOn << -1 << old << QString();
        row("waits that do not parse")
            << "`W -5\r\n`D 02/30/2026\r\n`T 13:00 PM\r\n`T noon\r\n" + kGoesOn << -1 << after
            << QString();
        // A full disk: `S keeps the old file; `SA keeps what was there.
        row("full disk on `S") << set + "\r\n`S out.txt\r\n" << 64 << old << QString();
        row("full disk on `SA") << set + "\r\n`SA out.txt\r\n"
                                << 64 << old + QByteArray(64 - 5, 'n') << QString();
    }
    void scripts()
    {
        QFETCH(QByteArray, script);
        QFETCH(int, maxFileSize);
        QFETCH(QByteArray, out);
        QFETCH(QString, shown);
        m_home->write(u"big"_s, {});
        QVERIFY(QFile::resize(m_home->file(u"big"_s), qint64(1) << 30)); // sparse: no disk used
        QVERIFY(QDir().mkpath(u"sub/deeper"_s) && QFile::link(u"sub"_s, u"link"_s));
        m_home->write(u"sub/keep.txt"_s, "keep");
        m_home->write(u"sub/deeper/keep.txt"_s, "keep");
        m_home->write(u"out.txt"_s, "old\r\n");
        m_home->write(u"hostile.vlm"_s, script);

        FakePlatform platform;
        FakeScriptHost host;
        script::ScriptEngine engine(host, platform);
        platform.loop.advancing = &platform.time;
        // A wait still going after 200 polling passes is stopped, as a user would.
        int yields = 0;
        platform.loop.onYield = [&] {
            if (++yields == 200)
                engine.requestStop();
        };
        QString path = m_home->file(u"hostile.vlm"_s);
        {
            const auto limit = limitFileSize(maxFileSize < 0 ? RLIM_INFINITY : maxFileSize);
            engine.runOrStop(path);
        }
        QCOMPARE(engine.state(), script::RunState::Idle); // the run is over
        QCOMPARE(m_home->read(u"out.txt"_s), out);
        QStringList seen = platform.launcher.started;
        for (const auto &box : std::as_const(platform.dialog.boxes))
            seen.append(box.text);
        QVERIFY2(seen.join(u'\n').contains(shown), qPrintable(seen.join(u'\n').left(200)));
        QCOMPARE(m_home->read(u"sub/keep.txt"_s) + m_home->read(u"sub/deeper/keep.txt"_s),
                 "keepkeep");
    }

    void fullDiskKeepsTheScriptAndTheRecords()
    {
        m_home->write(u"s.vlm"_s, "old\r\n");
        db::KeywordDatabase database(m_home->path());
        {
            const auto limit = limitFileSize(64);
            QVERIFY(!editor::writeScriptFile(m_home->file(u"s.vlm"_s), QString(1000, u'n')).ok);
            QCOMPARE(db::addKeyWord(database, u"NOSPACE"_s, u"/x"_s).outcome,
                     db::AddOutcome::WriteFailed);
        }
        QCOMPARE(m_home->read(u"s.vlm"_s), "old\r\n");
        // No part of the record is left, and nothing is indexed.
        QCOMPARE(m_home->read(u"KeyWord.DAT"_s), "");
        QCOMPARE(m_home->read(u"N.KWX"_s), "<missing>");
    }

    void readersKeepWhatTheyAreGiven()
    {
        // A tool box position far off the screen is clamped, not wrapped.
        m_home->write(editor::kToolBoxSettingsFile, "1e400\r\n-1e300\r\n");
        QCOMPARE(editor::readToolBoxPosition(editor::kToolBoxSettingsFile), QPoint(0, -10000000));
    }
    // Each way a program starts: the arguments arrive literally, no shell runs.
    void metacharactersReachTheProgramLiterally_data()
    {
        QTest::addColumn<int>("path");
        QTest::newRow("launcher") << 0;
        QTest::newRow("key word with a file or web address as its argument") << 1;
        QTest::newRow("script line `E") << 2;
    }
    void metacharactersReachTheProgramLiterally()
    {
        QFETCH(int, path);
        db::KeywordDatabase database(m_home->path());
        if (path == 0) {
            QVERIFY(m_platform.processes().start(m_recorder + u' ' + kHostileArguments));
        } else if (path == 2) {
            m_home->write(u"run.vlm"_s,
                          (u"`E "_s + m_recorder + u' ' + kHostileArguments).toUtf8());
            FakeScriptHost host;
            QString script = m_home->file(u"run.vlm"_s);
            script::ScriptEngine(host, m_platform).runOrStop(script);
        } else {
            QCOMPARE(db::addKeyWord(database, u"REC"_s, m_recorder).outcome, db::AddOutcome::Added);
            for (const QString &line :
                 db::commandLinesFor(database, db::KeyWord(u"REC"), kHostileArguments))
                QVERIFY(m_platform.processes().start(line));
        }
        const QStringList arguments = recordedArguments();
        QCOMPARE(arguments, splitCommandLine(kHostileArguments));
        QVERIFY(arguments.contains(u"$(touch"_s) && arguments.contains(u"double quoted"_s));
        verifyNothingRanInAShell();
    }

    // Without XDG_RUNTIME_DIR the lock goes to the shared temporary folder: into a
    // folder of its own there, which another user can neither add to nor remove from.
    void instanceLockFolderIsPrivate()
    {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"), temp = qgetenv("TMPDIR");
        const auto restore = qScopeGuard([&] {
            runtime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtime);
            temp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", temp);
        });
        qputenv("TMPDIR", QFile::encodeName(m_home->path()));
        qunsetenv("XDG_RUNTIME_DIR");
        const QFileInfo folder(QFileInfo(instanceLockPath(m_home->path())).path());
        QVERIFY(folder.isDir() && folder.path() == m_home->path());
        QCOMPARE(folder.ownerId(), getuid());
        QCOMPARE(folder.permissions() & (QFile::WriteGroup | QFile::WriteOther), 0);
    }

    void createdDataFilesArePrivate()
    {
        const auto restoreMask = qScopeGuard([mask = umask(022)] { umask(mask); });
        db::KeywordDatabase(m_home->path()).addLinkedRecord(u"NOTES"_s, u"/USR/BIN/GEDIT"_s);
        QVERIFY(writeWindowSettings(u"PD.ini"_s, {}) && writeShowSignal(m_home->path()));
        QVERIFY(editor::writeEditorSettings(u"Sans"_s, 10, 0, {}, u"Scripter.ini"_s) &&
                editor::writeToolBoxPosition({}, u"toolbox.ini"_s));
        // A script is a document, created as any other program would; an existing
        // settings file keeps the mode the user gave it.
        QVERIFY(editor::writeScriptFile(u"mine.vlm"_s, u"x"_s).ok);
        m_home->write(u"shared.ini"_s, {});
        QVERIFY(writeWindowSettings(u"shared.ini"_s, {}));
        QStringList readableByOthers;
        for (const QString &name : m_home->entries()) {
            if (QFileInfo(m_home->file(name)).permissions() & (QFile::ReadOther | QFile::ReadGroup))
                readableByOthers.append(name);
        }
        QCOMPARE(m_home->entries().size(), 10);
        QCOMPARE(readableByOthers, (QStringList{u"mine.vlm"_s, u"recorder"_s, u"shared.ini"_s}));
    }
};

QTEST_GUILESS_MAIN(TestHardening)
#include "test_hardening.moc"
