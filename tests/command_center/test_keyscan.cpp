// The command center on the fake platform, in a fresh Application folder that is
// also the current directory: what the command line does with each kind of text,
// the title bar, menus built from the database, PD.ini, mouse, and the
// single-instance plumbing.

#include "fakeplatform.h"
#include "floatingmenu.h"
#include "instance.h"
#include "keyscan.h"
#include "keyworddatabase.h"
#include "windowsettings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <memory>

using namespace korvane;

namespace {

// Records pop-up menus instead of running their modal loop.
class RecordingKeyScan : public KeyScan
{
public:
    using KeyScan::KeyScan;

    struct Popup
    {
        QMenu *menu;
        QPoint position;
    };
    QList<Popup> popups;

protected:
    void showPopupMenu(QMenu *menu, const QPoint &globalPosition) override
    {
        popups.append({menu, globalPosition});
    }
};

struct Fixture
{
    QTemporaryDir home;
    FakePlatform platform;
    QStringList requests; // windows asked for through the hooks
    std::unique_ptr<RecordingKeyScan> window;

    Fixture()
    {
        qputenv("KORVANE_HOME", home.path().toLocal8Bit());
        QDir::setCurrent(home.path());
    }

    RecordingKeyScan &make(bool withHooks = true)
    {
        WindowDirectory windows;
        if (withHooks) {
            windows.showKeywordEditor = [this](const QString &k) {
                requests.append("editor " + k);
            };
            windows.showAbout = [this] { requests.append("about"); };
            windows.showScriptEditor = [this] { requests.append("scripts"); };
            windows.showTutorial = [this] { requests.append("tutorial"); };
        }
        window = std::make_unique<RecordingKeyScan>(platform, windows);
        return *window;
    }

    qint32 addKeyWord(const QString &keyWord, const QString &program)
    {
        return db::KeywordDatabase(home.path()).addLinkedRecord(keyWord, program).value_or(0);
    }

    QByteArray fileBytes(const QString &name) const
    {
        QFile file(home.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile file(home.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QString search(const QString &typed)
    {
        QString keyWord = typed;
        window->Search_Keyword(keyWord);
        return keyWord;
    }
};

// What a person sees when opening the submenu.
QStringList shownCaptions(QMenu *menu)
{
    emit menu->aboutToShow();
    QStringList texts;
    const QList<QAction *> actions = menu->actions();
    for (const QAction *action : actions)
        texts.append(action->text());
    return texts;
}

int pixels(int twips)
{
    return twipsToPixels(twips);
}

} // namespace

class TestKeyScan : public QObject
{
    Q_OBJECT

private slots:
    void reservedWordsAndPatterns_data();
    void reservedWordsAndPatterns();
    void popupWordsShowMenusAtClientOrigin_data();
    void popupWordsShowMenusAtClientOrigin();
    void exitAndShutdown();
    void linkedKeyWordStartsEveryProgram();
    void unknownKeyWordAsksToAddIt();
    void webAddressGoesToWebBrowser();
    void enterUpperCasesAndSelectsTheField();
    void menuItemsReachTheirWindows();
    void titleAndMenuCaptions();
    void titleBarStatesAndHeights();
    void submenusFollowTheDatabase();
    void submenuClicksStartPrograms();
    void settingsAppliedAtLoad_data();
    void settingsAppliedAtLoad();
    void exitWritesBackWhatWasRead();
    void mouseOpensMenuAndDrags();
    void closingEndsWithoutSaving();
    void singleInstanceLock();
    void showSignalIsTakenAndReported();
    void shownOnRequestThroughTheDesktop();
};

void TestKeyScan::reservedWordsAndPatterns_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<QStringList>("requests");

    const QStringList none;
    QTest::newRow("DIR keeps both blanks")
        << "DIR C:\\DATA" << QStringList{"explorer  C:\\DATA"} << none;
    QTest::newRow("DIRECTIONS is DIR") << "directions" << QStringList{"explorer ECTIONS"} << none;
    QTest::newRow("ADD KEYWORD") << " add keyword " << none << QStringList{"editor "};
    // Not the reserved words: an unknown key word, offered to the editor.
    QTest::newRow("ADD  KEYWORD") << "ADD  KEYWORD" << none << QStringList{"editor ADD  KEYWORD"};
    QTest::newRow("drive folder") << "c:\\windows" << QStringList{"explorer C:\\WINDOWS"} << none;
    QTest::newRow("home folder") << "~" << QStringList{"explorer ~"} << none;
    QTest::newRow("program path") << "/usr/bin/run.sh" << QStringList{"/USR/BIN/RUN.SH"} << none;
    QTest::newRow("scheme web address is a path")
        << "http://www.x.com" << QStringList{"HTTP://WWW.X.COM"} << none;
    QTest::newRow("web address without browser") << "WWW.X.COM" << none << none;
}

void TestKeyScan::reservedWordsAndPatterns()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, started);
    QFETCH(QStringList, requests);

