// No program is ever started through a shell: shell metacharacters passed through
// every start path reach the program as literal arguments and run nothing. The
// single-instance lock lives in a folder only the user can write; the data and
// settings files Korvane creates are readable by the user alone.

#include "fakeplatform.h"
#include "fakescripthost.h"
#include "instance.h"
#include "keyworddatabase.h"
#include "launchplan.h"
#include "lookup.h"
#include "maintenance.h"
#include "qtprocesslauncher.h"
#include "scriptengine.h"
#include "scripterfiles.h"
#include "settings.h"
#include "windowsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace korvane;

namespace {

// Every shell's favourite characters, none of them at the start of a word that
// could be taken for a path.
const QString kHostileArguments =
    QStringLiteral("; touch pwned1 $(touch pwned2) `touch pwned3` | touch pwned4 && touch pwned5 "
                   "> out.txt < in.txt * ? #x 'single' \"double quoted\" a\\b $HOME %PATH% !! &");

const QStringList kCreatedByAShell = {QStringLiteral("pwned1"), QStringLiteral("pwned2"),
                                      QStringLiteral("pwned3"), QStringLiteral("pwned4"),
                                      QStringLiteral("pwned5"), QStringLiteral("out.txt")};

// The fake desktop, except that programs really start.
class LaunchingPlatform : public FakePlatform
{
public:
    ProcessLauncher &processes() override { return realLauncher; }
    QtProcessLauncher realLauncher;
};

using Host = FakeScriptHost;

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
        QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        // argv[0] first; "sid", "ppid" and the empty piece after the last line end.
        return lines.mid(1, lines.size() - 4);
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
        m_recorder = m_dir->filePath(QStringLiteral("recorder"));
        QVERIFY(QFile::copy(QStringLiteral(ARGV_RECORDER_PATH), m_recorder));
    }

    void cleanup()
    {
        qunsetenv("KORVANE_ARGV_RECORD");
        m_dir.reset();
    }

    void launcherPassesMetacharactersLiterally()
    {
        const QString record = expectRecord(QStringLiteral("launcher.txt"));
        QVERIFY(m_platform.processes().start(m_recorder + u' ' + kHostileArguments));
        const QStringList arguments = recordedArguments(record);
        QCOMPARE(arguments, splitCommandLine(kHostileArguments));
        QVERIFY(arguments.contains(QStringLiteral("$(touch")));
        QVERIFY(arguments.contains(QStringLiteral("double quoted")));
        QVERIFY(arguments.contains(QStringLiteral("*")));
        verifyNothingRanInAShell();
    }

    void programNameWithMetacharactersIsNotRun()
    {
        // One program, "touch", with the literal arguments "a;touch" and "b".
        QVERIFY(m_platform.processes().start(QStringLiteral("touch a;touch b")));
        QTRY_VERIFY(QFile::exists(m_dir->filePath(QStringLiteral("b"))));
        QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("a;touch"))));
        QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("a"))));
        // No program of these names exists: nothing starts, nothing is interpreted.
        QVERIFY(!m_platform.processes().start(QStringLiteral("$(touch pwned3)")));
        QVERIFY(!m_platform.processes().start(QStringLiteral("`touch pwned4`|touch pwned5")));
        QTest::qWait(200);
        verifyNothingRanInAShell();
    }

    void keyWordArgumentFromTheOpenDialog()
    {
        db::KeywordDatabase database(m_dir->path());
        QCOMPARE(db::addKeyWord(database, m_platform, QStringLiteral("REC"), m_recorder).outcome,
                 db::AddOutcome::Added);
        const QString record = expectRecord(QStringLiteral("dialog.txt"));
        m_platform.dialog.openChoices.enqueue(QStringLiteral("a;b $(touch pwned1) `touch pwned2`"));
        QString keyWord = QStringLiteral("REC?");
        QString dialogFileName;
        QVERIFY(
            db::Search_KeyWords_Indexed(database, m_platform, keyWord, QString(), dialogFileName));
        QCOMPARE(recordedArguments(record),
                 QStringList({QStringLiteral("a;b"), QStringLiteral("$(touch"),
                              QStringLiteral("pwned1)"), QStringLiteral("`touch"),
                              QStringLiteral("pwned2`")}));
        verifyNothingRanInAShell();
    }

    void webBrowserAddressFromTheField()
    {
        db::KeywordDatabase database(m_dir->path());
        QCOMPARE(db::addKeyWord(database, m_platform, db::kWebBrowserKeyWord, m_recorder).outcome,
                 db::AddOutcome::Added);
        const QString record = expectRecord(QStringLiteral("web.txt"));
        const QString field = QStringLiteral("https://x.example/?q=1&touch=pwned1|touch pwned2");
        QString keyWord = db::kWebBrowserKeyWord;
        QString dialogFileName;
        QVERIFY(db::Search_KeyWords_Indexed(database, m_platform, keyWord, field, dialogFileName));
        QCOMPARE(recordedArguments(record), splitCommandLine(field));
        verifyNothingRanInAShell();
    }

    void scriptExecuteLine()
    {
        const QString record = expectRecord(QStringLiteral("script.txt"));
        const QString scriptPath = m_dir->filePath(QStringLiteral("run.vlm"));
        QFile script(scriptPath);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(
            ("`E " + m_recorder + u' ' + kHostileArguments + QStringLiteral("\r\n")).toUtf8());
        script.close();
        Host host;
        script::ScriptEngine engine(host, m_platform);
        QString name = scriptPath;
        engine.Execute_Script(name);
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
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray savedTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(m_dir->path()));
        const QString runtime = m_dir->filePath(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (withRuntimeFolder)
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        else
            qunsetenv("XDG_RUNTIME_DIR");
        const QString lockPath = instanceLockPath(m_dir->path());
        if (saved.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", saved);
        if (savedTemp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", savedTemp);
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
        db::KeywordDatabase(folder).addLinkedRecord(QStringLiteral("NOTES"),
                                                    QStringLiteral("/USR/BIN/GEDIT"));
        QVERIFY(writeWindowSettings(folder + QStringLiteral("/PD.ini"), WindowSettings{}));
        QVERIFY(writeShowSignal(folder));
        QVERIFY(editor::writeEditorSettings(QStringLiteral("Sans"), 10, 0, QPoint(1, 2),
                                            folder + QStringLiteral("/Scripter.ini")));
        QVERIFY(
            editor::writeToolBoxPosition(QPoint(3, 4), folder + QStringLiteral("/toolbox.ini")));
        // A script is a document: it is created as any other program would.
        QVERIFY(
            editor::writeScriptFile(folder + QStringLiteral("/mine.vlm"), QStringLiteral("x")).ok);
        // An existing settings file keeps the mode the user gave it.
        const QString shared = folder + QStringLiteral("/shared/PD.ini");
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
        const QStringList privateFiles = {
            QStringLiteral("KeyWord.DAT"), QStringLiteral("N.KWX"),
            QStringLiteral(".APX"),        QStringLiteral("PD.ini"),
            QStringLiteral("Show.Txt"),    QStringLiteral("Scripter.ini"),
            QStringLiteral("toolbox.ini")};
        for (const QString &name : privateFiles)
            QVERIFY2(mode(folder + u'/' + name) == 0600, qPrintable(name));
        QCOMPARE(mode(folder + QStringLiteral("/mine.vlm")), 0644u);
        QCOMPARE(mode(shared), 0644u);
    }
};

QTEST_GUILESS_MAIN(TestSecurity)
#include "test_security.moc"
