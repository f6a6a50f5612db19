// Real processes started through QtPlatform's launcher: the program found from its
// upper-case stored form, its arguments as split and resolved, its own session.

#include "qtplatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

using namespace korvane;

namespace {

constexpr int kStartTimeoutMs = 10000;

struct Record
{
    QStringList argv;
    qint64 sid = -1;
    qint64 ppid = -1;
};

Record readRecord(const QString &path)
{
    QFile file(path);
    Record record;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return record;
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() < 3)
        return record;
    record.ppid = lines.takeLast().section(u' ', 1).toLongLong();
    record.sid = lines.takeLast().section(u' ', 1).toLongLong();
    record.argv = lines;
    return record;
}

} // namespace

class TestProcessStart : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsUpperCaseStoredProgramInItsOwnSession();
    void startsBareNameFromPath();
    void startsProgramWhosePathHasBlanks();
    void refusesMissingProgramsAndFolders();

private:
    // Copies the recorder to `relative` under the temporary folder.
    QString installRecorder(const QString &relative);
    // Where the next started recorder will write.
    QString expectRecord(const QString &name);

    QtPlatform m_platform;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    QByteArray m_savedPath;
    QString m_savedCwd;
};

void TestProcessStart::init()
{
    m_dir =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/Korvane-Start-XXXXXX"));
    QVERIFY(m_dir->isValid());
    m_root = m_dir->path();
    m_savedPath = qgetenv("PATH");
    m_savedCwd = QDir::currentPath();
    qputenv("KORVANE_HOME", m_root.toLocal8Bit());
    QDir::setCurrent(m_root);
}

void TestProcessStart::cleanup()
{
    QDir::setCurrent(m_savedCwd);
    qputenv("PATH", m_savedPath);
    qunsetenv("KORVANE_ARGV_RECORD");
    m_dir.reset();
}

QString TestProcessStart::installRecorder(const QString &relative)
{
    const QString path = m_root + u'/' + relative;
    QDir().mkpath(QFileInfo(path).path());
    if (!QFile::copy(QStringLiteral(ARGV_RECORDER_PATH), path))
        qFatal("cannot copy the recorder to %s", qPrintable(path));
    return path;
}

QString TestProcessStart::expectRecord(const QString &name)
{
    const QString path = m_root + QStringLiteral("/") + name;
    qputenv("KORVANE_ARGV_RECORD", path.toLocal8Bit());
    return path;
}

void TestProcessStart::startsUpperCaseStoredProgramInItsOwnSession()
{
    const QString recorder = installRecorder(QStringLiteral("Tools/Argv_Recorder"));
    QFile someFile(m_root + QStringLiteral("/Data/SomeFile.Txt"));
    QVERIFY(QDir().mkpath(m_root + QStringLiteral("/Data")));
    QVERIFY(someFile.open(QIODevice::WriteOnly));
    someFile.close();
    const QString record = expectRecord(QStringLiteral("record.txt"));

    const QString line = QStringLiteral(R"(%1 ARG1 "two words" %2)")
                             .arg(recorder.toUpper(), someFile.fileName().toUpper());
    QVERIFY(m_platform.processes().start(line));
    // The launcher leaves no child of ours behind to be reaped.
    errno = 0;
    QCOMPARE(::waitpid(-1, nullptr, WNOHANG), -1);
    QCOMPARE(errno, ECHILD);

    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(record), kStartTimeoutMs);
    const Record got = readRecord(record);
    const QStringList expected = {recorder, QStringLiteral("ARG1"), QStringLiteral("two words"),
                                  someFile.fileName()};
    QCOMPARE(got.argv, expected);
    QVERIFY(got.sid > 0);
    QVERIFY(got.sid != ::getsid(0));
    QVERIFY(got.ppid != ::getpid());
}

void TestProcessStart::startsBareNameFromPath()
{
    // The first folder has a same-named file that cannot run; it is passed over.
    const QString notRunnable = m_root + QStringLiteral("/plain/argv_recorder");
    QDir().mkpath(QFileInfo(notRunnable).path());
    QFile plain(notRunnable);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("not a program");
    plain.close();
    const QString recorder = installRecorder(QStringLiteral("Bin/Argv_Recorder"));
    qputenv("PATH", QStringLiteral("%1/plain:%1/Bin:").arg(m_root).toLocal8Bit() + m_savedPath);
    const QString record = expectRecord(QStringLiteral("bare.txt"));

    QVERIFY(m_platform.processes().start(QStringLiteral("ARGV_RECORDER /NO/SUCH/PLACE")));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(record), kStartTimeoutMs);
    QCOMPARE(readRecord(record).argv, (QStringList{recorder, QStringLiteral("/NO/SUCH/PLACE")}));
}

void TestProcessStart::startsProgramWhosePathHasBlanks()
{
    const QString recorder = installRecorder(QStringLiteral("My Tools/Argv Recorder"));
    const QString record = expectRecord(QStringLiteral("blanks.txt"));

    QVERIFY(m_platform.processes().start(recorder.toUpper()));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(record), kStartTimeoutMs);
    QCOMPARE(readRecord(record).argv, QStringList{recorder});
}

void TestProcessStart::refusesMissingProgramsAndFolders()
{
    installRecorder(QStringLiteral("Tools/Argv_Recorder"));
    qputenv("PATH", (m_root + QStringLiteral("/Tools")).toLocal8Bit());
    const QString record = expectRecord(QStringLiteral("never.txt"));

    ProcessLauncher &launcher = m_platform.processes();
    QVERIFY(!launcher.start(QString()));
    QVERIFY(!launcher.start(m_root.toUpper() + QStringLiteral("/TOOLS")));
    QVERIFY(!launcher.start(m_root + QStringLiteral("/Tools/Nothing here")));
    QVERIFY(!launcher.start(QStringLiteral("no_such_program_korvane")));
    QVERIFY(!launcher.start(QStringLiteral("TOOLS")));
    QVERIFY(!QFileInfo::exists(record));
}

QTEST_GUILESS_MAIN(TestProcessStart)
#include "test_process_start.moc"
