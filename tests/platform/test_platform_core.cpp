// Desktop-independent helpers: Windows-1252 text, number texts, the Application
// folder, command-line splitting, case-insensitive paths and launch planning.

#include "ansi.h"
#include "appfolder.h"
#include "launchplan.h"
#include "numbertext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvane;

class TestPlatformCore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void ansiRoundTripsEveryByte();
    void ansiRepresentability();
    void decodeTextPrefersUtf8();

    void numberTextPutsBlankBeforePositive();
    void leadingNumber_data();
    void leadingNumber();

    void applicationFolderHonoursKorvaneHome();
    void findEntryIgnoringCasePrefersExactSpelling();
    void dataFilePathUsesExistingOrCanonicalSpelling();
    void removeEntriesWithSuffixMatchesAnyCase();
    void loadTextFile();

    void splitCommandLine_data();
    void splitCommandLine();

    void resolvePathPrefersExactThenLowerThenSorted();
    void resolvePathHomeRelativeAndMissing();
    void findProgramOnPathTakesExecutableFilesOnly();

    void planLaunchProgramAndArguments();
    void planLaunchRefusesWhatCannotRun();
    void planLaunchWholeLineWithBlanks();
    void planLaunchExplorer();
    void planLaunchSystemProgramStoredUpperCase();

private:
    QString makeFile(const QString &relative, const QByteArray &content = "x",
                     bool executable = false);
    QString makeDir(const QString &relative);
    QString upper(const QString &path) const { return path.toUpper(); }

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
    qputenv("HOME", makeDir(QStringLiteral("Home")).toLocal8Bit());
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

// ---- Windows-1252 text ----

void TestPlatformCore::ansiRoundTripsEveryByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = fromAnsi(all);
    QCOMPARE(text.size(), 256);
    QVERIFY(isAnsiRepresentable(text));
    QCOMPARE(toAnsi(text), all);
    QCOMPARE(text.at(0x80), QChar(0x20AC));
    QCOMPARE(text.at(0x9F), QChar(0x0178));
    QCOMPARE(text.at(0xE9), QChar(0x00E9));
}

void TestPlatformCore::ansiRepresentability()
{
    QVERIFY(isAnsiRepresentable(QStringLiteral("Caf\u00e9 \u20ac \u0160")));
    QVERIFY(!isAnsiRepresentable(QStringLiteral("a\u0100b")));
    QVERIFY(!isAnsiRepresentable(QStringLiteral("\u4e2d")));
    QCOMPARE(toAnsi(QStringLiteral("\u20ac")), QByteArray("\x80"));
    QCOMPARE(toAnsi(QStringLiteral("a\u0100b")), QByteArray("a?b"));
}

void TestPlatformCore::decodeTextPrefersUtf8()
{
    QCOMPARE(decodeText("caf\xc3\xa9"), QStringLiteral("caf\u00e9"));
    // Not valid UTF-8: read as Windows-1252.
    QCOMPARE(decodeText("caf\xe9 \x80"), QStringLiteral("caf\u00e9 \u20ac"));
    QCOMPARE(decodeText("\xef\xbb\xbf"
                        "abc\r\n"),
             QStringLiteral("abc\r\n"));
    QCOMPARE(decodeText(""), QString());
}

// ---- Numbers as text ----

void TestPlatformCore::numberTextPutsBlankBeforePositive()
{
    QCOMPARE(numberText(7), QStringLiteral(" 7"));
    QCOMPARE(numberText(0), QStringLiteral(" 0"));
    QCOMPARE(numberText(-3), QStringLiteral("-3"));
    QCOMPARE(numberText(1234567890123), QStringLiteral(" 1234567890123"));
}

void TestPlatformCore::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("blank then digit") << " 7" << 7.0;
    QTest::newRow("negative") << "-3" << -3.0;
    QTest::newRow("trailing garbage") << "  12abc" << 12.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("exponent without digits") << "4e" << 4.0;
    QTest::newRow("fraction only") << ".5" << 0.5;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("dot only") << "." << 0.0;
    QTest::newRow("garbage") << "abc12" << 0.0;
    QTest::newRow("tab and plus") << "\t+2.25;" << 2.25;
}

void TestPlatformCore::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(korvane::leadingNumber(text), value);
}

// ---- Application folder ----

void TestPlatformCore::applicationFolderHonoursKorvaneHome()
{
    qputenv("KORVANE_HOME", (m_root + QStringLiteral("/Data/")).toLocal8Bit());
    QCOMPARE(applicationFolder(), m_root + QStringLiteral("/Data"));
    QCOMPARE(dataFilePath(QStringLiteral("KeyWord.DAT")),
             m_root + QStringLiteral("/Data/KeyWord.DAT"));
}