    Fixture fixture;
    RecordingKeyScan &window = fixture.make();
    fixture.platform.dialog.answers.enqueue(MessageAnswer::Yes);
    QCOMPARE(fixture.search(typed), typed.trimmed().toUpper());
    QCOMPARE(fixture.platform.launcher.started, started);
    QCOMPARE(fixture.requests, requests);
    QVERIFY(window.popups.isEmpty());
    QVERIFY(!fixture.platform.loop.ended);
}

void TestKeyScan::popupWordsShowMenusAtClientOrigin_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("menuItem"); // 0: the whole FloatingMenu

    QTest::newRow("blanks only") << "   " << 0;
    QTest::newRow("POPUP any case") << "PopUp" << 0;
    QTest::newRow("KEYWORDS") << "keywords" << FloatingMenu::kKeyWordsItem;
    QTest::newRow("APPLICATIONS") << "Applications" << FloatingMenu::kApplicationsItem;
}

void TestKeyScan::popupWordsShowMenusAtClientOrigin()
{
    QFETCH(QString, typed);
    QFETCH(int, menuItem);

    Fixture fixture;
    RecordingKeyScan &window = fixture.make();
    window.moveToTwips(1500, 3000);
    fixture.search(typed);
    QCOMPARE(window.popups.size(), 1);
    QMenu *expected = menuItem == 0 ? window.floatingMenu().menu()
                                    : window.floatingMenu().menuItem(menuItem)->menu();
    QCOMPARE(window.popups.first().menu, expected);
    QCOMPARE(window.popups.first().position, window.mapToGlobal(QPoint(0, 0)));
    QVERIFY(fixture.platform.launcher.started.isEmpty());
    QVERIFY(fixture.platform.dialog.boxes.isEmpty());
}

void TestKeyScan::exitAndShutdown()
{
    Fixture fixture;
    fixture.make();
    // SHUTDOWN asks the session to log out, even when it is also a key word.
    fixture.addKeyWord(QStringLiteral("SHUTDOWN"), QStringLiteral("/USR/BIN/NEVER"));
    fixture.search(QStringLiteral("Shutdown"));
    QCOMPARE(fixture.platform.sessions.logoutRequests, 1);
    QVERIFY(fixture.platform.launcher.started.isEmpty());
    QVERIFY(!fixture.platform.loop.ended);
    QVERIFY(!QFile::exists(fixture.home.filePath(QStringLiteral("PD.ini"))));

    fixture.search(QStringLiteral(" exit"));
    QVERIFY(fixture.platform.loop.ended);
    QCOMPARE(fixture.platform.loop.exitCode, 0);
    QVERIFY(QFile::exists(fixture.home.filePath(QStringLiteral("PD.ini"))));
}

void TestKeyScan::linkedKeyWordStartsEveryProgram()
{
    Fixture fixture;
    fixture.addKeyWord(QStringLiteral("NOTEPAD"), QStringLiteral("/usr/bin/gedit"));
    fixture.addKeyWord(QStringLiteral("NOTEPADS"), QStringLiteral("/USR/BIN/OTHER"));
    fixture.addKeyWord(QStringLiteral("notepad"), QStringLiteral("/usr/bin/mousepad --new"));
    fixture.make();
    fixture.search(QStringLiteral("notepad"));
    QCOMPARE(fixture.platform.launcher.started,
             (QStringList{"/USR/BIN/GEDIT", "/USR/BIN/MOUSEPAD --NEW"}));
    QVERIFY(fixture.platform.dialog.boxes.isEmpty());

    // A proper part of an indexed key word matches nothing.
    fixture.platform.launcher.started.clear();
    fixture.platform.dialog.answers.enqueue(MessageAnswer::No);
    fixture.search(QStringLiteral("NOTE"));
    QVERIFY(fixture.platform.launcher.started.isEmpty());
    QCOMPARE(fixture.platform.dialog.boxes.size(), 1);
}

