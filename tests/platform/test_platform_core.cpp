// Desktop-independent helpers: Windows-1252 text, number texts, the Application
// folder, command-line splitting, case-insensitive paths and launch planning.

#include "appfolder.h"
#include "launchplan.h"
#include "numbertext.h"
#include "windows1252.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace korvane;

class TestPlatformCore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windows1252Text();
    void numberTexts();

    void applicationFolderAndFileCase();

    void splitCommandLine_data();
    void splitCommandLine();
    void resolvePathIgnoringCase();
    void findProgramOnPathTakesExecutableFilesOnly();

    void planLaunch();

private:
    QString makeFile(const QString &relative, const QByteArray &content = "x",
                     bool executable = false);
    QString makeDir(const QString &relative);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root; // m_dir's path
    QByteArray m_savedPath;
    QByteArray m_savedHome;
    QString m_savedCwd;
};

void TestPlatformCore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = m_dir->path();
    m_savedPath = qgetenv("PATH");
    m_savedHome = qgetenv("HOME");
    m_savedCwd = QDir::currentPath();
    qputenv("KORVANE_HOME", m_root.toLocal8Bit());
    qputenv("HOME", makeDir(u"Home"_s).toLocal8Bit());
    QDir::setCurrent(m_root);
}

void TestPlatformCore::cleanup()
{
    QDir::setCurrent(m_savedCwd);
    qputenv("PATH", m_savedPath);
    qputenv("HOME", m_savedHome);
    m_dir.reset();
}

QString TestPlatformCore::makeFile(const QString &relative, const QByteArray &content,
                                   bool executable)
{
    const QString path = m_root + u'/' + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot create %s", qPrintable(path));
    file.write(content);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    return path;
}

QString TestPlatformCore::makeDir(const QString &relative)
{
    const QString path = m_root + u'/' + relative;
    QDir().mkpath(path);
    return path;
}

void TestPlatformCore::windows1252Text()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = fromAnsi(all);
    QCOMPARE(toAnsi(text), all);
    QCOMPARE(text.at(0x80), QChar(0x20AC));
    QCOMPARE(text.at(0x9F), QChar(0x0178));
    QVERIFY(isAnsiRepresentable(u"Caf\u00e9 \u20ac \u0160"_s));
    QVERIFY(!isAnsiRepresentable(u"\u4e2d"_s));
    QCOMPARE(toAnsi(u"a\u0100b"_s), QByteArray("a?b"));

    // UTF-8 when it is valid (byte-order mark dropped), Windows-1252 otherwise.
    QCOMPARE(decodeText("\xef\xbb\xbf"
                        "caf\xc3\xa9\r\n"),
             u"caf\u00e9\r\n"_s);
    QCOMPARE(LoadTextFile(makeFile(u"old.txt"_s, "caf\xe9 \x80\r\n")), u"caf\u00e9 \u20ac\r\n"_s);
    QCOMPARE(LoadTextFile(m_root + u"/missing.txt"_s), QString());
}

void TestPlatformCore::numberTexts()
{
    QCOMPARE(numberText(0), u" 0"_s);
    QCOMPARE(numberText(-3), u"-3"_s);
    QCOMPARE(numberText(1234567890123), u" 1234567890123"_s);
    // Reading stops at the first character that cannot continue a number.
    QCOMPARE(leadingNumber(u"\t+2.25;"), 2.25);
    QCOMPARE(leadingNumber(u"1e3"), 1000.0);
    QCOMPARE(leadingNumber(u"4e"), 4.0);
    QCOMPARE(leadingNumber(u".5"), 0.5);
    QCOMPARE(leadingNumber(u"-"), 0.0);
    QCOMPARE(leadingNumber(u"abc12"), 0.0);
}

void TestPlatformCore::applicationFolderAndFileCase()
{
    qputenv("KORVANE_HOME", (m_root + u"/Data/"_s).toLocal8Bit());
    QCOMPARE(applicationFolder(), m_root + u"/Data"_s);
    QCOMPARE(dataFilePath(u"KeyWord.DAT"_s), m_root + u"/Data/KeyWord.DAT"_s);
    makeFile(u"Data/pd.INI"_s);
    QCOMPARE(dataFilePath(u"PD.ini"_s), m_root + u"/Data/pd.INI"_s);

    makeFile(u"keyword.dat"_s);
    makeFile(u"KEYWORD.DAT"_s);
    QCOMPARE(findEntryIgnoringCase(m_root, u"keyword.dat"_s), m_root + u"/keyword.dat"_s);
    // Neither spelled exactly: the first in sorted order.
    QCOMPARE(findEntryIgnoringCase(m_root, u"KeyWord.dat"_s), m_root + u"/KEYWORD.DAT"_s);
    QCOMPARE(findEntryIgnoringCase(m_root, u"missing.dat"_s), QString());
}

void TestPlatformCore::splitCommandLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("blanks and tabs") << " a  b\tc " << QStringList{"a", "b", "c"};
    QTest::newRow("only blanks") << " \t " << QStringList{};
    QTest::newRow("quotes inside a word") << R"(ab"c d"e)" << QStringList{"abc de"};
    QTest::newRow("empty quotes make a word") << R"(a "" b)" << QStringList{"a", "", "b"};
    QTest::newRow("unclosed quote runs to the end") << R"(a "b c)" << QStringList{"a", "b c"};
    QTest::newRow("lone backslashes are literal")
        << R"(C:\Program\x.exe a\\b)" << QStringList{R"(C:\Program\x.exe)", R"(a\\b)"};
    QTest::newRow("three backslashes before quote") << R"(a\\\"b)" << QStringList{R"(a\"b)"};
    QTest::newRow("four backslashes before quote") << R"("x\\\\" y)" << QStringList{R"(x\\)", "y"};
    QTest::newRow("doubled quote inside quotes") << R"("a""b c")" << QStringList{R"(a"b c)"};
}

