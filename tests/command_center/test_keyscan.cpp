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
    void shutdownAsksForLogout();
    void unknownKeyWordAsksToAddIt();
    void webAddressGoesToWebBrowser();
    void enterUpperCasesAndSelectsTheField();
    void menuItemsReachTheirWindows();
    void titleBarMenuAndHeights();
    void submenusFollowTheDatabaseAndStartPrograms();
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
    QTest::addColumn<int>("popup"); // -1: none, 0: the whole FloatingMenu, else its item

    const QStringList none;
    QTest::newRow("blanks only") << "   " << none << none << 0;
    QTest::newRow("POPUP any case") << "PopUp" << none << none << 0;
    QTest::newRow("KEYWORDS") << "keywords" << none << none << FloatingMenu::kKeyWordsItem;
    QTest::newRow("APPLICATIONS") << "Applications" << none << none
                                  << FloatingMenu::kApplicationsItem;
    QTest::newRow("DIR keeps both blanks")
        << "DIR C:\\DATA" << QStringList{"explorer  C:\\DATA"} << none << -1;
    QTest::newRow("ADD KEYWORD") << " add keyword " << none << QStringList{"editor "} << -1;
    // Not the reserved words: an unknown key word, offered to the editor.
    QTest::newRow("ADD  KEYWORD") << "ADD  KEYWORD" << none << QStringList{"editor ADD  KEYWORD"}
                                  << -1;
    QTest::newRow("drive folder") << "c:\\windows" << QStringList{"explorer C:\\WINDOWS"} << none
                                  << -1;
    QTest::newRow("program path") << "/usr/bin/run.sh" << QStringList{"/USR/BIN/RUN.SH"} << none
                                  << -1;
    QTest::newRow("scheme web address is a path")
        << "http://www.x.com" << QStringList{"HTTP://WWW.X.COM"} << none << -1;
    QTest::newRow("web address without browser") << "WWW.X.COM" << none << none << -1;
}

void TestKeyScan::reservedWordsAndPatterns()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, started);
    QFETCH(QStringList, requests);
    QFETCH(int, popup);

    Fixture fixture;
    RecordingKeyScan &window = fixture.make();
    window.moveToTwips(1500, 3000);
    fixture.platform.dialog.answers.enqueue(MessageAnswer::Yes);
    QCOMPARE(fixture.search(typed), typed.trimmed().toUpper());
    QCOMPARE(fixture.platform.launcher.started, started);
    QCOMPARE(fixture.requests, requests);
    QVERIFY(!fixture.platform.loop.ended);
    QCOMPARE(window.popups.size(), popup < 0 ? 0 : 1);
    if (popup >= 0) {
        FloatingMenu &menu = window.floatingMenu();
        QCOMPARE(window.popups.first().menu, popup ? menu.menuItem(popup)->menu() : menu.menu());
        QCOMPARE(window.popups.first().position, window.mapToGlobal(QPoint(0, 0)));
    }
}

