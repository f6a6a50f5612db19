// SPDX-License-Identifier: GPL-3.0-or-later
// The command center on the fake platform, in a fresh Application folder that is
// also the current directory: what typed text does, key words and their programs,
// the title bar, the menus built from the database, PD.ini and the mouse.

#include "commandcenterfixture.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <memory>

using namespace korvane;
using Fixture = korvane::test::CommandCenterFixture;
using korvane::test::RecordingWindow;

namespace {

// What a person sees when opening the submenu.
QStringList shownCaptions(QMenu *menu)
{
    emit menu->aboutToShow();
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts.append(action->text());
    return texts;
}

} // namespace

class TestCommandCenter : public QObject
{
    Q_OBJECT

private slots:
    void typedText_data();
    void typedText();
    void keyWordsStartEveryLinkedProgram();
    void questionMarkAsksForAFile();
    void keyWordsKeepTheirWesternLetters();
    void menuEntriesReachTheirWindows();
    void titleBarMenuAndHeights();
    void submenusFollowTheDatabaseAndStartPrograms();
    void settingsReadAtLoadAndWrittenAtExit_data();
    void settingsReadAtLoadAndWrittenAtExit();
    void mouseOpensMenuAndDrags();
    void closingEndsWithoutSavingAndShowingComesForward();
};

void TestCommandCenter::typedText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<int>("popup"); // -1: none, 0: the whole menu, 1: Key Words, 2: Applications
    QTest::addColumn<int>("logouts");

    const QStringList none;
    QTest::newRow("blanks only") << "   " << none << none << 0 << 0;
    QTest::newRow("POPUP any case") << "PopUp" << none << none << 0 << 0;
    QTest::newRow("KEYWORDS") << "keywords" << none << none << 1 << 0;
    QTest::newRow("APPLICATIONS") << "Applications" << none << none << 2 << 0;
    QTest::newRow("SHUTDOWN, even as a key word") << "Shutdown" << none << none << -1 << 1;
    QTest::newRow("DIR keeps both blanks")
        << "DIR C:\\DATA" << QStringList{"explorer  C:\\DATA"} << none << -1 << 0;
    QTest::newRow("ADD KEYWORD") << " add keyword " << none << QStringList{"editor "} << -1 << 0;
    // Not the reserved words: an unknown key word, offered to the editor.
    QTest::newRow("ADD  KEYWORD") << "ADD  KEYWORD" << none << QStringList{"editor ADD  KEYWORD"}
                                  << -1 << 0;
    QTest::newRow("drive folder") << "c:\\windows" << QStringList{"explorer C:\\WINDOWS"} << none
                                  << -1 << 0;
    QTest::newRow("program path") << "/usr/bin/run.sh" << QStringList{"/USR/BIN/RUN.SH"} << none
                                  << -1 << 0;
    QTest::newRow("scheme web address is a path")
        << "http://www.x.com" << QStringList{"HTTP://WWW.X.COM"} << none << -1 << 0;
    QTest::newRow("web address without browser") << "WWW.X.COM" << none << none << -1 << 0;
    QTest::newRow("a prefix of a key word is unknown")
        << "shutdow" << none << QStringList{"editor SHUTDOW"} << -1 << 0;
}

void TestCommandCenter::typedText()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, started);
    QFETCH(QStringList, requests);
    QFETCH(int, popup);
    QFETCH(int, logouts);

    Fixture fixture;
    fixture.link(QStringLiteral("SHUTDOWN"), QStringLiteral("/usr/bin/never"));
    RecordingWindow &window = *fixture.window;
    window.moveToTwips(1500, 3000);
    fixture.platform.dialog.answers.enqueue(MessageAnswer::Yes);
    fixture.type(typed);
    // The field shows the text upper-cased and selected, so that typing replaces it.
    QCOMPARE(window.keyWordField()->text(), typed.toUpper());
    QCOMPARE(window.keyWordField()->selectedText(), typed.toUpper());
    QCOMPARE(fixture.platform.launcher.started, started);
    QCOMPARE(fixture.requests, requests);
    QCOMPARE(fixture.platform.sessions.logoutRequests, logouts);
    QVERIFY(!fixture.platform.loop.ended);
    QCOMPARE(window.popups.size(), popup < 0 ? 0 : 1);
    if (popup >= 0) {
        CommandCenterMenu &menu = window.menu();
        const QList<QMenu *> menus{menu.menu(), menu.keyWordsMenu(), menu.applicationsMenu()};
        QCOMPARE(window.popups.first().menu, menus.at(popup));
        QCOMPARE(window.popups.first().position, window.mapToGlobal(QPoint(0, 0)));
    }
}

