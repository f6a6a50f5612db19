// What the command center's command line does with each kind of text, on the
// fake platform: programs started, menus popped up, questions asked, settings
// written.

#include "floatingmenu.h"
#include "keyscanfixture.h"

#include <QApplication>
#include <QLineEdit>

using namespace korvane;

class TestKeyScanSearch : public QObject
{
    Q_OBJECT

private slots:
    void reservedWordsAndPatterns_data();
    void reservedWordsAndPatterns();
    void popupWordsShowMenusAtClientOrigin_data();
    void popupWordsShowMenusAtClientOrigin();
    void exitSavesSettingsAndEnds();
    void shutdownAsksForLogoutOnce();
    void linkedKeyWordStartsEveryProgram();
    void unknownKeyWordAsksToAddIt();
    void webAddressGoesToWebBrowser();
    void enterUpperCasesAndSelectsTheField();
    void menuItemsReachTheirWindows();
};

void TestKeyScanSearch::reservedWordsAndPatterns_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<QStringList>("editorRequests");
    QTest::addColumn<int>("questions");

    const QStringList none;
    QTest::newRow("DIR alone") << "dir" << QStringList{"explorer "} << none << 0;
    QTest::newRow("DIR with folder keeps both blanks")
        << "DIR C:\\DATA" << QStringList{"explorer  C:\\DATA"} << none << 0;
    QTest::newRow("DIRECTIONS is DIR")
        << "directions" << QStringList{"explorer ECTIONS"} << none << 0;
    QTest::newRow("DIR before path") << "DIR:X" << QStringList{"explorer :X"} << none << 0;
    QTest::newRow("ADD KEYWORD") << " add keyword " << none << QStringList{QString()} << 0;
    QTest::newRow("ADD  KEYWORD is a key word")
        << "ADD  KEYWORD" << none << QStringList{"ADD  KEYWORD"} << 1;
    QTest::newRow("drive folder") << "c:\\windows" << QStringList{"explorer C:\\WINDOWS"} << none
                                  << 0;
    QTest::newRow("drive alone") << "A:" << QStringList{"explorer A:"} << none << 0;
    QTest::newRow("program by drive path")
        << "C:\\WINDOWS\\NOTEPAD.EXE" << QStringList{"C:\\WINDOWS\\NOTEPAD.EXE"} << none << 0;
    QTest::newRow("slash folder") << "/home" << QStringList{"explorer /HOME"} << none << 0;
    QTest::newRow("home folder") << "~" << QStringList{"explorer ~"} << none << 0;
    QTest::newRow("slash program")
        << "/usr/bin/run.sh" << QStringList{"/USR/BIN/RUN.SH"} << none << 0;
    QTest::newRow("scheme web address takes the path step")
        << "http://www.x.com" << QStringList{"HTTP://WWW.X.COM"} << none << 0;
    QTest::newRow("web address without browser") << "WWW.X.COM" << none << none << 0;
}

void TestKeyScanSearch::reservedWordsAndPatterns()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, started);
    QFETCH(QStringList, editorRequests);
    QFETCH(int, questions);

    KeyScanFixture fixture;
    RecordingKeyScan &window = fixture.make();
    fixture.platform.dialog.answers.enqueue(MessageAnswer::Yes);
    QString keyWord = typed;
    window.Search_Keyword(keyWord);

    QCOMPARE(keyWord, typed.trimmed().toUpper());
    QCOMPARE(fixture.platform.launcher.started, started);
    QCOMPARE(fixture.editorRequests, editorRequests);
    QCOMPARE(fixture.platform.dialog.boxes.size(), questions);
    QVERIFY(window.popups.isEmpty());
    QVERIFY(!fixture.platform.loop.ended);
    QCOMPARE(fixture.platform.sessions.logoutRequests, 0);
    QVERIFY(fixture.platform.loop.doEventsCalls >= 1);
}

void TestKeyScanSearch::popupWordsShowMenusAtClientOrigin_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("menuItem"); // 0: the whole FloatingMenu

    QTest::newRow("empty") << "" << 0;
    QTest::newRow("blanks only") << "   " << 0;
    QTest::newRow("POPUP any case") << "PopUp" << 0;
    QTest::newRow("KEYWORDS") << "keywords" << FloatingMenu::kKeyWordsItem;
    QTest::newRow("APPLICATIONS") << "Applications" << FloatingMenu::kApplicationsItem;
}

