// The real korvane binary under Xvfb with openbox: ADD KEYWORD typed into the
// command center opens the keyword editor; a key word and a program typed into it
// are added; after the editor closes, the key word typed into the command center
// starts the program. Windows are found and driven with xdotool.

#include "desktopdriver.h"
#include "keyworddatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace korvane;
using namespace korvane::e2e;

namespace {

// Window titles as patterns for xdotool: the whole title.
const QString kCommandCenter = QStringLiteral("^Korvane Command Center$");
const QString kLinkBuilder = QStringLiteral("^Korvane Link Builder$");
constexpr int kTimeout = 15000;

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
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(),
             "xdotool is needed (scripts/install-deps installs it)");
    QTemporaryDir home;
    QVERIFY(home.isValid());
    qputenv("KORVANE_HOME", home.path().toLocal8Bit());
    QDir::setCurrent(home.path());

    // A program in a mixed-case folder; the database keeps its path in upper case.
    const QString folder = home.filePath(QStringLiteral("My-Tools/Launch"));
    QVERIFY(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/MarkIt.sh");
    const QString marker = home.filePath(QStringLiteral("launched"));
    QVERIFY(writeExecutable(program, "#!/bin/sh\ntouch '" + marker.toLocal8Bit() + "'\n"));

    QProcess korvane;
    korvane.setProgram(QStringLiteral(KORVANE_BINARY));
    korvane.setWorkingDirectory(home.path());
    korvane.start();
    const auto stop = qScopeGuard([&korvane] {
        korvane.kill();
        korvane.waitForFinished(5000);
    });

    QString center;
    QTRY_VERIFY_WITH_TIMEOUT(!(center = windowOf(korvane.processId(), kCommandCenter)).isEmpty(),
                             kTimeout);
    QVERIFY(activate(center));
    type(QStringLiteral("add keyword"));
    key(QStringLiteral("Return"));

    QString editor;
    QTRY_VERIFY_WITH_TIMEOUT(!(editor = windowOf(korvane.processId(), kLinkBuilder)).isEmpty(),
                             kTimeout);
    QVERIFY(activate(editor));
    // The KeyWord field has the focus; two tabs lead to the Application Path.
    key(QStringLiteral("Tab Tab"));
    type(program);
    key(QStringLiteral("shift+Tab shift+Tab"));
    type(QStringLiteral("launchmark"));
    key(QStringLiteral("Return"));

    db::KeywordDatabase database(home.path());
    QTRY_COMPARE_WITH_TIMEOUT(database.recordCount(), qint64(1), kTimeout);
    const std::optional<db::KeywordRecord> added = database.Get_Keyword_Record(1);
    QVERIFY(added);
    QCOMPARE(db::trimSpaces(added->keyWord), QStringLiteral("LAUNCHMARK"));
    QCOMPARE(db::trimSpaces(added->program), program.toUpper());

    // File > Exit closes the editor; the command center stays.
    key(QStringLiteral("alt+f"));
    key(QStringLiteral("x"));
    QTRY_VERIFY_WITH_TIMEOUT(windowOf(korvane.processId(), kLinkBuilder).isEmpty(), kTimeout);
    QCOMPARE(korvane.state(), QProcess::Running);

    QVERIFY(activate(center));
    type(QStringLiteral("launchmark"));
    key(QStringLiteral("Return"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), kTimeout);
    QCOMPARE(korvane.state(), QProcess::Running);
}

void TestLinkBuilderE2E::commandLineRunWaitsForTheEditor()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    qputenv("KORVANE_HOME", home.path().toLocal8Bit());
    QProcess korvane;
    korvane.setProgram(QStringLiteral(KORVANE_BINARY));
    korvane.setArguments({QStringLiteral("unheard")});
    korvane.setWorkingDirectory(home.path());
    korvane.start();
    const auto stop = qScopeGuard([&korvane] {
        korvane.kill();
        korvane.waitForFinished(5000);
    });

    // Yes to "There is no application assigned..." opens the editor.
    QString question;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(question = windowOf(korvane.processId(), QStringLiteral("^Korvane$"))).isEmpty(),
        kTimeout);
    QVERIFY(activate(question));
    key(QStringLiteral("alt+y"));
    QString editor;
    QTRY_VERIFY_WITH_TIMEOUT(!(editor = windowOf(korvane.processId(), kLinkBuilder)).isEmpty(),
                             kTimeout);
    QCOMPARE(korvane.state(), QProcess::Running);

    // The key word is in the field: a program added for it, then the editor closed.
    QVERIFY(activate(editor));
    key(QStringLiteral("Tab Tab"));
    type(QStringLiteral("/bin/true"));
    key(QStringLiteral("shift+Tab shift+Tab Return"));
    db::KeywordDatabase database(home.path());
    QTRY_COMPARE_WITH_TIMEOUT(database.recordCount(), qint64(1), kTimeout);
    QCOMPARE(db::trimSpaces(database.Get_Keyword_Record(1)->keyWord), QStringLiteral("UNHEARD"));
    key(QStringLiteral("alt+f x"));
    QVERIFY(korvane.waitForFinished(kTimeout));
    QCOMPARE(korvane.exitCode(), 0);
}

QTEST_MAIN(TestLinkBuilderE2E)
#include "test_link_builder_e2e.moc"