void TestPlatformCore::findEntryIgnoringCasePrefersExactSpelling()
{
    makeFile(QStringLiteral("keyword.dat"));
    makeFile(QStringLiteral("KEYWORD.DAT"));
    QCOMPARE(findEntryIgnoringCase(m_root, QStringLiteral("keyword.dat")),
             m_root + QStringLiteral("/keyword.dat"));
    QCOMPARE(findEntryIgnoringCase(m_root, QStringLiteral("KEYWORD.DAT")),
             m_root + QStringLiteral("/KEYWORD.DAT"));
    // Neither spelled exactly: the first in sorted order.
    QCOMPARE(findEntryIgnoringCase(m_root, QStringLiteral("KeyWord.dat")),
             m_root + QStringLiteral("/KEYWORD.DAT"));
    QCOMPARE(findEntryIgnoringCase(m_root, QStringLiteral("missing.dat")), QString());
    QCOMPARE(findEntryIgnoringCase(m_root, QString()), QString());
}

void TestPlatformCore::dataFilePathUsesExistingOrCanonicalSpelling()
{
    QCOMPARE(dataFilePath(m_root, QStringLiteral("PD.ini")), m_root + QStringLiteral("/PD.ini"));
    makeFile(QStringLiteral("pd.INI"));
    QCOMPARE(dataFilePath(m_root, QStringLiteral("PD.ini")), m_root + QStringLiteral("/pd.INI"));
    QCOMPARE(dataFilePath(QStringLiteral("Pd.Ini")), m_root + QStringLiteral("/pd.INI"));
}

void TestPlatformCore::removeEntriesWithSuffixMatchesAnyCase()
{
    const QStringList doomed = {QStringLiteral("A.KWX"), QStringLiteral("b.kwx"),
                                QStringLiteral(".KWX"), QStringLiteral("c.Kwx"),
                                QStringLiteral(".kwx")};
    const QStringList kept = {QStringLiteral("A.APX"), QStringLiteral("KeyWord.DAT"),
                              QStringLiteral("kwx"), QStringLiteral("a.kwx.bak")};
    for (const QString &name : doomed + kept)
        makeFile(name);
    QCOMPARE(removeEntriesWithSuffix(m_root, QStringLiteral(".kwx")), doomed.size());
    QStringList left = QDir(m_root).entryList(QDir::Files | QDir::Hidden);
    left.sort();
    QStringList expected = kept;
    expected.sort();
    QCOMPARE(left, expected);
}

void TestPlatformCore::loadTextFile()
{
    QCOMPARE(LoadTextFile(m_root + QStringLiteral("/missing.txt")), QString());
    const QString ansi = makeFile(QStringLiteral("old.txt"), "caf\xe9\r\nline2\r\n");
    QCOMPARE(LoadTextFile(ansi), QStringLiteral("caf\u00e9\r\nline2\r\n"));
    const QString utf8 = makeFile(QStringLiteral("new.txt"), "\xe2\x82\xac 5\n");
    QCOMPARE(LoadTextFile(utf8), QStringLiteral("\u20ac 5\n"));
}

// ---- Command lines and paths ----

void TestPlatformCore::splitCommandLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("blanks and tabs") << " a  b\tc " << QStringList{"a", "b", "c"};
    QTest::newRow("empty line") << "" << QStringList{};
    QTest::newRow("only blanks") << " \t " << QStringList{};
    QTest::newRow("quotes group") << R"("a b" c)" << QStringList{"a b", "c"};
    QTest::newRow("quotes inside a word") << R"(ab"c d"e)" << QStringList{"abc de"};
    QTest::newRow("empty quotes make a word") << R"(a "" b)" << QStringList{"a", "", "b"};
    QTest::newRow("unclosed quote runs to the end") << R"(a "b c)" << QStringList{"a", "b c"};
    QTest::newRow("lone backslashes are literal")
        << R"(C:\Program\x.exe a\\b)" << QStringList{R"(C:\Program\x.exe)", R"(a\\b)"};
    QTest::newRow("odd backslashes before quote") << R"(a\"b)" << QStringList{R"(a"b)"};
    QTest::newRow("three backslashes before quote") << R"(a\\\"b)" << QStringList{R"(a\"b)"};
    QTest::newRow("even backslashes before quote") << R"(a\\"b c")" << QStringList{R"(a\b c)"};
    QTest::newRow("four backslashes before quote") << R"("x\\\\" y)" << QStringList{R"(x\\)", "y"};
    QTest::newRow("doubled quote inside quotes") << R"("a""b c")" << QStringList{R"(a"b c)"};
    QTest::newRow("quoted program with blanks")
        << R"("C:\Program Files\App.exe" /s "two words")"
        << QStringList{R"(C:\Program Files\App.exe)", "/s", "two words"};
}