void TestPlatformCore::splitCommandLine()
{
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QCOMPARE(korvane::splitCommandLine(line), words);
}

void TestPlatformCore::resolvePathIgnoringCase()
{
    makeFile(u"Tree/Mixed/One.txt"_s);
    makeFile(u"Tree/mixed/Two.txt"_s);
    makeFile(u"Tree/ZetA/a"_s);
    makeFile(u"Tree/ZEta/b"_s);
    makeFile(u"Home/Documents/Notes.Txt"_s);
    const QString tree = m_root + u"/Tree"_s;
    const QString upperTree = tree.toUpper();

    QCOMPARE(korvane::resolvePathIgnoringCase(tree + u"/Mixed"_s), tree + u"/Mixed"_s);
    // No exact spelling: the all-lower-case one wins over the sorted-first "Mixed".
    QCOMPARE(korvane::resolvePathIgnoringCase(upperTree + u"/MIXED/TWO.TXT"_s),
             tree + u"/mixed/Two.txt"_s);
    // Each component is settled before the next ("ZEta" < "ZetA"): no going back.
    const QString noBacktrack = upperTree + u"/ZETA/A"_s;
    QCOMPARE(korvane::resolvePathIgnoringCase(noBacktrack), noBacktrack);

    const QString home = m_root + u"/Home"_s;
    QCOMPARE(korvane::resolvePathIgnoringCase(u"~/DOCUMENTS/NOTES.TXT"_s),
             home + u"/Documents/Notes.Txt"_s);
    QCOMPARE(korvane::resolvePathIgnoringCase(u"TREE/../HOME/DOCUMENTS"_s), home + u"/Documents"_s);
}

void TestPlatformCore::findProgramOnPathTakesExecutableFilesOnly()
{
    makeFile(u"first/tool"_s, "plain file");
    makeDir(u"second/TOOL"_s);
    const QString tool = makeFile(u"third/Tool"_s, "#!/bin/sh\n", true);
    makeFile(u"fourth/tool"_s, "#!/bin/sh\n", true);
    qputenv("PATH", u"%1/first::%1/second:%1/third:%1/fourth"_s.arg(m_root).toLocal8Bit());

    // Folder order comes before spelling: "tool" is found as "Tool" in the third folder.
    QCOMPARE(findProgramOnPath(u"tool"_s), tool);
    QCOMPARE(findProgramOnPath(u"missing"_s), QString());
    QCOMPARE(findProgramOnPath(u"third/Tool"_s), QString());
}

// Program lookup, argument splitting and upper-case paths are also covered by real
// starts in test_process_start; these are the cases only planning shows.
void TestPlatformCore::planLaunch()
{
    const QString program = makeFile(u"Apps/My_Tool"_s, "#!/bin/sh\n", true);
    makeFile(u"Home/Letters/Dear.txt"_s);
    makeDir(u"Apps/Folder"_s);
    makeFile(u"Apps/readme.txt"_s);
    qputenv("PATH", (m_root + u"/Apps"_s).toLocal8Bit());

    std::optional<korvane::LaunchPlan> plan =
        korvane::planLaunch(u"  MY_TOOL ~/LETTERS /NO/SUCH/FILE / "_s + m_root.toUpper());
    QVERIFY(plan);
    QCOMPARE(plan->program, program);
    QCOMPARE(plan->arguments,
             (QStringList{m_root + u"/Home/Letters"_s, u"/NO/SUCH/FILE"_s, u"/"_s, m_root}));

    const QString blanks = makeFile(u"My Apps/Big Tool"_s, "#!/bin/sh\n", true);
    plan = korvane::planLaunch(u'"' + blanks.toUpper() + uR"(" "a b" c)"_s);
    QVERIFY(plan);
    QCOMPARE(plan->program, blanks);
    QCOMPARE(plan->arguments, (QStringList{u"a b"_s, u"c"_s}));

    QVERIFY(!korvane::planLaunch(u"   "_s));
    QVERIFY(!korvane::planLaunch(m_root.toUpper() + u"/APPS/FOLDER"_s));
    QVERIFY(!korvane::planLaunch(m_root.toUpper() + u"/APPS/README.TXT arg"_s));
    QVERIFY(!korvane::planLaunch(u"FOLDER"_s));

    // Explorer opens the home folder, or the folder named, with xdg-open.
    const QString opener = makeFile(u"Apps/xdg-open"_s, "#!/bin/sh\n", true);
    plan = korvane::planLaunch(u"EXPLORER"_s);
    QVERIFY(plan);
    QCOMPARE(plan->program, opener);
    QCOMPARE(plan->arguments, QStringList{m_root + u"/Home"_s});
    const QString folder = makeDir(u"Shared Files/Pictures"_s);
    plan = korvane::planLaunch(u"Explorer "_s + folder.toUpper());
    QVERIFY(plan);
    QCOMPARE(plan->arguments, QStringList{folder});

    // Nothing in the current folder is found by its bare name.
    QDir::setCurrent(m_root + u"/Apps"_s);
    qputenv("PATH", "/nonexistent");
    QVERIFY(!korvane::planLaunch(u"my_tool"_s));
    QVERIFY(!korvane::planLaunch(u"explorer"_s));
}

QTEST_GUILESS_MAIN(TestPlatformCore)
#include "test_platform_core.moc"
