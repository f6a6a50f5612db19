// No program is ever started through a shell: shell metacharacters passed through
// every start path reach the program as literal arguments and run nothing. The
// single-instance lock lives in a folder only the user can write; the data and
// settings files Korvane creates are readable by the user alone.

#include "fakeplatform.h"
#include "fakescripthost.h"
#include "keyworddatabase.h"
#include "launchplan.h"
#include "lookup.h"
#include "maintenance.h"
#include "qtprocesslauncher.h"
#include "scriptengine.h"
#include "scripttext.h"
#include "settings.h"
#include "singleinstance.h"
#include "windowsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace korvane;
using namespace Qt::StringLiterals;

namespace {

// Every shell's favourite characters, none of them at the start of a word that
// could be taken for a path.
const QString kHostileArguments =
    u"; touch pwned1 $(touch pwned2) `touch pwned3` | touch pwned4 && touch pwned5 "
    "> out.txt < in.txt * ? #x 'single' \"double quoted\" a\\b $HOME %PATH% !! &"_s;

const QStringList kCreatedByAShell = {u"pwned1"_s, u"pwned2"_s, u"pwned3"_s,
                                      u"pwned4"_s, u"pwned5"_s, u"out.txt"_s};

// The fake desktop, except that programs really start.
class LaunchingPlatform : public FakePlatform
{
public:
    ProcessLauncher &processes() override { return realLauncher; }
    QtProcessLauncher realLauncher;
};

} // namespace