void TestKeyScan::unknownKeyWordAsksToAddIt()
{
    Fixture fixture;
    fixture.make();
    fixture.platform.dialog.answers.enqueue(MessageAnswer::No);
    fixture.search(QStringLiteral("frobnicate"));
    QCOMPARE(fixture.platform.dialog.boxes.size(), 1);
    QCOMPARE(fixture.platform.dialog.boxes.first().text,
             QStringLiteral("There is no application assigned to this Key Word.  Do you wish to "
                            "add it to your applications Key Words list?"));
    QCOMPARE(fixture.platform.dialog.boxes.first().buttons, MessageButtons::YesNo);
    QVERIFY(fixture.requests.isEmpty());

    fixture.platform.dialog.answers.enqueue(MessageAnswer::Yes);
    fixture.search(QStringLiteral("frobnicate"));
    QCOMPARE(fixture.requests, QStringList{QStringLiteral("editor FROBNICATE")});
    QVERIFY(fixture.platform.launcher.started.isEmpty());
}

void TestKeyScan::webAddressGoesToWebBrowser()
{
    Fixture fixture;
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

    // From the program's command line the field is empty: the browser gets no address.
    fixture.platform.launcher.started.clear();
    window.keyWordField()->clear();
    fixture.search(QStringLiteral("www.example.com"));
    QCOMPARE(fixture.platform.launcher.started, QStringList{QStringLiteral("/USR/BIN/FIREFOX")});
}

void TestKeyScan::enterUpperCasesAndSelectsTheField()
{
    Fixture fixture;
    fixture.addKeyWord(QStringLiteral("CALC"), QStringLiteral("/usr/bin/calc"));
    QLineEdit *field = fixture.make().keyWordField();

    QTest::keyClicks(field, QStringLiteral("  calc "));
    QVERIFY(fixture.platform.launcher.started.isEmpty());
    QTest::keyClick(field, Qt::Key_Enter);
    QCOMPARE(field->text(), QStringLiteral("  CALC "));
    QCOMPARE(field->selectedText(), QStringLiteral("  CALC "));
    QCOMPARE(fixture.platform.launcher.started, QStringList{QStringLiteral("/USR/BIN/CALC")});

    // The selection makes the next typing replace the text.
    QTest::keyClicks(field, QStringLiteral("x"));
    QCOMPARE(field->text(), QStringLiteral("x"));
}

void TestKeyScan::menuItemsReachTheirWindows()
{
    Fixture fixture;
    RecordingKeyScan &window = fixture.make();
    for (int index : {1, 5, 6, 7, 3, 4})
        window.MenuItem_Click(index);
    QCOMPARE(fixture.requests, (QStringList{"editor ", "about", "scripts", "tutorial"}));
    QVERIFY(!fixture.platform.loop.ended);

    // Exit: neither title-bar procedure has run, so the third line is empty.
    window.moveToTwips(0, 150);
    window.MenuItem_Click(8);
    QVERIFY(fixture.platform.loop.ended);
    QCOMPARE(fixture.fileBytes(QStringLiteral("PD.ini")), QByteArray(" 0\r\n 150\r\n\r\n"));

    // Unset hooks do nothing.
    Fixture bare;
    RecordingKeyScan &hookless = bare.make(false);
    for (int index = 1; index <= 7; ++index)
        hookless.MenuItem_Click(index);
    QVERIFY(!bare.platform.loop.ended);
}

void TestKeyScan::titleAndMenuCaptions()
{
    Fixture fixture;
    RecordingKeyScan &window = fixture.make();
    QCOMPARE(window.windowTitle(), QStringLiteral("Korvane Command Center"));
    QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(window.label1()->text(), QStringLiteral("Korvane - Key Word"));
    QCOMPARE(
        window.keyWordField()->toolTip(),
        QStringLiteral("Type KeyWord here and press enter to start associated application(s)."));
    QCOMPARE(shownCaptions(window.floatingMenu().menu()),
             (QStringList{"&Add New Keywords", "&Remove Title Bar", "A&pplications", "&Key Words",
                          "&About", "&Velmora ", "&Help", "E&xit"}));
}