void TestCommandCenter::keyWordsStartEveryLinkedProgram()
{
    Fixture fixture;
    fixture.link(QStringLiteral("notes"), QStringLiteral("/usr/bin/xterm -e vi"));
    fixture.link(QStringLiteral("notes"), QStringLiteral("/usr/bin/mousepad"));
    fixture.link(QStringLiteral("notepad"), QStringLiteral("/usr/bin/gedit"));
    fixture.platform.launcher.startSucceeds = false; // a failed start still counts as found
    fixture.type(QStringLiteral("  notes "));
    QCOMPARE(fixture.platform.launcher.started,
             (QStringList{"/USR/BIN/XTERM -E VI", "/USR/BIN/MOUSEPAD"}));
    QVERIFY(fixture.window->keyWordFound());
    QVERIFY(fixture.platform.dialog.boxes.isEmpty());

    // Unknown: the question, and No leaves everything as it was.
    fixture.platform.dialog.answers.enqueue(MessageAnswer::No);
    fixture.type(QStringLiteral("note"));
    QVERIFY(!fixture.window->keyWordFound());
    QCOMPARE(fixture.platform.launcher.started.size(), 2);
    QCOMPARE(fixture.platform.dialog.boxes.size(), 1);
    QCOMPARE(fixture.platform.dialog.boxes.first().text, kNoApplicationQuestion);
    QCOMPARE(fixture.platform.dialog.boxes.first().buttons, MessageButtons::YesNo);
    QVERIFY(fixture.requests.isEmpty());

    // A web address goes to the web browser's programs, with the field's text.
    fixture.link(QStringLiteral("WEB BROWSER"), QStringLiteral("/usr/bin/firefox"));
    fixture.type(QStringLiteral("go to www.example.com"));
    QCOMPARE(fixture.platform.launcher.started.last(),
             "/USR/BIN/FIREFOX" + QString(240, u' ') + " GO TO WWW.EXAMPLE.COM");

    // A record file that cannot be read is said to be so; nothing is offered to add.
    const QString records = fixture.home.file(QStringLiteral("KeyWord.DAT"));
    QVERIFY(QFile::remove(records) && QFile::link(records, records));
    fixture.type(QStringLiteral("notes"));
    QCOMPARE(fixture.platform.dialog.boxes.last().text,
             db::kDatabaseUnreadableMessage + records + ": Too many levels of symbolic links");
    QCOMPARE(fixture.platform.launcher.started.size(), 3);
    QVERIFY(fixture.requests.isEmpty());
}