void TestPlatformCore::splitCommandLine()
{
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QCOMPARE(korvane::splitCommandLine(line), words);
}

void TestPlatformCore::resolvePathPrefersExactThenLowerThenSorted()
{
    makeFile(QStringLiteral("Tree/Mixed/One.txt"));
    makeFile(QStringLiteral("Tree/mixed/Two.txt"));
    makeFile(QStringLiteral("Tree/ZetA/a"));
    makeFile(QStringLiteral("Tree/ZEta/b"));
    const QString tree = m_root + QStringLiteral("/Tree");

    QCOMPARE(resolvePathIgnoringCase(tree + QStringLiteral("/Mixed")),
             tree + QStringLiteral("/Mixed"));
    // No exact spelling: the all-lower-case one wins over the sorted-first "Mixed".
    QCOMPARE(resolvePathIgnoringCase(upper(tree) + QStringLiteral("/MIXED/TWO.TXT")),
             tree + QStringLiteral("/mixed/Two.txt"));
    // Neither exact nor lower case: the first match in sorted order ("ZEta" < "ZetA").
    QCOMPARE(resolvePathIgnoringCase(upper(tree) + QStringLiteral("/ZETA")),
             tree + QStringLiteral("/ZEta"));
    // Each component is settled before the next: no going back to try "ZetA".
    const QString noBacktrack = upper(tree) + QStringLiteral("/ZETA/A");
    QCOMPARE(resolvePathIgnoringCase(noBacktrack), noBacktrack);
}

void TestPlatformCore::resolvePathHomeRelativeAndMissing()
{
    makeFile(QStringLiteral("Home/Documents/Notes.Txt"));
    makeFile(QStringLiteral("Work/Plan.txt"));
    const QString home = m_root + QStringLiteral("/Home");

    QCOMPARE(resolvePathIgnoringCase(QStringLiteral("~/DOCUMENTS/NOTES.TXT")),
             home + QStringLiteral("/Documents/Notes.Txt"));
    QCOMPARE(resolvePathIgnoringCase(QStringLiteral("~/NoSuch/x")),
             home + QStringLiteral("/NoSuch/x"));
    QCOMPARE(resolvePathIgnoringCase(QStringLiteral("WORK/PLAN.TXT")),
             m_root + QStringLiteral("/Work/Plan.txt"));
    QCOMPARE(resolvePathIgnoringCase(QStringLiteral("WORK/../HOME/DOCUMENTS")),
             home + QStringLiteral("/Documents"));
    // A component without a match leaves the path as given.
    const QString missing = upper(m_root) + QStringLiteral("/WORK/NOPE.TXT");
    QCOMPARE(resolvePathIgnoringCase(missing), missing);
}

void TestPlatformCore::findProgramOnPathTakesExecutableFilesOnly()
{
    makeFile(QStringLiteral("first/tool"), "plain file");
    makeDir(QStringLiteral("second/TOOL"));
    const QString tool = makeFile(QStringLiteral("third/Tool"), "#!/bin/sh\n", true);
    makeFile(QStringLiteral("fourth/tool"), "#!/bin/sh\n", true);
    qputenv("PATH",
            QStringLiteral("%1/first::%1/second:%1/third:%1/fourth").arg(m_root).toLocal8Bit());

    QCOMPARE(findProgramOnPath(QStringLiteral("TOOL")), tool);
    // Folder order comes before spelling: "tool" is found as "Tool" in the third folder.
    QCOMPARE(findProgramOnPath(QStringLiteral("tool")), tool);
    QCOMPARE(findProgramOnPath(QStringLiteral("missing")), QString());
    QCOMPARE(findProgramOnPath(QStringLiteral("third/Tool")), QString());
}

// ---- Launch planning ----