void TestKeyScan::titleBarStatesAndHeights()
{
    Fixture fixture;
    RecordingKeyScan &window = fixture.make();
    window.Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.frameGeometry().height(), pixels(1100));
    QCOMPARE(window.width(), pixels(4020));

    window.moveToTwips(3000, 1500);
    window.MenuItem_Click(2);
    QCOMPARE(window.titleBarState(), QStringLiteral("1"));
    QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(window.frameGeometry().height(), pixels(800));
    QCOMPARE(window.floatingMenu().menuItem(2)->text(), QStringLiteral("&Show Title Bar"));
    QCOMPARE(window.topTwips(), 3000);
    QVERIFY(window.isVisible());

    // Showing it again moves the window 575 twips down.
    window.MenuItem_Click(2);
    QCOMPARE(window.titleBarState(), QStringLiteral("2"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Korvane Command Center"));
    QCOMPARE(window.frameGeometry().height(), pixels(1100));
    QCOMPARE(window.floatingMenu().menuItem(2)->text(), QStringLiteral("&Remove Title Bar"));
    QCOMPARE(window.pos(), QPoint(pixels(1500), pixels(3575)));
    QVERIFY(window.isVisible());
}

void TestKeyScan::submenusFollowTheDatabase()
{
    Fixture fixture;
    fixture.addKeyWord(QStringLiteral("notepad"), QStringLiteral("/usr/bin/gedit"));
    const qint32 calc = fixture.addKeyWord(QStringLiteral("CALC"), QStringLiteral("/usr/bin/calc"));
    fixture.addKeyWord(QStringLiteral("EDIT"), QStringLiteral("/usr/bin/gedit"));
    RecordingKeyScan &window = fixture.make();
    FloatingMenu &menu = window.floatingMenu();

    window.Form_Load();
    // Entries are made when a submenu is about to be shown, not at load.
    QCOMPARE(menu.keyWordsMenu()->actions().size(), 1);
    QCOMPARE(shownCaptions(menu.applicationsMenu()),
             (QStringList{"", "/USR/BIN/CALC", "/USR/BIN/GEDIT"}));
    QCOMPARE(shownCaptions(menu.keyWordsMenu()), (QStringList{"", "CALC", "EDIT", "NOTEPAD"}));
    QCOMPARE(menu.keyWordsMenu()->actions().first()->menu(), menu.keyWordSubMenu());
    QCOMPARE(shownCaptions(menu.keyWordSubMenu()),
             (QStringList{"", "/USR/BIN/CALC", "/USR/BIN/GEDIT", "/USR/BIN/GEDIT"}));

    db::KeywordDatabase data(fixture.home.path());
    data.Delete_KeyWord(calc);
    fixture.addKeyWord(QStringLiteral("BROWSE"), QStringLiteral("/usr/bin/firefox"));
    window.Show_Available_Applications();
    QCOMPARE(shownCaptions(menu.applicationsMenu()),
             (QStringList{"", "/USR/BIN/FIREFOX", "/USR/BIN/GEDIT"}));
    QCOMPARE(shownCaptions(menu.keyWordsMenu()), (QStringList{"", "BROWSE", "EDIT", "NOTEPAD"}));

    // With no active record only the blank entries remain.
    for (qint32 record = 1; record <= 4; ++record)
        data.Delete_KeyWord(record);
    window.Show_Available_Applications();
    QCOMPARE(shownCaptions(menu.keyWordsMenu()), QStringList{QString()});
    QCOMPARE(shownCaptions(menu.keyWordSubMenu()), QStringList{QString()});
}

void TestKeyScan::submenuClicksStartPrograms()
{
    Fixture fixture;
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

    // A chosen key word runs as if typed, and is left selected in the field.
    window.keyWordField()->setText(QStringLiteral("something else"));
    shownCaptions(menu.keyWordsMenu());
    menu.keyWordsMenu()->actions().at(1)->trigger();
    QCOMPARE(window.keyWordField()->text(), QStringLiteral("CALC"));
    QCOMPARE(window.keyWordField()->selectedText(), QStringLiteral("CALC"));
    QCOMPARE(fixture.platform.launcher.started.size(), 3);
    QCOMPARE(fixture.platform.launcher.started.last(), QStringLiteral("/USR/BIN/CALC -X"));
}

void TestKeyScan::settingsAppliedAtLoad_data()
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
    QTest::newRow("exponent, two lines")
        << QByteArray("-30\r\n 1e3") << QPoint(67, -2) << QString();
}