void TestKeyScanSearch::popupWordsShowMenusAtClientOrigin()
{
    QFETCH(QString, typed);
    QFETCH(int, menuItem);

    KeyScanFixture fixture;
    RecordingKeyScan &window = fixture.make();
    window.moveToTwips(1500, 3000);
    QString keyWord = typed;
    window.Search_Keyword(keyWord);

    QCOMPARE(window.popups.size(), 1);
    QMenu *expected = menuItem == 0 ? window.floatingMenu().menu()
                                    : window.floatingMenu().menuItem(menuItem)->menu();
    QCOMPARE(window.popups.first().menu, expected);
    QCOMPARE(window.popups.first().position, window.mapToGlobal(QPoint(0, 0)));
    QVERIFY(fixture.platform.launcher.started.isEmpty());
    QVERIFY(fixture.platform.dialog.boxes.isEmpty());
}

void TestKeyScanSearch::exitSavesSettingsAndEnds()
{
    KeyScanFixture fixture;
    RecordingKeyScan &window = fixture.make();
    window.moveToTwips(1500, 3000);
    QString keyWord = QStringLiteral(" exit");
    window.Search_Keyword(keyWord);

    QVERIFY(fixture.platform.loop.ended);
    QCOMPARE(fixture.platform.loop.exitCode, 0);
    // Neither title-bar procedure has run: the third line is empty.
    QCOMPARE(fixture.fileBytes(QStringLiteral("PD.ini")), QByteArray(" 1500\r\n 3000\r\n\r\n"));
    QVERIFY(fixture.platform.launcher.started.isEmpty());
}

void TestKeyScanSearch::shutdownAsksForLogoutOnce()
{
    KeyScanFixture fixture;
    RecordingKeyScan &window = fixture.make();
    fixture.addKeyWord(QStringLiteral("SHUTDOWN"), QStringLiteral("/USR/BIN/NEVER"));
    QString keyWord = QStringLiteral("Shutdown");
    window.Search_Keyword(keyWord);

    QCOMPARE(fixture.platform.sessions.logoutRequests, 1);
    QVERIFY(fixture.platform.launcher.started.isEmpty());
    QVERIFY(!fixture.platform.loop.ended);
    QVERIFY(!QFile::exists(fixture.home.filePath(QStringLiteral("PD.ini"))));
}

void TestKeyScanSearch::linkedKeyWordStartsEveryProgram()
{
    KeyScanFixture fixture;
    fixture.addKeyWord(QStringLiteral("NOTEPAD"), QStringLiteral("/usr/bin/gedit"));
    fixture.addKeyWord(QStringLiteral("NOTEPADS"), QStringLiteral("/USR/BIN/OTHER"));
    fixture.addKeyWord(QStringLiteral("notepad"), QStringLiteral("/usr/bin/mousepad --new"));
    RecordingKeyScan &window = fixture.make();

    QString keyWord = QStringLiteral("notepad");
    window.Search_Keyword(keyWord);
    QCOMPARE(fixture.platform.launcher.started,
             (QStringList{"/USR/BIN/GEDIT", "/USR/BIN/MOUSEPAD --NEW"}));
    QVERIFY(window.keyWordFound());
    QVERIFY(fixture.platform.dialog.boxes.isEmpty());

    // A proper part of an indexed key word matches nothing.
    fixture.platform.launcher.started.clear();
    fixture.platform.dialog.answers.enqueue(MessageAnswer::No);
    keyWord = QStringLiteral("NOTE");
    window.Search_Keyword(keyWord);
    QVERIFY(fixture.platform.launcher.started.isEmpty());
    QVERIFY(!window.keyWordFound());
    QCOMPARE(fixture.platform.dialog.boxes.size(), 1);
}

void TestKeyScanSearch::unknownKeyWordAsksToAddIt()
{
    KeyScanFixture fixture;
    RecordingKeyScan &window = fixture.make();

    fixture.platform.dialog.answers.enqueue(MessageAnswer::No);
    QString keyWord = QStringLiteral("frobnicate");
    window.Search_Keyword(keyWord);
    QCOMPARE(fixture.platform.dialog.boxes.size(), 1);
    QCOMPARE(fixture.platform.dialog.boxes.first().text,
             QStringLiteral("There is no application assigned to this Key Word.  Do you wish to "
                            "add it to your applications Key Words list?"));
    QCOMPARE(fixture.platform.dialog.boxes.first().buttons, MessageButtons::YesNo);
    QVERIFY(fixture.editorRequests.isEmpty());

    fixture.platform.dialog.answers.enqueue(MessageAnswer::Yes);
    window.Search_Keyword(keyWord);
    QCOMPARE(fixture.platform.dialog.boxes.size(), 2);
    QCOMPARE(fixture.editorRequests, QStringList{QStringLiteral("FROBNICATE")});
    QVERIFY(fixture.platform.launcher.started.isEmpty());

    // Without a keyword editor the Yes answer does nothing.
    KeyScanFixture bare;
    RecordingKeyScan &hookless = bare.make(false);
    bare.platform.dialog.answers.enqueue(MessageAnswer::Yes);
    keyWord = QStringLiteral("FROBNICATE");
    hookless.Search_Keyword(keyWord);
    QCOMPARE(bare.platform.dialog.boxes.size(), 1);
}

