// The real korvane binary under Xvfb with openbox: ADD KEYWORD typed into the
// command center opens the keyword editor; a key word and a program typed into it
// are added; after the editor closes, the key word typed into the command center
// starts the program. Windows are found and driven with xdotool.

#include "desktopdriver.h"
#include "keyworddatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;
using namespace korvane::e2e;

namespace {

// Window titles as patterns for xdotool: the whole title.
const QString kCommandCenter = QStringLiteral("^Korvane Command Center$");
const QString kLinkBuilder = QStringLiteral("^Korvane Link Builder$");
constexpr int kTimeout = 15000;

// korvane started with `arguments` in a fresh Application folder, killed at the end.
struct Korvane
{
    QTemporaryDir home;
    QProcess process;

    explicit Korvane(const QStringList &arguments = {})
    {
        qputenv("KORVANE_HOME", home.path().toLocal8Bit());
        QDir::setCurrent(home.path());
        process.setWorkingDirectory(home.path());
        process.start(QStringLiteral(KORVANE_BINARY), arguments);
    }
    ~Korvane()
    {
        process.kill();
        process.waitForFinished(5000);
        QDir::setCurrent(QDir::tempPath());
    }

    // Its first window whose title matches `pattern`, once it shows.
    QString window(const QString &pattern)
    {
        QString id;
        waitUntil([&] { return !(id = windowOf(process.processId(), pattern)).isEmpty(); },
                  kTimeout);
        return id;
    }
};

} // namespace

class TestLinkBuilderE2E : public QObject
{
    Q_OBJECT

private slots:
    void linkKeyWordInEditorThenLaunchIt();
    void commandLineRunWaitsForTheEditor();
};

void TestLinkBuilderE2E::linkKeyWordInEditorThenLaunchIt()
{
    Korvane korvane;
    // A program in a mixed-case folder; the database keeps its path in upper case.
    const QString folder = korvane.home.filePath(QStringLiteral("My-Tools/Launch"));
    QVERIFY(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/MarkIt.sh");
    const QString marker = korvane.home.filePath(QStringLiteral("launched"));
    QVERIFY(writeExecutable(program, "#!/bin/sh\ntouch '" + marker.toLocal8Bit() + "'\n"));

    const QString center = korvane.window(kCommandCenter);
    QVERIFY(activate(center));
    type(QStringLiteral("add keyword"));
    key(QStringLiteral("Return"));
    QVERIFY(activate(korvane.window(kLinkBuilder)));
    // The KeyWord field has the focus; two tabs lead to the Application Path.
    key(QStringLiteral("Tab Tab"));
    type(program);
    key(QStringLiteral("shift+Tab shift+Tab"));
    type(QStringLiteral("launchmark"));
    key(QStringLiteral("Return"));

    db::KeywordDatabase database(korvane.home.path());
    QTRY_COMPARE_WITH_TIMEOUT(database.recordCount(), qint64(1), kTimeout);
    QCOMPARE(db::trimSpaces(database.record(1)->program), program.toUpper());

    // File > Exit closes the editor; the command center stays.
    key(QStringLiteral("alt+f x"));
    QTRY_VERIFY_WITH_TIMEOUT(windowOf(korvane.process.processId(), kLinkBuilder).isEmpty(),
                             kTimeout);
    QVERIFY(activate(center));
    type(QStringLiteral("launchmark"));
    key(QStringLiteral("Return"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), kTimeout);
    QCOMPARE(korvane.process.state(), QProcess::Running);
}

void TestLinkBuilderE2E::commandLineRunWaitsForTheEditor()
{
    Korvane korvane({QStringLiteral("unheard")});
    // Yes to "There is no application assigned..." opens the editor.
    QVERIFY(activate(korvane.window(QStringLiteral("^Korvane$"))));
    key(QStringLiteral("alt+y"));
    QVERIFY(activate(korvane.window(kLinkBuilder)));
    QCOMPARE(korvane.process.state(), QProcess::Running);

    // The key word is in the field: a program added for it, then the editor closed.
    key(QStringLiteral("Tab Tab"));
    type(QStringLiteral("/bin/true"));
    key(QStringLiteral("shift+Tab shift+Tab Return"));
    db::KeywordDatabase database(korvane.home.path());
    QTRY_COMPARE_WITH_TIMEOUT(database.recordCount(), qint64(1), kTimeout);
    QCOMPARE(db::trimSpaces(database.record(1)->keyWord), QStringLiteral("UNHEARD"));
    key(QStringLiteral("alt+f x"));
    QVERIFY(korvane.process.waitForFinished(kTimeout));
    QCOMPARE(korvane.process.exitCode(), 0);
}

QTEST_MAIN(TestLinkBuilderE2E)
#include "test_keyword_editor_e2e.moc"