void TestKeyScan::settingsAppliedAtLoad()
{
    QFETCH(QByteArray, file);
    QFETCH(QPoint, position);
    QFETCH(QString, titleBarState);

    Fixture fixture;
    if (!file.isNull())
        fixture.writeFile(QStringLiteral("pd.INI"), file); // found whatever its case
    RecordingKeyScan &window = fixture.make();
    window.Form_Load();
    QCOMPARE(window.pos(), position);
    QCOMPARE(window.titleBarState(), titleBarState);
    QCOMPARE(window.windowTitle().isEmpty(), titleBarState == QLatin1String("1"));
    QVERIFY(window.isVisible());
}

void TestKeyScan::exitWritesBackWhatWasRead()
{
    Fixture fixture;
    fixture.writeFile(QStringLiteral("PD.ini"), " 1000\r\n 3007\r\n1\r\n");
    fixture.make().Form_Load();
    fixture.search(QStringLiteral("EXIT"));
    // Unmoved, the position is written back exactly as read.
    QCOMPARE(fixture.fileBytes(QStringLiteral("PD.ini")), QByteArray(" 1000\r\n 3007\r\n1\r\n"));
    // Negative numbers have no leading blank.
    QCOMPARE(formatWindowSettings({-30, 0, QStringLiteral("2")}), QByteArray("-30\r\n 0\r\n2\r\n"));
}

void TestKeyScan::mouseOpensMenuAndDrags()
{
    Fixture fixture;
    RecordingKeyScan &window = fixture.make();
    window.Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseClick(window.label1(), Qt::LeftButton, {}, QPoint(3, 4));
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(1, 1));
    QVERIFY(window.popups.isEmpty());

    QTest::mousePress(window.label1(), Qt::RightButton, {}, QPoint(3, 4));
    QTest::mousePress(window.image1(), Qt::LeftButton, {}, QPoint(5, 6));
    QTest::mousePress(&window, Qt::RightButton, {}, QPoint(1, 2));
    QCOMPARE(window.popups.size(), 3);
    for (const auto &popup : std::as_const(window.popups))
        QCOMPARE(popup.menu, window.floatingMenu().menu());
    QCOMPARE(window.popups.at(0).position, window.label1()->mapToGlobal(QPoint(3, 4)));
    QCOMPARE(window.popups.at(1).position, window.image1()->mapToGlobal(QPoint(5, 6)));
    QCOMPARE(window.popups.at(2).position, window.mapToGlobal(QPoint(1, 2)));

    // Dragging by the label moves the window by the pointer's offset in the label.
    const QPoint before = window.pos();
    QMouseEvent move(QEvent::MouseMove, QPointF(7, 5), window.label1()->mapToGlobal(QPoint(7, 5)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(window.label1(), &move);
    QCOMPARE(window.pos(), before + QPoint(7, 5));
    QMouseEvent hover(QEvent::MouseMove, QPointF(7, 5), window.mapToGlobal(QPoint(7, 5)),
                      Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(&window, &hover);
    QCOMPARE(window.pos(), before + QPoint(7, 5));
}

void TestKeyScan::closingEndsWithoutSaving()
{
    Fixture fixture;
    RecordingKeyScan &window = fixture.make();
    window.Form_Load();
    window.close();
    QVERIFY(fixture.platform.loop.ended);
    QVERIFY(!QFile::exists(fixture.home.filePath(QStringLiteral("PD.ini"))));
}

void TestKeyScan::singleInstanceLock()
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

void TestKeyScan::showSignalIsTakenAndReported()
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
    QVERIFY(!QFile::exists(written.fileName()));

    // Any letter case asks too.
    QFile lower(home.filePath(QStringLiteral("show.txt")));
    QVERIFY(lower.open(QIODevice::WriteOnly));
    lower.close();
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 2, 5000);
    QVERIFY(!QFile::exists(lower.fileName()));
}

void TestKeyScan::shownOnRequestThroughTheDesktop()
{
    // Qt's own activation can be refused as focus stealing: the window is also
    // brought forward the way a task bar does it.
    Fixture fixture;
    RecordingKeyScan &window = fixture.make();
    window.showMinimized();
    window.showRequested();
    QVERIFY(window.isVisible());
    QVERIFY(!(window.windowState() & Qt::WindowMinimized));
    QCOMPARE(fixture.platform.activator.activated,
             QStringList{QStringLiteral("Korvane Command Center")});
}

QTEST_MAIN(TestKeyScan)
#include "test_keyscan.moc"
