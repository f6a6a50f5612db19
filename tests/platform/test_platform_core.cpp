// SPDX-License-Identifier: GPL-3.0-or-later
// The text and file helpers beneath the platform (Windows-1252 text, number texts,
// the Application folder, names matched without regard to case, command-line
// splitting), and real processes started through DesktopPlatform's launcher: from
// a command line stored in upper case, the program found and its arguments resolved
// without regard to case, each started in a session of its own, and nothing
// started for a line that names no program.

#include "appfolder.h"
#include "desktopplatform.h"
#include "launchplan.h"
#include "numbertext.h"
#include "windows1252.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace korvane;

class TestPlatformCore : public QObject
{
    Q_OBJECT

    DesktopPlatform m_platform;
    QTemporaryDir m_dir{QDir::tempPath() + u"/Korvane-Core-XXXXXX"_s};
    QString m_root = m_dir.path();

    // A file under the temporary folder: `content`, or a copy of the argument recorder.
    QString make(const QString &relative, const QByteArray &content = "x", bool recorder = false)
    {
        const QString path = m_root + u'/' + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (recorder ? !QFile::copy(QStringLiteral(ARGV_RECORDER_PATH), path)
                     : !file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot create %s", qPrintable(path));
        return path;
    }

private slots:
    void initTestCase()
    {
        qputenv("KORVANE_HOME", m_root.toLocal8Bit());
        QDir::setCurrent(m_root);
    }

    void textAndFileHelpers()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = fromAnsi(all);
        QCOMPARE(toAnsi(text), all);
        QCOMPARE(text.at(0x80), QChar(0x20AC));
        QVERIFY(isAnsiRepresentable(u"Caf\u00e9 \u20ac \u0160"_s));
        QVERIFY(!isAnsiRepresentable(u"\u4e2d"_s));
        QCOMPARE(toAnsi(u"a\u0100b"_s), QByteArray("a?b"));
        // UTF-8 when it is valid (byte-order mark dropped), Windows-1252 otherwise.
        QCOMPARE(decodeText("\xef\xbb\277caf\xc3\xa9\r\n"), u"caf\u00e9\r\n"_s);
        QCOMPARE(readTextFile(make(u"old.txt"_s, "caf\xe9 \x80\r\n")), u"caf\u00e9 \u20ac\r\n"_s);
        QCOMPARE(readTextFile(m_root + u"/missing.txt"_s), QString());
        QCOMPARE(numberText(0), u" 0"_s);
        QCOMPARE(numberText(-3), u"-3"_s);
        QCOMPARE(numberText(1234567890123), u" 1234567890123"_s);
        // Reading stops at the first character that cannot continue a number.
        const QList<std::pair<QString, double>> leading{{u"\t+2.25;"_s, 2.25}, {u"1e3"_s, 1000},
                                                        {u"4e"_s, 4},          {u".5"_s, 0.5},
                                                        {u"-"_s, 0},           {u"abc12"_s, 0}};
        for (const auto &[text, number] : leading)
            QCOMPARE(leadingNumber(text), number);
        qputenv("KORVANE_HOME", (m_root + u"/Data/"_s).toLocal8Bit());
        QCOMPARE(applicationFolder(), m_root + u"/Data"_s);
        QCOMPARE(dataFilePath(u"KeyWord.DAT"_s), m_root + u"/Data/KeyWord.DAT"_s);
        make(u"Data/pd.INI"_s);
        QCOMPARE(dataFilePath(u"PD.ini"_s), m_root + u"/Data/pd.INI"_s);
        make(u"keyword.dat"_s);
        make(u"KEYWORD.DAT"_s);
        QCOMPARE(findEntryIgnoringCase(m_root, u"keyword.dat"_s), m_root + u"/keyword.dat"_s);
        // Neither spelled exactly: the first in sorted order.
        QCOMPARE(findEntryIgnoringCase(m_root, u"KeyWord.dat"_s), m_root + u"/KEYWORD.DAT"_s);
        QCOMPARE(findEntryIgnoringCase(m_root, u"missing.dat"_s), QString());
    }

    void splitsCommandLinesLikeWindows();

    void startsWhatTheLineNames_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("argv"); // as the program got it; empty: nothing starts
        const QString root = m_root.toUpper();
        const QString recorder = make(u"Tools/Argv_Recorder"_s, {}, true);
        const QString onPath = make(u"Bin/Argv_Recorder"_s, {}, true);
        make(u"plain/argv_recorder"_s); // the same name earlier on PATH, not executable
        const QString blanks = make(u"My Tools/Argv Recorder"_s, {}, true);
        const QString opener = make(u"xdg/xdg-open"_s, {}, true);
        make(u"Tools/Only_Here"_s, {}, true);
        const QString data = make(u"Data/SomeFile.Txt"_s);
        for (const char *file :
             {"Tree/Mixed/One.txt", "Tree/mixed/Two.txt", "Tree/ZetA/a", "Tree/ZEta/b"})
            make(QString::fromLatin1(file));
        const QString pictures = make(u"Shared Files/Pictures/p.png"_s).section(u'/', 0, -2);
        const QString documents = QFileInfo(make(u"Home/Documents/Notes.Txt"_s)).path();
        // Names the splitting would change, each beside the name it would make.
        const QString quoted = make(u"Odd/x\"y"_s, {}, true),
                      tabbed = make(u"Odd/a\tb"_s, {}, true);
        make(u"Odd/xy"_s, {}, true);
        make(u"Odd/a"_s, {}, true);
        qputenv("HOME", (m_root + u"/Home"_s).toLocal8Bit());
        qputenv("PATH", u"%1/plain::%1/Bin:%1/xdg"_s.arg(m_root).toLocal8Bit());
        QDir::setCurrent(m_root + u"/Tools"_s);