class TestSecurity : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_recorder;
    LaunchingPlatform m_platform;

    // Arranges for the next recorder started to write to `name`; returns its path.
    QString expectRecord(const QString &name)
    {
        const QString path = m_dir->filePath(name);
        qputenv("KORVANE_ARGV_RECORD", QFile::encodeName(path));
        return path;
    }

    // The arguments the recorder got (argv[0] left out).
    QStringList recordedArguments(const QString &record)
    {
        [&] { QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000); }();
        QFile file(record);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        // argv[0] first; "sid", "ppid" and the empty piece after the last line end.
        return lines.mid(1, lines.size() - 4);
    }

    void startAll(const QStringList &commandLines)
    {
        QVERIFY(!commandLines.isEmpty());
        for (const QString &commandLine : commandLines)
            QVERIFY(m_platform.processes().start(commandLine));
    }

    void verifyNothingRanInAShell()
    {
        for (const QString &name : kCreatedByAShell)
            QVERIFY2(!QFile::exists(m_dir->filePath(name)), qPrintable(name));
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        qputenv("KORVANE_HOME", QFile::encodeName(m_dir->path()));
        QVERIFY(QDir::setCurrent(m_dir->path()));
        m_recorder = m_dir->filePath(u"recorder"_s);
        QVERIFY(QFile::copy(QStringLiteral(ARGV_RECORDER_PATH), m_recorder));
    }

    void cleanup()
    {
        qunsetenv("KORVANE_ARGV_RECORD");
        m_dir.reset();
    }

    void launcherPassesMetacharactersLiterally()
    {
        const QString record = expectRecord(u"launcher.txt"_s);
        QVERIFY(m_platform.processes().start(m_recorder + u' ' + kHostileArguments));
        const QStringList arguments = recordedArguments(record);
        QCOMPARE(arguments, splitCommandLine(kHostileArguments));
        QVERIFY(arguments.contains(u"$(touch"_s));
        QVERIFY(arguments.contains(u"double quoted"_s));
        QVERIFY(arguments.contains(u"*"_s));
        verifyNothingRanInAShell();
    }

    void programNameWithMetacharactersIsNotRun()
    {
        // One program, "touch", with the literal arguments "a;touch" and "b".
        QVERIFY(m_platform.processes().start(u"touch a;touch b"_s));
        QTRY_VERIFY(QFile::exists(m_dir->filePath(u"b"_s)));
        QVERIFY(QFile::exists(m_dir->filePath(u"a;touch"_s)));
        QVERIFY(!QFile::exists(m_dir->filePath(u"a"_s)));
        // No program of these names exists: nothing starts, nothing is interpreted.
        QVERIFY(!m_platform.processes().start(u"$(touch pwned3)"_s));
        QVERIFY(!m_platform.processes().start(u"`touch pwned4`|touch pwned5"_s));
        QTest::qWait(200);
        verifyNothingRanInAShell();
    }

    void keyWordArgumentFromTheOpenDialog()
    {
        db::KeywordDatabase database(m_dir->path());
        QCOMPARE(db::addKeyWord(database, u"REC"_s, m_recorder).outcome, db::AddOutcome::Added);
        const QString record = expectRecord(u"dialog.txt"_s);
        startAll(db::commandLinesFor(database, db::KeyWord(u"REC"),
                                     u"a;b $(touch pwned1) `touch pwned2`"_s));
        QCOMPARE(recordedArguments(record),
                 QStringList({"a;b", "$(touch", "pwned1)", "`touch", "pwned2`"}));
        verifyNothingRanInAShell();
    }

    void webBrowserAddressFromTheField()
    {
        db::KeywordDatabase database(m_dir->path());
        QCOMPARE(db::addKeyWord(database, db::kWebBrowserKeyWord.text(), m_recorder).outcome,
                 db::AddOutcome::Added);
        const QString record = expectRecord(u"web.txt"_s);
        const QString field = u"https://x.example/?q=1&touch=pwned1|touch pwned2"_s;
        startAll(db::commandLinesFor(database, db::kWebBrowserKeyWord, field));
        QCOMPARE(recordedArguments(record), splitCommandLine(field));
        verifyNothingRanInAShell();
    }

    void scriptExecuteLine()
    {
        const QString record = expectRecord(u"script.txt"_s);
        QString scriptPath = m_dir->filePath(u"run.vlm"_s);
        QFile script(scriptPath);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write((u"`E "_s + m_recorder + u' ' + kHostileArguments + u"\r\n"_s).toUtf8());
        script.close();
        FakeScriptHost host;
        script::ScriptEngine(host, m_platform).runOrStop(scriptPath);
        QCOMPARE(recordedArguments(record), splitCommandLine(kHostileArguments));
        verifyNothingRanInAShell();
    }

    void instanceLockFolderIsPrivate_data()
    {
        QTest::addColumn<bool>("withRuntimeFolder");
        QTest::newRow("XDG_RUNTIME_DIR") << true;
        QTest::newRow("no XDG_RUNTIME_DIR") << false;
    }

    void instanceLockFolderIsPrivate()
    {
        QFETCH(bool, withRuntimeFolder);
        const auto restore =
            qScopeGuard([runtime = qgetenv("XDG_RUNTIME_DIR"), temp = qgetenv("TMPDIR")] {
                runtime.isNull() ? qunsetenv("XDG_RUNTIME_DIR")
                                 : qputenv("XDG_RUNTIME_DIR", runtime);
                temp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", temp);
            });
        qputenv("TMPDIR", QFile::encodeName(m_dir->path()));
        const QString runtime = m_dir->filePath(u"runtime"_s);
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (withRuntimeFolder)
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        else
            qunsetenv("XDG_RUNTIME_DIR");
        const QString lockPath = instanceLockPath(m_dir->path());
        QVERIFY(lockPath.startsWith(withRuntimeFolder ? runtime : m_dir->path()));

        // Another user can neither create nor remove entries in the lock's folder.
        struct stat folder
        {
        };
        QCOMPARE(stat(QFile::encodeName(QFileInfo(lockPath).path()).constData(), &folder), 0);
        QCOMPARE(folder.st_uid, getuid());
        QCOMPARE(folder.st_mode & (S_IWGRP | S_IWOTH), 0u);
    }

    void createdDataFilesArePrivate()
    {
        const mode_t savedMask = umask(022); // the usual desktop umask
        const QString folder = m_dir->path();
        db::KeywordDatabase(folder).addLinkedRecord(u"NOTES"_s, u"/USR/BIN/GEDIT"_s);
        QVERIFY(writeWindowSettings(folder + u"/PD.ini"_s, WindowSettings{}));
        QVERIFY(writeShowSignal(folder));
        QVERIFY(editor::writeEditorSettings(u"Sans"_s, 10, 0, QPoint(1, 2),
                                            folder + u"/Scripter.ini"_s));
        QVERIFY(editor::writeToolBoxPosition(QPoint(3, 4), folder + u"/toolbox.ini"_s));
        // A script is a document: it is created as any other program would.
        QVERIFY(editor::writeScriptFile(folder + u"/mine.vlm"_s, u"x"_s).ok);
        // An existing settings file keeps the mode the user gave it.
        const QString shared = folder + u"/shared/PD.ini"_s;
        QVERIFY(QDir().mkpath(QFileInfo(shared).path()));
        QVERIFY(writeWindowSettings(shared, WindowSettings{}));
        QVERIFY(QFile::setPermissions(shared, QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(writeWindowSettings(shared, WindowSettings{}));
        umask(savedMask);

        const auto mode = [](const QString &path) {
            struct stat info
            {
            };
            return stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
        };
        for (const char *name :
             {"KeyWord.DAT", "N.KWX", ".APX", "PD.ini", "Show.Txt", "Scripter.ini", "toolbox.ini"})
            QVERIFY2(mode(folder + u'/' + QLatin1String(name)) == 0600, name);
        QCOMPARE(mode(folder + u"/mine.vlm"_s), 0644u);
        QCOMPARE(mode(shared), 0644u);
    }
};

QTEST_GUILESS_MAIN(TestSecurity)
#include "test_security.moc"