void TestKeyScanSearch::webAddressGoesToWebBrowser()
{
    KeyScanFixture fixture;
    fixture.addKeyWord(QStringLiteral("WEB BROWSER"), QStringLiteral("/usr/bin/firefox"));
    RecordingKeyScan &window = fixture.make();

    window.keyWordField()->setText(QStringLiteral("go to www.example.com"));
    QTest::keyClick(window.keyWordField(), Qt::Key_Return);
    QCOMPARE(fixture.platform.launcher.started.size(), 1);
    const QString commandLine = fixture.platform.launcher.started.first();
    // The program field keeps its padding; the field's text follows as the argument.
    QVERIFY2(commandLine.startsWith(QStringLiteral("/USR/BIN/FIREFOX ")), qPrintable(commandLine));
    QVERIFY2(commandLine.endsWith(QStringLiteral(" GO TO WWW.EXAMPLE.COM")),
             qPrintable(commandLine));
    QVERIFY(fixture.platform.dialog.boxes.isEmpty());

    // From the program's command line the field is empty: the browser gets no address.
    fixture.platform.launcher.started.clear();
    window.keyWordField()->clear();
    QString keyWord = QStringLiteral("www.example.com");
    window.Search_Keyword(keyWord);
    QCOMPARE(fixture.platform.launcher.started, QStringList{QStringLiteral("/USR/BIN/FIREFOX")});
}

void TestKeyScanSearch::enterUpperCasesAndSelectsTheField()
{
    KeyScanFixture fixture;
    fixture.addKeyWord(QStringLiteral("CALC"), QStringLiteral("/usr/bin/calc"));
    RecordingKeyScan &window = fixture.make();
    QLineEdit *field = window.keyWordField();

    QTest::keyClicks(field, QStringLiteral("  calc "));
    QCOMPARE(field->text(), QStringLiteral("  calc "));
    QVERIFY(fixture.platform.launcher.started.isEmpty());

    QTest::keyClick(field, Qt::Key_Enter);
    QCOMPARE(field->text(), QStringLiteral("  CALC "));
    QCOMPARE(field->selectedText(), QStringLiteral("  CALC "));
    QCOMPARE(fixture.platform.launcher.started, QStringList{QStringLiteral("/USR/BIN/CALC")});

    // The selection makes the next typing replace the text.
    QTest::keyClicks(field, QStringLiteral("x"));
    QCOMPARE(field->text(), QStringLiteral("x"));

    int keyAscii = 'a';
    window.KeyWord_KeyPress(keyAscii);
    QCOMPARE(keyAscii, int('a'));
    QCOMPARE(fixture.platform.launcher.started.size(), 1);
}

void TestKeyScanSearch::menuItemsReachTheirWindows()
{
    KeyScanFixture fixture;
    RecordingKeyScan &window = fixture.make();
    window.MenuItem_Click(1);
    window.MenuItem_Click(5);
    window.MenuItem_Click(6);
    window.MenuItem_Click(7);
    window.MenuItem_Click(3);
    window.MenuItem_Click(4);
    QCOMPARE(fixture.editorRequests, QStringList{QString()});
    QCOMPARE(fixture.aboutRequests, 1);
    QCOMPARE(fixture.scriptEditorRequests, 1);
    QCOMPARE(fixture.tutorialRequests, 1);
    QVERIFY(!fixture.platform.loop.ended);

    window.moveToTwips(0, 150);
    window.MenuItem_Click(8);
    QVERIFY(fixture.platform.loop.ended);
    QCOMPARE(fixture.fileBytes(QStringLiteral("PD.ini")), QByteArray(" 0\r\n 150\r\n\r\n"));

    // Unset hooks do nothing.
    KeyScanFixture bare;
    RecordingKeyScan &hookless = bare.make(false);
    for (int index = 1; index <= 7; ++index)
        hookless.MenuItem_Click(index);
    QVERIFY(!bare.platform.loop.ended);
}

QTEST_MAIN(TestKeyScanSearch)
#include "test_keyscan_search.moc"
