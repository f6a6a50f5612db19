// The command center window on the offscreen platform: title bar, menus built
// from the database, settings file, mouse, and the single-instance plumbing.

#include "floatingmenu.h"
#include "instance.h"
#include "keyscanfixture.h"
#include "windowsettings.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>

#include <unistd.h>

using namespace korvane;

namespace {

QStringList captions(QMenu *menu)
{
    QStringList texts;
    const QList<QAction *> actions = menu->actions();
    for (const QAction *action : actions)
        texts.append(action->text());
    return texts;
}

// What a person sees when opening the submenu.
QStringList shownCaptions(QMenu *menu)
{
    emit menu->aboutToShow();
    return captions(menu);
}

int pixels(int twips)
{
    return twipsToPixels(twips);
}

} // namespace

class TestKeyScanWindow : public QObject
{
    Q_OBJECT

private slots:
    void titleAndMenuCaptions();
    void titleBarStatesAndHeights();
    void submenusFollowTheDatabase();
    void submenuClicksStartPrograms();
    void keyWordChosenFromMenuIsLeftSelected();
    void settingsAppliedAtLoad_data();
    void settingsAppliedAtLoad();
    void settingsFileFormat();
    void exitWritesWindowPosition();
    void mouseOpensMenuAndDrags();
    void closingEndsWithoutSaving();
    void singleInstanceLock();
    void showSignalIsTakenAndReported();
    void shownOnRequestThroughTheDesktop();
};

void TestKeyScanWindow::titleAndMenuCaptions()
{
    KeyScanFixture fixture;
    RecordingKeyScan &window = fixture.make();
    QCOMPARE(window.windowTitle(), QStringLiteral("Korvane Command Center"));
    QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(
        window.keyWordField()->toolTip(),
        QStringLiteral("Type KeyWord here and press enter to start associated application(s)."));
    QCOMPARE(window.image1()->toolTip(), QStringLiteral("Click here to view menu."));
    QCOMPARE(window.label1()->text(), QStringLiteral("Korvane - Key Word"));
    QCOMPARE(window.label1()->toolTip(),
             QStringLiteral("Right-click on Command Center to view menu."));

    QCOMPARE(captions(window.floatingMenu().menu()),
             (QStringList{"&Add New Keywords", "&Remove Title Bar", "A&pplications", "&Key Words",
                          "&About", "&Velmora ", "&Help", "E&xit"}));
    QVERIFY(window.floatingMenu().menuItem(3)->menu() == window.floatingMenu().applicationsMenu());
    QVERIFY(window.floatingMenu().menuItem(4)->menu() == window.floatingMenu().keyWordsMenu());
}