void TestKeyScan::shutdownAsksForLogout()
{
    Fixture fixture;
    fixture.make();
    // Even when it is also a key word.
    fixture.addKeyWord(QStringLiteral("SHUTDOWN"), QStringLiteral("/USR/BIN/NEVER"));
    fixture.search(QStringLiteral("Shutdown"));
    QCOMPARE(fixture.platform.sessions.logoutRequests, 1);
    QVERIFY(fixture.platform.launcher.started.isEmpty());
    QVERIFY(!fixture.platform.loop.ended);
    QVERIFY(!QFile::exists(fixture.home.filePath(QStringLiteral("PD.ini"))));
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

void TestKeyScan::titleBarMenuAndHeights()
{
    Fixture fixture;
    RecordingKeyScan &window = fixture.make();
    QVERIFY(
        !(window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(shownCaptions(window.floatingMenu().menu()),
             (QStringList{"&Add New Keywords", "&Remove Title Bar", "A&pplications", "&Key Words",
                          "&About", "&Velmora ", "&Help", "E&xit"}));
    window.Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.moveToTwips(3000, 1500);
    window.MenuItem_Click(2);
    QCOMPARE(window.titleBarState(), QStringLiteral("1"));
    QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(window.frameGeometry().height(), pixels(800));
    QCOMPARE(window.floatingMenu().menuItem(2)->text(), QStringLiteral("&Show Title Bar"));
    QVERIFY(window.isVisible());

    // Showing it again moves the window 575 twips down.
    window.MenuItem_Click(2);
    QCOMPARE(window.titleBarState(), QStringLiteral("2"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Korvane Command Center"));
    QVERIFY(!(window.windowFlags() & Qt::FramelessWindowHint));
    QCOMPARE(window.frameGeometry().height(), pixels(1100));
    QCOMPARE(window.pos(), QPoint(pixels(1500), pixels(3575)));
    QVERIFY(window.isVisible());
}

void TestKeyScan::submenusFollowTheDatabaseAndStartPrograms()
{
    Fixture fixture;
    fixture.addKeyWord(QStringLiteral("notepad"), QStringLiteral("/usr/bin/gedit"));
    const qint32 calc =
        fixture.addKeyWord(QStringLiteral("CALC"), QStringLiteral("/usr/bin/calc -x"));
    fixture.addKeyWord(QStringLiteral("EDIT"), QStringLiteral("/usr/bin/gedit"));
    RecordingKeyScan &window = fixture.make();
    FloatingMenu &menu = window.floatingMenu();
    QStringList &started = fixture.platform.launcher.started;

    window.Form_Load();
    // Entries are made when a submenu is about to be shown, not at load.
    QCOMPARE(menu.keyWordsMenu()->actions().size(), 1);
    QCOMPARE(shownCaptions(menu.applicationsMenu()),
             (QStringList{"", "/USR/BIN/CALC -X", "/USR/BIN/GEDIT"}));
    QCOMPARE(shownCaptions(menu.keyWordsMenu()), (QStringList{"", "CALC", "EDIT", "NOTEPAD"}));
    QCOMPARE(shownCaptions(menu.keyWordSubMenu()),
             (QStringList{"", "/USR/BIN/CALC -X", "/USR/BIN/GEDIT", "/USR/BIN/GEDIT"}));

    menu.applicationsMenu()->actions().at(0)->trigger(); // the blank entry
    QVERIFY(started.isEmpty());
    menu.applicationsMenu()->actions().at(2)->trigger();
    menu.keyWordSubMenu()->actions().at(1)->trigger(); // CALC's program
    QCOMPARE(started, (QStringList{"/USR/BIN/GEDIT", "/USR/BIN/CALC -X"}));

    // A chosen key word runs as if typed, and is left selected in the field.
    window.keyWordField()->setText(QStringLiteral("something else"));
    menu.keyWordsMenu()->actions().at(3)->trigger();
    QCOMPARE(window.keyWordField()->text(), QStringLiteral("NOTEPAD"));
    QCOMPARE(window.keyWordField()->selectedText(), QStringLiteral("NOTEPAD"));
    QCOMPARE(started.size(), 3);
    QCOMPARE(started.last(), QStringLiteral("/USR/BIN/GEDIT"));

    db::KeywordDatabase(fixture.home.path()).Delete_KeyWord(calc);
    fixture.addKeyWord(QStringLiteral("BROWSE"), QStringLiteral("/usr/bin/firefox"));
    window.Show_Available_Applications();
    QCOMPARE(shownCaptions(menu.applicationsMenu()),
             (QStringList{"", "/USR/BIN/FIREFOX", "/USR/BIN/GEDIT"}));
    QCOMPARE(shownCaptions(menu.keyWordsMenu()), (QStringList{"", "BROWSE", "EDIT", "NOTEPAD"}));
}

void TestKeyScan::settingsAppliedAtLoad_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QPoint>("position"); // pixels
    QTest::addColumn<QString>("titleBarState");

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
    fixture.search(QStringLiteral(" exit"));
    QVERIFY(fixture.platform.loop.ended);
    QCOMPARE(fixture.platform.loop.exitCode, 0);
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

    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(1, 1));
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
    QCOMPARE(fixture.platform.activator.broughtForward,
             QStringList{QStringLiteral("Korvane Command Center")});
}

QTEST_MAIN(TestKeyScan)
#include "test_keyscan.moc"