void TestPlatformCore::planLaunchProgramAndArguments()
{
    const QString program = makeFile(QStringLiteral("Apps/My_Tool"), "#!/bin/sh\n", true);
    const QString data = makeFile(QStringLiteral("Data/Report.Txt"));
    makeFile(QStringLiteral("Home/Letters/Dear.txt"));
    qputenv("PATH", (m_root + QStringLiteral("/Apps")).toLocal8Bit());

    const QString line =
        upper(program) + QStringLiteral(R"( ARG1 "two words" %1 ~/LETTERS /NO/SUCH/FILE %2 /)")
                             .arg(upper(data), data);
    const std::optional<LaunchPlan> plan = planLaunch(line);
    QVERIFY(plan);
    QCOMPARE(plan->program, program);
    const QStringList expected = {QStringLiteral("ARG1"),
                                  QStringLiteral("two words"),
                                  data,
                                  m_root + QStringLiteral("/Home/Letters"),
                                  QStringLiteral("/NO/SUCH/FILE"),
                                  data,
                                  QStringLiteral("/")};
    QCOMPARE(plan->arguments, expected);

    const std::optional<LaunchPlan> bare = planLaunch(QStringLiteral("  MY_TOOL x  "));
    QVERIFY(bare);
    QCOMPARE(bare->program, program);
    QCOMPARE(bare->arguments, QStringList{QStringLiteral("x")});
}

void TestPlatformCore::planLaunchRefusesWhatCannotRun()
{
    makeDir(QStringLiteral("Apps/Folder"));
    makeFile(QStringLiteral("Apps/readme.txt"));
    makeFile(QStringLiteral("Apps/tool"), "#!/bin/sh\n", true);
    qputenv("PATH", (m_root + QStringLiteral("/Apps")).toLocal8Bit());

    QVERIFY(!planLaunch(QString()));
    QVERIFY(!planLaunch(QStringLiteral("   ")));
    QVERIFY(!planLaunch(upper(m_root) + QStringLiteral("/APPS/FOLDER")));
    QVERIFY(!planLaunch(upper(m_root) + QStringLiteral("/APPS/README.TXT arg")));
    QVERIFY(!planLaunch(upper(m_root) + QStringLiteral("/APPS/NOTHING")));
    QVERIFY(!planLaunch(QStringLiteral("FOLDER")));
    QVERIFY(!planLaunch(QStringLiteral("no_such_program_anywhere")));
    // A program in the current folder is not found by its bare name.
    QDir::setCurrent(m_root + QStringLiteral("/Apps"));
    qputenv("PATH", "/nonexistent");
    QVERIFY(!planLaunch(QStringLiteral("tool")));
}

void TestPlatformCore::planLaunchWholeLineWithBlanks()
{
    const QString program = makeFile(QStringLiteral("My Apps/Big Tool"), "#!/bin/sh\n", true);
    const QString line = upper(program);

    std::optional<LaunchPlan> plan = planLaunch(line);
    QVERIFY(plan);
    QCOMPARE(plan->program, program);
    QCOMPARE(plan->arguments, QStringList{});

    plan = planLaunch(u'"' + line + QStringLiteral(R"(" "a b" c)"));
    QVERIFY(plan);
    QCOMPARE(plan->program, program);
    QCOMPARE(plan->arguments, (QStringList{QStringLiteral("a b"), QStringLiteral("c")}));
}

void TestPlatformCore::planLaunchExplorer()
{
    const QString opener = makeFile(QStringLiteral("bin/xdg-open"), "#!/bin/sh\n", true);
    const QString folder = makeDir(QStringLiteral("Shared Files/Pictures"));
    qputenv("PATH", (m_root + QStringLiteral("/bin")).toLocal8Bit());

    std::optional<LaunchPlan> plan = planLaunch(QStringLiteral("EXPLORER"));
    QVERIFY(plan);
    QCOMPARE(plan->program, opener);
    QCOMPARE(plan->arguments, QStringList{m_root + QStringLiteral("/Home")});

    plan = planLaunch(QStringLiteral("Explorer ") + upper(folder));
    QVERIFY(plan);
    QCOMPARE(plan->program, opener);
    QCOMPARE(plan->arguments, QStringList{folder});

    qputenv("PATH", "/nonexistent");
    QVERIFY(!planLaunch(QStringLiteral("explorer")));
}

void TestPlatformCore::planLaunchSystemProgramStoredUpperCase()
{
    if (!QFileInfo(QStringLiteral("/usr/bin/env")).isExecutable())
        QSKIP("no /usr/bin/env");
    qputenv("PATH", "/usr/bin");
    std::optional<LaunchPlan> plan = planLaunch(QStringLiteral("/USR/BIN/ENV"));
    QVERIFY(plan);
    QCOMPARE(plan->program, QStringLiteral("/usr/bin/env"));
    plan = planLaunch(QStringLiteral("ENV"));
    QVERIFY(plan);
    QCOMPARE(plan->program, QStringLiteral("/usr/bin/env"));
}

QTEST_GUILESS_MAIN(TestPlatformCore)
#include "test_platform_core.moc"