void TestCommandCenter::questionMarkAsksForAFile()
{
    Fixture fixture;
    fixture.link(QStringLiteral("notepad"), QStringLiteral("/usr/bin/gedit"));
    const QString program = QStringLiteral("/USR/BIN/GEDIT") + QString(242, u' ');
    QStringList &started = fixture.platform.launcher.started;
    for (const QString &choice :
         {QStringLiteral("/home/me/letter.txt"), QString(), QStringLiteral("/home/me/*.txt")})
        fixture.platform.dialog.openChoices.enqueue(choice);

    // The field's padding stays between the program and its argument.
    fixture.type(QStringLiteral("notepad?"));
    QCOMPARE(started.last(), program + " /home/me/letter.txt");
    // Cancelled: the name chosen last time is used again.
    fixture.type(QStringLiteral("notepad ?"));
    QCOMPARE(started.last(), program + " /home/me/letter.txt");
    // A name with "*" gives no argument at all.
    fixture.type(QStringLiteral("NOTEPAD?"));
    QCOMPARE(started.last(), QStringLiteral("/USR/BIN/GEDIT"));
    QCOMPARE(fixture.platform.dialog.openPresets,
             (QStringList{QString(), "/home/me/letter.txt", "/home/me/letter.txt"}));
    // An unknown word is offered without its "?".
    fixture.platform.dialog.answers.enqueue(MessageAnswer::Yes);
    fixture.type(QStringLiteral("nothing?"));
    QCOMPARE(fixture.requests, QStringList{"editor NOTHING"});
    QCOMPARE(started.size(), 3);
}

void TestCommandCenter::keyWordsKeepTheirWesternLetters()
{
    // "ß" and "µ" have no one-letter capital: the database keeps them, and so must
    // every way of reaching a key word.
    Fixture fixture;
    fixture.link(QStringLiteral("straße µ"), QStringLiteral("/usr/bin/maps"));
    fixture.type(QStringLiteral("Straße µ"));
    QCOMPARE(fixture.window->keyWordField()->text(), QStringLiteral("STRAßE µ"));
    QCOMPARE(fixture.platform.launcher.started, QStringList{"/USR/BIN/MAPS"});

    fixture.window->reloadLists();
    QMenu *keyWords = fixture.window->menu().keyWordsMenu();
    QCOMPARE(shownCaptions(keyWords).last(), QStringLiteral("STRAßE µ"));
    keyWords->actions().last()->trigger();
    QCOMPARE(fixture.platform.launcher.started.size(), 2);
    fixture.window->actOnKeyWord(db::KeyWord(u"straße µ"));
    QCOMPARE(fixture.platform.launcher.started.size(), 3);
    QVERIFY(fixture.platform.dialog.boxes.isEmpty());
}

void TestCommandCenter::menuEntriesReachTheirWindows()
{
    Fixture fixture;
    RecordingWindow &window = *fixture.window;
    for (MenuEntry entry : {MenuEntry::AddKeyWords, MenuEntry::About, MenuEntry::ScriptEditor,
                            MenuEntry::Tutorial, MenuEntry::Applications, MenuEntry::KeyWords})
        window.menu().entry(entry)->trigger();
    QCOMPARE(fixture.requests, (QStringList{"editor ", "about", "scripts", "tutorial"}));
    QVERIFY(!fixture.platform.loop.ended);

    // Exit: the title bar was neither shown nor removed, so the third line is empty.
    window.moveToTwips(0, 150);
    window.menu().entry(MenuEntry::Exit)->trigger();
    QVERIFY(fixture.platform.loop.ended);
    QCOMPARE(fixture.home.read(QStringLiteral("PD.ini")), QByteArray(" 0\r\n 150\r\n\r\n"));
}