void TestKeyScanWindow::titleBarStatesAndHeights()
{
    KeyScanFixture fixture;
    RecordingKeyScan &window = fixture.make();
    window.Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.titleBarState(), QString());
    QCOMPARE(window.frameGeometry().height(), pixels(1100));
    QCOMPARE(window.width(), pixels(4020));

    window.moveToTwips(3000, 1500);
    window.MenuItem_Click(2);
    QCOMPARE(window.titleBarState(), QStringLiteral("1"));
    QCOMPARE(window.windowTitle(), QString());
    QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(window.frameGeometry().height(), pixels(800));
    QCOMPARE(window.floatingMenu().menuItem(2)->text(), QStringLiteral("&Show Title Bar"));
    QCOMPARE(window.topTwips(), 3000);
    QVERIFY(window.isVisible());

    // Each showing moves the window 575 twips further down.
    for (int showing = 1; showing <= 2; ++showing) {
        window.MenuItem_Click(2);
        QCOMPARE(window.titleBarState(), QStringLiteral("2"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Korvane Command Center"));
        QVERIFY(!(window.windowFlags() & Qt::FramelessWindowHint));
        QCOMPARE(window.frameGeometry().height(), pixels(1100));
        QCOMPARE(window.floatingMenu().menuItem(2)->text(), QStringLiteral("&Remove Title Bar"));
        QCOMPARE(window.topTwips(), 3000 + showing * 575);
        QCOMPARE(window.pos().y(), pixels(3000 + showing * 575));
        QCOMPARE(window.leftTwips(), 1500);
        QVERIFY(window.isVisible());
        if (showing == 1)
            window.MenuItem_Click(2);
    }
}

void TestKeyScanWindow::submenusFollowTheDatabase()
{
    KeyScanFixture fixture;
    fixture.addKeyWord(QStringLiteral("notepad"), QStringLiteral("/usr/bin/gedit"));
    const qint32 calc = fixture.addKeyWord(QStringLiteral("CALC"), QStringLiteral("/usr/bin/calc"));
    fixture.addKeyWord(QStringLiteral("EDIT"), QStringLiteral("/usr/bin/gedit"));
    RecordingKeyScan &window = fixture.make();
    FloatingMenu &menu = window.floatingMenu();

    // Before loading, only the blank design-time entries exist.
    QCOMPARE(shownCaptions(menu.applicationsMenu()), QStringList{QString()});
    window.Form_Load();
    // Entries are made when a submenu is about to be shown, not at load.
    QCOMPARE(captions(menu.keyWordsMenu()), QStringList{QString()});

    QCOMPARE(shownCaptions(menu.applicationsMenu()),
             (QStringList{"", "/USR/BIN/CALC", "/USR/BIN/GEDIT"}));
    QCOMPARE(shownCaptions(menu.keyWordsMenu()), (QStringList{"", "CALC", "EDIT", "NOTEPAD"}));
    QCOMPARE(menu.keyWordsMenu()->actions().first()->menu(), menu.keyWordSubMenu());
    QCOMPARE(shownCaptions(menu.keyWordSubMenu()),
             (QStringList{"", "/USR/BIN/CALC", "/USR/BIN/GEDIT", "/USR/BIN/GEDIT"}));
    QCOMPARE(window.keywordsAlreadyUsed().size(), 3);

    db::KeywordDatabase data = fixture.database();
    data.Delete_KeyWord(calc);
    fixture.addKeyWord(QStringLiteral("BROWSE"), QStringLiteral("/usr/bin/firefox"));
    window.Show_Available_Applications();
    QCOMPARE(shownCaptions(menu.applicationsMenu()),
             (QStringList{"", "/USR/BIN/FIREFOX", "/USR/BIN/GEDIT"}));
    QCOMPARE(shownCaptions(menu.keyWordsMenu()), (QStringList{"", "BROWSE", "EDIT", "NOTEPAD"}));
    QCOMPARE(shownCaptions(menu.keyWordSubMenu()),
             (QStringList{"", "/USR/BIN/FIREFOX", "/USR/BIN/GEDIT", "/USR/BIN/GEDIT"}));

    // With no active record only the blank entries remain.
    for (qint32 record = 1; record <= 4; ++record)
        data.Delete_KeyWord(record);
    window.Show_Available_Applications();
    QCOMPARE(shownCaptions(menu.applicationsMenu()), QStringList{QString()});
    QCOMPARE(shownCaptions(menu.keyWordsMenu()), QStringList{QString()});
    QCOMPARE(shownCaptions(menu.keyWordSubMenu()), QStringList{QString()});
}

void TestKeyScanWindow::submenuClicksStartPrograms()
{
    KeyScanFixture fixture;
    fixture.addKeyWord(QStringLiteral("WRITE"), QStringLiteral("/usr/bin/abiword"));
    fixture.addKeyWord(QStringLiteral("CALC"), QStringLiteral("/usr/bin/calc -x"));
    RecordingKeyScan &window = fixture.make();
    window.Form_Load();
    FloatingMenu &menu = window.floatingMenu();

    shownCaptions(menu.applicationsMenu());
    menu.applicationsMenu()->actions().at(0)->trigger(); // the blank entry
    QVERIFY(fixture.platform.launcher.started.isEmpty());
    menu.applicationsMenu()->actions().at(2)->trigger();
    QCOMPARE(fixture.platform.launcher.started, QStringList{QStringLiteral("/USR/BIN/CALC -X")});

    shownCaptions(menu.keyWordSubMenu());
    menu.keyWordSubMenu()->actions().at(2)->trigger(); // WRITE's program
    QCOMPARE(fixture.platform.launcher.started.last(), QStringLiteral("/USR/BIN/ABIWORD"));
    QCOMPARE(fixture.platform.launcher.started.size(), 2);
}

void TestKeyScanWindow::keyWordChosenFromMenuIsLeftSelected()
{
    KeyScanFixture fixture;
    fixture.addKeyWord(QStringLiteral("Mail"), QStringLiteral("/usr/bin/mutt"));
    RecordingKeyScan &window = fixture.make();
    window.Form_Load();
    window.keyWordField()->setText(QStringLiteral("something else"));

    shownCaptions(window.floatingMenu().keyWordsMenu());
    window.floatingMenu().keyWordsMenu()->actions().at(1)->trigger();
    QCOMPARE(window.keyWordField()->text(), QStringLiteral("MAIL"));
    QCOMPARE(window.keyWordField()->selectedText(), QStringLiteral("MAIL"));
    QCOMPARE(fixture.platform.launcher.started, QStringList{QStringLiteral("/USR/BIN/MUTT")});
}

void TestKeyScanWindow::settingsAppliedAtLoad_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QPoint>("position"); // pixels
    QTest::addColumn<QString>("titleBarState");

    QTest::newRow("no file") << QByteArray() << QPoint(0, 0) << QString();
    QTest::newRow("title bar removed")
        << QByteArray(" 1500\r\n 3000\r\n1\r\n") << QPoint(200, 100) << QStringLiteral("1");
    QTest::newRow("title bar shown")
        << QByteArray(" 1500\r\n 3000\r\n2\r\n") << QPoint(200, 100) << QString();
    QTest::newRow("lenient lines")
        << QByteArray("  750xyz\nabc\n 1 \n") << QPoint(0, 50) << QStringLiteral("1");
    QTest::newRow("two lines") << QByteArray(" 30\r\n 45") << QPoint(3, 2) << QString();
}

