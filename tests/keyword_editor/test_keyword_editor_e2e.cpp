// SPDX-License-Identifier: GPL-3.0-or-later
// The real korvane binary under Xvfb with openbox: an unknown key word given on
// the command line, Yes to adding it, a program typed into the keyword editor and
// Enter leave the record and its index entries on disk; closing the editor ends
// the program. Windows are found and driven with xdotool.

#include "desktopdriver.h"
#include "keyworddatabase.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;
using namespace korvane::e2e;

constexpr int kTimeout = 15000;

class TestKeywordEditorE2E : public QObject
{
    Q_OBJECT

private slots:
    void keyWordLinkedInTheEditorIsOnDisk();
};

void TestKeywordEditorE2E::keyWordLinkedInTheEditorIsOnDisk()
{
    QTemporaryDir home;
    qputenv("KORVANE_HOME", home.path().toLocal8Bit());
    QProcess korvane;
    korvane.setWorkingDirectory(home.path());
    korvane.start(QStringLiteral(KORVANE_BINARY), {QStringLiteral("unheard")});

    // Yes to "There is no application assigned..." opens the editor with the word.
    QVERIFY(activate(windowOf(korvane.processId(), "^Korvane$", kTimeout)));
    key(QStringLiteral("alt+y"));
    const QString window = windowOf(korvane.processId(), "^Korvane Link Builder$", kTimeout);
    QVERIFY(activate(window));
    // The key word field has the focus; two tabs lead to the Application Path.
    const QString program = home.filePath(QStringLiteral("My-Tools/Run.sh"));
    key(QStringLiteral("Tab Tab"));
    type(program);
    key(QStringLiteral("shift+Tab shift+Tab Return"));

    const db::KeywordDatabase database(home.path());
    QTRY_COMPARE_WITH_TIMEOUT(database.recordCount(), qint64(1), kTimeout);
    QCOMPARE(db::trimSpaces(database.record(1)->keyWord), QStringLiteral("UNHEARD"));
    QCOMPARE(db::trimSpaces(database.record(1)->program), program.toUpper());
    QCOMPARE(database.findKeyword(db::KeyWord(QStringLiteral("unheard"))).size(), 1);
    QCOMPARE(database.findApplication(program).size(), 1);

    // File > Exit closes the editor, and so ends the command-line run.
    key(QStringLiteral("alt+f x"));
    QVERIFY(korvane.waitForFinished(kTimeout));
    QCOMPARE(korvane.exitCode(), 0);
}

QTEST_MAIN(TestKeywordEditorE2E)
#include "test_keyword_editor_e2e.moc"
