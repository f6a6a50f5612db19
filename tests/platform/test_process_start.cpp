// Real processes started through DesktopPlatform's launcher: the program found from its
// upper-case stored form, its arguments as split and resolved, its own session.

#include "desktopplatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace korvane;

namespace {

constexpr int kStartTimeoutMs = 10000;

struct Record
{
    QStringList argv;
    qint64 sid = -1;
    qint64 ppid = -1;
};

} // namespace

class TestProcessStart : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsUpperCaseStoredProgramInItsOwnSession();
    void startsBareNameFromPathAndPathWithBlanks();

private:
    // Copies the recorder to `relative` under the temporary folder.
    QString installRecorder(const QString &relative);
    // Starts `line` and waits for the recorder's report; empty if none came.
    Record start(const QString &line);

    DesktopPlatform m_platform;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    QByteArray m_savedPath;
    QString m_savedCwd;
    int m_starts = 0;
};

void TestProcessStart::init()
{
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + u"/Korvane-Start-XXXXXX"_s);
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

Record TestProcessStart::start(const QString &line)
{
    const QString path = m_root + u"/record%1.txt"_s.arg(++m_starts);
    qputenv("KORVANE_ARGV_RECORD", path.toLocal8Bit());
    Record record;
    QFile file(path);
    if (!m_platform.processes().start(line) ||
        !QTest::qWaitFor([&path] { return QFileInfo::exists(path); }, kStartTimeoutMs) ||
        !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return record;
    // The recorder writes its arguments one per line, then "sid N" and "ppid N".
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    if (lines.size() < 3)
        return record;
    record.ppid = lines.takeLast().section(u' ', 1).toLongLong();
    record.sid = lines.takeLast().section(u' ', 1).toLongLong();
    record.argv = lines;
    return record;
}

void TestProcessStart::startsUpperCaseStoredProgramInItsOwnSession()
{
    const QString recorder = installRecorder(u"Tools/Argv_Recorder"_s);
    QFile someFile(m_root + u"/Data/SomeFile.Txt"_s);
    QVERIFY(QDir().mkpath(m_root + u"/Data"_s));
    QVERIFY(someFile.open(QIODevice::WriteOnly));
    someFile.close();

    const Record got = start(
        uR"(%1 ARG1 "two words" %2)"_s.arg(recorder.toUpper(), someFile.fileName().toUpper()));
    // The launcher leaves no child of ours behind to be reaped.
    errno = 0;
    QCOMPARE(::waitpid(-1, nullptr, WNOHANG), -1);
    QCOMPARE(errno, ECHILD);

    const QStringList expected = {recorder, u"ARG1"_s, u"two words"_s, someFile.fileName()};
    QCOMPARE(got.argv, expected);
    QVERIFY(got.sid > 0);
    QVERIFY(got.sid != ::getsid(0));
    QVERIFY(got.ppid != ::getpid());
}

void TestProcessStart::startsBareNameFromPathAndPathWithBlanks()
{
    // The first folder has a same-named file that cannot run; it is passed over.
    QVERIFY(QDir().mkpath(m_root + u"/plain"_s));
    QFile plain(m_root + u"/plain/argv_recorder"_s);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString recorder = installRecorder(u"Bin/Argv_Recorder"_s);
    qputenv("PATH", u"%1/plain:%1/Bin:"_s.arg(m_root).toLocal8Bit() + m_savedPath);
    QCOMPARE(start(u"ARGV_RECORDER /NO/SUCH/PLACE"_s).argv,
             (QStringList{recorder, u"/NO/SUCH/PLACE"_s}));

    const QString blanks = installRecorder(u"My Tools/Argv Recorder"_s);
    QCOMPARE(start(blanks.toUpper()).argv, QStringList{blanks});

    // What cannot run is refused, and nothing starts.
    QVERIFY(!m_platform.processes().start(m_root.toUpper() + u"/BIN"_s));
    QVERIFY(!m_platform.processes().start(u"no_such_program_korvane"_s));
}

QTEST_GUILESS_MAIN(TestProcessStart)
#include "test_process_start.moc"