        QTest::newRow("upper-case path, quoted argument")
            << u"%1 ARG1 \"two words\" %2"_s.arg(recorder.toUpper(), data.toUpper())
            << QStringList{recorder, u"ARG1"_s, u"two words"_s, data};
        QTest::newRow("bare name on PATH, paths as arguments")
            << u"ARGV_RECORDER /NO/SUCH/PLACE ~/DOCUMENTS/NOTES.TXT ~"_s
            << QStringList{onPath, u"/NO/SUCH/PLACE"_s, documents + u"/Notes.Txt"_s,
                           m_root + u"/Home"_s};
        // Exact spelling first, then all lower case, then the first in sorted order
        // ("ZEta" < "ZetA"), one component at a time with no going back.
        QTest::newRow("spellings of arguments")
            << u"ARGV_RECORDER %1/TREE/Mixed/ONE.TXT %1/TREE/MIXED/TWO.TXT %1/TREE/ZETA/B %1/TREE/ZETA/A %1/TREE/../HOME/DOCUMENTS"_s
                   .arg(root)
            << QStringList{onPath,
                           m_root + u"/Tree/Mixed/One.txt"_s,
                           m_root + u"/Tree/mixed/Two.txt"_s,
                           m_root + u"/Tree/ZEta/b"_s,
                           root + u"/TREE/ZETA/A"_s,
                           documents};
        QTest::newRow("unquoted path with blanks") << blanks.toUpper() << QStringList{blanks};
        QTest::newRow("quoted path with blanks")
            << u"\"%1\" \"a b\" c"_s.arg(blanks.toUpper()) << QStringList{blanks, u"a b"_s, u"c"_s};
        QTest::newRow("explorer opens a folder")
            << u"Explorer "_s + pictures.toUpper() << QStringList{opener, pictures};
        QTest::newRow("explorer opens home")
            << u"EXPLORER"_s << QStringList{opener, m_root + u"/Home"_s};
        QTest::newRow("whole line with a quote") << quoted.toUpper() << QStringList{quoted};
        QTest::newRow("whole line with a tab") << tabbed.toUpper() << QStringList{tabbed};
        for (const QString &line :
             {root + u"/BIN"_s, data.toUpper() + u" arg"_s, u"no_such_program_korvane"_s, u"   "_s,
              u"only_here"_s, recorder + QChar(0) + u"x"_s})
            QTest::newRow(qPrintable(u"refused: "_s + line)) << line << QStringList();
    }

    void startsWhatTheLineNames()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, argv);
        const QString record = m_root + u"/record-"_s + QString::number(qHash(line));
        qputenv("KORVANE_ARGV_RECORD", record.toLocal8Bit());
        QCOMPARE(m_platform.processes().start(line), !argv.isEmpty());
        // A start that fails says why.
        QCOMPARE(m_platform.processes().lastFailure().isEmpty(), !argv.isEmpty());
        if (argv.isEmpty())
            return;
        // The launcher leaves no child of ours behind to be reaped.
        errno = 0;
        QCOMPARE(::waitpid(-1, nullptr, WNOHANG), -1);
        QCOMPARE(errno, ECHILD);
        // The recorder writes its arguments one per line, then "sid N" and "ppid N".
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(record), 10000);
        const QStringList got = readTextFile(record).split(u'\n', Qt::SkipEmptyParts);
        const qint64 sid = got.value(got.size() - 2).section(u' ', 1).toLongLong();
        QVERIFY(sid > 0 && sid != ::getsid(0));
        QCOMPARE(got.mid(0, got.size() - 2), argv);
    }
};

// Out of the class: moc cannot read raw string literals inside one.
void TestPlatformCore::splitsCommandLinesLikeWindows()
{
    const QList<std::pair<QString, QStringList>> rows{
        {" a  b\tc ", {"a", "b", "c"}},
        {" \t ", {}},
        {R"(ab"c d"e)", {"abc de"}},   // quotes inside a word
        {R"(a "" b)", {"a", "", "b"}}, // empty quotes make a word
        {R"(a "b c)", {"a", "b c"}},   // an unclosed quote runs to the end
        {R"(C:\Program\x.exe a\\b)", {R"(C:\Program\x.exe)", R"(a\\b)"}}, // lone backslashes
        {R"(a\\\"b)", {R"(a\"b)"}},        // three backslashes before a quote
        {R"("x\\\\" y)", {R"(x\\)", "y"}}, // four backslashes before a quote
        {R"("a""b c")", {R"(a"b c)"}},     // a doubled quote inside quotes
    };
    for (const auto &[line, words] : rows)
        QCOMPARE(splitCommandLine(line), words);
}

QTEST_GUILESS_MAIN(TestPlatformCore)
#include "test_platform_core.moc"