void TestKeyScanWindow::settingsAppliedAtLoad()
{
    QFETCH(QByteArray, file);
    QFETCH(QPoint, position);
    QFETCH(QString, titleBarState);

    KeyScanFixture fixture;
    if (!file.isNull())
        fixture.writeFile(QStringLiteral("pd.INI"), file); // found whatever its case
    RecordingKeyScan &window = fixture.make();
    window.Form_Load();
    QCOMPARE(window.pos(), position);
    QCOMPARE(window.titleBarState(), titleBarState);
    QCOMPARE(window.windowTitle().isEmpty(), titleBarState == QLatin1String("1"));
    QVERIFY(window.isVisible());
}

void TestKeyScanWindow::settingsFileFormat()
{
    QCOMPARE(formatWindowSettings({-30, 0, QStringLiteral("2")}), QByteArray("-30\r\n 0\r\n2\r\n"));
    const WindowSettings parsed = parseWindowSettings(QStringLiteral("-30\r\n 1e3\r\n  1\r\n"));
    QCOMPARE(parsed.topTwips, -30);
    QCOMPARE(parsed.leftTwips, 1000);
    QVERIFY(parsed.titleBarRemoved());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PD.ini"));
    QCOMPARE(readWindowSettings(path).topTwips, 0);
    QVERIFY(writeWindowSettings(path, {720, 1440, QStringLiteral("1")}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(" 720\r\n 1440\r\n1\r\n"));
}

void TestKeyScanWindow::exitWritesWindowPosition()
{
    KeyScanFixture fixture;
    fixture.writeFile(QStringLiteral("PD.ini"), " 1000\r\n 3007\r\n1\r\n");
    RecordingKeyScan &window = fixture.make();
    window.Form_Load();
    QString keyWord = QStringLiteral("EXIT");
    window.Search_Keyword(keyWord);
    // Unmoved, the position is written back exactly as read.
    QCOMPARE(fixture.fileBytes(QStringLiteral("PD.ini")), QByteArray(" 1000\r\n 3007\r\n1\r\n"));

    window.move(window.pos() + QPoint(10, 20));
    window.Search_Keyword(keyWord);
    QCOMPARE(fixture.fileBytes(QStringLiteral("PD.ini")),
             QByteArray(" " + QByteArray::number((67 + 20) * 15) + "\r\n " +
                        QByteArray::number((200 + 10) * 15) + "\r\n1\r\n"));
}

void TestKeyScanWindow::mouseOpensMenuAndDrags()
{
    KeyScanFixture fixture;
    RecordingKeyScan &window = fixture.make();
    window.Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QMenu *floating = window.floatingMenu().menu();

    QTest::mousePress(window.label1(), Qt::LeftButton, {}, QPoint(3, 4));
    QTest::mouseRelease(window.label1(), Qt::LeftButton, {}, QPoint(3, 4));
    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(1, 1));
    QVERIFY(window.popups.isEmpty());

    QTest::mousePress(window.label1(), Qt::RightButton, {}, QPoint(3, 4));
    QTest::mousePress(window.image1(), Qt::LeftButton, {}, QPoint(5, 6));
    QTest::mousePress(&window, Qt::RightButton, {}, QPoint(1, 2));
    QCOMPARE(window.popups.size(), 3);
    for (const auto &popup : std::as_const(window.popups))
        QCOMPARE(popup.menu, floating);
    QCOMPARE(window.popups.at(0).position, window.label1()->mapToGlobal(QPoint(3, 4)));
    QCOMPARE(window.popups.at(1).position, window.image1()->mapToGlobal(QPoint(5, 6)));
    QCOMPARE(window.popups.at(2).position, window.mapToGlobal(QPoint(1, 2)));

    // Dragging by the label moves the window by the pointer's offset in the label.
    const QPoint before = window.pos();
    QMouseEvent move(QEvent::MouseMove, QPointF(7, 5), window.label1()->mapToGlobal(QPoint(7, 5)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(window.label1(), &move);
    QCOMPARE(window.pos(), before + QPoint(7, 5));
    QCOMPARE(window.topTwips(), (before.y() + 5) * 15);
    QMouseEvent hover(QEvent::MouseMove, QPointF(7, 5), window.mapToGlobal(QPoint(7, 5)),
                      Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(&window, &hover);
    QCOMPARE(window.pos(), before + QPoint(7, 5));
}

void TestKeyScanWindow::closingEndsWithoutSaving()
{
    KeyScanFixture fixture;
    RecordingKeyScan &window = fixture.make();
    window.Form_Load();
    window.close();
    QVERIFY(fixture.platform.loop.ended);
    QVERIFY(!QFile::exists(fixture.home.filePath(QStringLiteral("PD.ini"))));
}

void TestKeyScanWindow::singleInstanceLock()
{
    QTemporaryDir one;
    QTemporaryDir two;
    QVERIFY(instanceLockPath(one.path()) != instanceLockPath(two.path()));
    QVERIFY(instanceLockPath(one.path()).contains(QString::number(getuid())));
    {
        InstanceLock first(one.path());
        QVERIFY(first.tryAcquire());
        InstanceLock second(one.path());
        QVERIFY(!second.tryAcquire());
        InstanceLock other(two.path());
        QVERIFY(other.tryAcquire());
    }
    InstanceLock again(one.path());
    QVERIFY(again.tryAcquire());
}

void TestKeyScanWindow::showSignalIsTakenAndReported()
{
    QTemporaryDir home;
    ShowSignalWatcher watcher(home.path());
    QSignalSpy shown(&watcher, &ShowSignalWatcher::showRequested);
    QVERIFY(writeShowSignal(home.path()));
    QFile written(home.filePath(QStringLiteral("Show.Txt")));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("s\r\n"));
    written.close();
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, 5000);
    QVERIFY(!QFile::exists(home.filePath(QStringLiteral("Show.Txt"))));

    // Any letter case asks too.
    QFile lower(home.filePath(QStringLiteral("show.txt")));
    QVERIFY(lower.open(QIODevice::WriteOnly));
    lower.close();
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 2, 5000);
    QVERIFY(!QFile::exists(lower.fileName()));
}

void TestKeyScanWindow::shownOnRequestThroughTheDesktop()
{
    // Qt's own activation can be refused as focus stealing: the window is also
    // brought forward the way a task bar does it.
    KeyScanFixture fixture;
    RecordingKeyScan &window = fixture.make();
    window.showMinimized();
    window.showRequested();
    QVERIFY(window.isVisible());
    QVERIFY(!(window.windowState() & Qt::WindowMinimized));
    QCOMPARE(fixture.platform.activator.activated,
             QStringList{QStringLiteral("Korvane Command Center")});
}

QTEST_MAIN(TestKeyScanWindow)
#include "test_keyscan_window.moc"