void TestCommandCenter::titleBarMenuAndHeights()
{
    Fixture fixture;
    RecordingWindow &window = *fixture.window;
    QVERIFY(
        !(window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    window.load();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.moveToTwips(3000, 1500);
    QAction *titleBar = window.menu().entry(MenuEntry::TitleBar);
    QCOMPARE(titleBar->text(), QStringLiteral("&Remove Title Bar"));
    titleBar->trigger();
    QCOMPARE(window.titleBarState(), TitleBarState::Removed);
    QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(window.frameGeometry().height(), twipsToPixels(800));
    QCOMPARE(titleBar->text(), QStringLiteral("&Show Title Bar"));
    QVERIFY(window.isVisible());

    // Showing it again moves the window 575 twips down.
    titleBar->trigger();
    QCOMPARE(window.titleBarState(), TitleBarState::Shown);
    QCOMPARE(window.windowTitle(), QStringLiteral("Korvane Command Center"));
    QVERIFY(!(window.windowFlags() & Qt::FramelessWindowHint));
    QCOMPARE(window.frameGeometry().height(), twipsToPixels(1100));
    QCOMPARE(window.pos(), QPoint(twipsToPixels(1500), twipsToPixels(3575)));
    QVERIFY(window.isVisible());
}

void TestCommandCenter::submenusFollowTheDatabaseAndStartPrograms()
{
    Fixture fixture;
    fixture.link(QStringLiteral("notepad"), QStringLiteral("/usr/bin/gedit"));
    fixture.link(QStringLiteral("CALC"), QStringLiteral("/usr/bin/calc -x"));
    fixture.link(QStringLiteral("EDIT"), QStringLiteral("/usr/bin/gedit"));
    RecordingWindow &window = *fixture.window;
    CommandCenterMenu &menu = window.menu();
    QStringList &started = fixture.platform.launcher.started;

    window.load();
    // Entries are made when a submenu is about to be shown, not at load.
    QCOMPARE(menu.keyWordsMenu()->actions().size(), 1);
    QCOMPARE(shownCaptions(menu.applicationsMenu()),
             (QStringList{"", "/USR/BIN/CALC -X", "/USR/BIN/GEDIT"}));
    QCOMPARE(shownCaptions(menu.keyWordsMenu()), (QStringList{"", "CALC", "EDIT", "NOTEPAD"}));
    QCOMPARE(shownCaptions(menu.keyWordProgramsMenu()),
             (QStringList{"", "/USR/BIN/CALC -X", "/USR/BIN/GEDIT", "/USR/BIN/GEDIT"}));

    menu.applicationsMenu()->actions().at(0)->trigger(); // the blank entry
    QVERIFY(started.isEmpty());
    menu.applicationsMenu()->actions().at(2)->trigger();
    menu.keyWordProgramsMenu()->actions().at(1)->trigger(); // CALC's program
    QCOMPARE(started, (QStringList{"/USR/BIN/GEDIT", "/USR/BIN/CALC -X"}));

    // A chosen key word runs as if typed, and is left selected in the field.
    window.keyWordField()->setText(QStringLiteral("something else"));
    menu.keyWordsMenu()->actions().at(3)->trigger();
    QCOMPARE(window.keyWordField()->selectedText(), QStringLiteral("NOTEPAD"));
    QCOMPARE(started.size(), 3);
    QCOMPARE(started.last(), QStringLiteral("/USR/BIN/GEDIT"));

    // The menus follow changes made elsewhere, by another process say.
    db::KeywordDatabase(fixture.home.path()).markDeleted(2);
    fixture.link(QStringLiteral("BROWSE"), QStringLiteral("/usr/bin/firefox"));
    QTRY_COMPARE(shownCaptions(menu.applicationsMenu()),
                 (QStringList{"", "/USR/BIN/FIREFOX", "/USR/BIN/GEDIT"}));
    QCOMPARE(shownCaptions(menu.keyWordsMenu()), (QStringList{"", "BROWSE", "EDIT", "NOTEPAD"}));
}

void TestCommandCenter::settingsReadAtLoadAndWrittenAtExit_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QPoint>("position"); // pixels
    QTest::addColumn<bool>("removed");
    QTest::addColumn<QByteArray>("written"); // by EXIT, the window unmoved

    // A shown title bar is only recorded once the user has switched it.
    QTest::newRow("title bar removed") << QByteArray(" 1500\r\n 3000\r\n1\r\n") << QPoint(200, 100)
                                       << true << QByteArray(" 1500\r\n 3000\r\n1\r\n");
    QTest::newRow("title bar shown") << QByteArray("-30\r\n 3007\r\n2\r\n") << QPoint(200, -2)
                                     << false << QByteArray("-30\r\n 3007\r\n\r\n");
    QTest::newRow("lenient lines") << QByteArray("  750xyz\nabc\n 1 \n") << QPoint(0, 50) << true
                                   << QByteArray(" 750\r\n 0\r\n1\r\n");
    QTest::newRow("exponent, two lines") << QByteArray("-30\r\n 1e3") << QPoint(67, -2) << false
                                         << QByteArray("-30\r\n 1000\r\n\r\n");
}

void TestCommandCenter::settingsReadAtLoadAndWrittenAtExit()
{
    QFETCH(QByteArray, file);
    QFETCH(QPoint, position);
    QFETCH(bool, removed);
    QFETCH(QByteArray, written);

    Fixture fixture;
    fixture.home.write(QStringLiteral("pd.INI"), file); // found whatever its case
    fixture.window->load();
    QCOMPARE(fixture.window->pos(), position);
    QCOMPARE(fixture.window->titleBarState() == TitleBarState::Removed, removed);
    QCOMPARE(fixture.window->windowTitle().isEmpty(), removed);
    QVERIFY(fixture.window->isVisible());

    fixture.type(QStringLiteral(" exit"));
    QVERIFY(fixture.platform.loop.ended);
    QCOMPARE(fixture.platform.loop.exitCode, 0);
    QCOMPARE(fixture.home.read(QStringLiteral("pd.INI")), written);
}

void TestCommandCenter::mouseOpensMenuAndDrags()
{
    Fixture fixture;
    RecordingWindow &window = *fixture.window;
    window.load();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Left clicks on the bar itself do nothing; the emblem opens the menu with
    // either button, the caption and the bar with the right one.
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mousePress(window.captionLabel(), Qt::RightButton, {}, QPoint(3, 4));
    QTest::mousePress(window.emblem(), Qt::LeftButton, {}, QPoint(5, 6));
    QTest::mousePress(&window, Qt::RightButton, {}, QPoint(1, 2));
    QList<QPoint> positions;
    for (const auto &popup : std::as_const(window.popups)) {
        QCOMPARE(popup.menu, window.menu().menu());
        positions.append(popup.position);
    }
    QCOMPARE(positions, (QList<QPoint>{window.captionLabel()->mapToGlobal(QPoint(3, 4)),
                                       window.emblem()->mapToGlobal(QPoint(5, 6)),
                                       window.mapToGlobal(QPoint(1, 2))}));

    // Dragging by the caption moves the window by the pointer's offset in it; a
    // move without the button held does not.
    const QPoint before = window.pos();
    for (const Qt::MouseButtons held : {Qt::MouseButtons(Qt::LeftButton), Qt::MouseButtons()}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(7, 5),
                         window.captionLabel()->mapToGlobal(QPoint(7, 5)), Qt::NoButton, held, {});
        QApplication::sendEvent(window.captionLabel(), &move);
        QCOMPARE(window.pos(), before + QPoint(7, 5));
    }
}

void TestCommandCenter::closingEndsWithoutSavingAndShowingComesForward()
{
    // Qt's own activation can be refused as focus stealing: the window is also
    // brought forward the way a task bar does it.
    Fixture fixture;
    RecordingWindow &window = *fixture.window;
    window.showMinimized();
    window.keyWordField()->setText(QStringLiteral("NOTEPAD"));
    window.keyWordField()->deselect();
    window.keyWordField()->clearFocus();
    window.showRequested();
    QVERIFY(window.isVisible());
    QVERIFY(!(window.windowState() & Qt::WindowMinimized));
    // What is typed next replaces the text left in the field.
    QCOMPARE(window.focusWidget(), window.keyWordField());
    QCOMPARE(window.keyWordField()->selectedText(), QStringLiteral("NOTEPAD"));
    QCOMPARE(fixture.platform.activator.broughtForward,
             QStringList{QStringLiteral("Korvane Command Center")});

    window.close();
    QVERIFY(fixture.platform.loop.ended);
    QVERIFY(!QFile::exists(fixture.home.file(QStringLiteral("PD.ini"))));
}

QTEST_MAIN(TestCommandCenter)
#include "test_command_center.moc"
