// SPDX-License-Identifier: GPL-3.0-or-later
// The suggestion list of the command center on the fake platform: typing shows the
// key words, Down/Up and Enter act on the chosen one as if typed in full, Enter
// with none chosen does what it always did, Escape closes, the list follows the
// bar and never takes the focus, and it follows changes to the database. Also the
// submenus: capped at a thousand entries, with the icons of the installed
// applications their programs belong to.

#include "commandcenterfixture.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <memory>

using namespace korvane;

namespace {

// Four key words linked, the window loaded and active.
struct Fixture : test::CommandCenterFixture
{
    Fixture()
    {
        for (const QString &pair : {"notepad=/usr/bin/gedit", "notes=/bin/notes",
                                    "notes=/bin/more-notes", "another note=/bin/other"})
            link(pair.section('=', 0, 0), pair.section('=', 1));
        window->load();
        window->activateWindow();
    }
    QLineEdit *field() const { return window->keyWordField(); }
    SuggestionList &list() const { return window->suggestions(); }
    QStringList rows() const
    {
        QStringList words;
        for (int row = 0; row < list().rowCount(); ++row)
            words.append(list().suggestionAt(row).keyWord);
        return words;
    }
    // Types `text`, presses `keys` ("Down Esc") and Enter; what then happened: the
    // field, the programs started, a window requested, a question asked.
    QString enter(const QString &text, const QString &keys)
    {
        platform.dialog.answers.enqueue(MessageAnswer::Yes);
        QTest::keyClicks(field(), text);
        for (const QString &name : keys.split(' ', Qt::SkipEmptyParts))
            QTest::keyClick(field(), QKeySequence(name)[0].key());
        QTest::keyClick(field(), Qt::Key_Return);
        QStringList done = platform.launcher.started + requests;
        for (const auto &box : platform.dialog.boxes)
            done.append(box.text == kNoApplicationQuestion ? "asked" : box.text);
        [&] { QVERIFY(!list().isVisible()); }();
        [&] { QCOMPARE(field()->selectedText(), field()->text()); }(); // as after any Enter
        return field()->text() + ": " + done.join(' ');
    }
};

// The colour of each entry's icon as a person sees the submenu, "-" for none.
QString iconColours(QMenu *menu)
{
    emit menu->aboutToShow();
    QStringList colours;
    for (const QAction *action : menu->actions())
        colours.append(action->icon().isNull()
                           ? "-"
                           : QColor(action->icon().pixmap(16).toImage().pixel(8, 8)).name());
    return colours.join(' ');
}

} // namespace

class TestSuggestionList : public QObject
{
    Q_OBJECT

private slots:
    void listFollowsTheFieldTheBarAndTheDatabase();
    void enterActsOnTheChosenSuggestion();
    void submenusShowIconsAndStopAtAThousandEntries();
};

void TestSuggestionList::listFollowsTheFieldTheBarAndTheDatabase()
{
    Fixture fixture;
    SuggestionList &list = fixture.list();
    QVERIFY(list.windowFlags() & Qt::WindowDoesNotAcceptFocus);
    QVERIFY(QTest::qWaitForWindowActive(fixture.window.get()));
    fixture.field()->setFocus();
    QVERIFY(!list.isVisible());
    QTest::keyClicks(fixture.field(), "notep");
    QCOMPARE(fixture.rows(), QStringList{"NOTEPAD"});
    // Shown under the field, the focus and the active window left where they were.
    QCOMPARE(QApplication::focusWidget(), fixture.field());
    QCOMPARE(QApplication::activeWindow(), fixture.window.get());
    const QPoint under = fixture.field()->mapToGlobal(QPoint(0, fixture.field()->height()));
    QCOMPARE(list.pos(), under);
    fixture.window->moveToTwips(fixture.window->topTwips() + 600,
                                fixture.window->leftTwips() + 900);
    QTRY_COMPARE(list.pos(), under + QPoint(60, 40));
    // Typing on past every key word closes the list; deleting brings it back.
    QTest::keyClick(fixture.field(), Qt::Key_X);
    QVERIFY(!list.isVisible());
    QTest::keyClick(fixture.field(), Qt::Key_Backspace);
    QVERIFY(list.isVisible());

    // Written as another process writes: the command center's watch of the
    // database reloads its lists, and the suggestions with them.
    fixture.link("nothing else", "/bin/true");
    const auto typed = [&fixture] {
        fixture.field()->clear();
        QTest::keyClicks(fixture.field(), "noth");
        return fixture.rows();
    };
    QTRY_COMPARE_WITH_TIMEOUT(typed(), (QStringList{"NOTHING ELSE", "ANOTHER NOTE"}), 10000);
    // A click acts on its row.
    const int rowHeight = (list.height() - 2) / list.rowCount();
    QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(40, 1 + rowHeight + rowHeight / 2));
    QCOMPARE(fixture.platform.launcher.started, QStringList{"/BIN/OTHER"});
    QCOMPARE(fixture.field()->text(), "ANOTHER NOTE");
    QTest::keyClicks(fixture.field(), "no");
    QVERIFY(list.isVisible());
    fixture.window->hide(); // the list goes with the window
    QVERIFY(!list.isVisible());
}

void TestSuggestionList::enterActsOnTheChosenSuggestion()
{
    // Typed, keys before Enter, what happened. A chosen suggestion acts as if typed
    // in full; with none chosen Enter asks to add the prefix as it always did.
    const char *cases[][3] = {
        {"no", "Down Down Up", "NOTEPAD: /USR/BIN/GEDIT"},
        {"no", "Down Down", "NOTES: /BIN/NOTES /BIN/MORE-NOTES"},
        {"no", "Down Down Down Down", "ANOTHER NOTE: /BIN/OTHER"}, // the containing group
        {"note", "PgDown Down Down", "ANOTHER NOTE: /BIN/OTHER"},  // stops at the last
        {"no", "Esc Down Down", "NOTEPAD: /USR/BIN/GEDIT"},        // reopened, none chosen
        {"add", "Down", "ADD KEYWORD: editor "},                   // a reserved word
        {"notep", "", "NOTEP: editor NOTEP asked"},
        {"notep", "Down Up", "NOTEP: editor NOTEP asked"},
        {"notep", "Down Esc", "NOTEP: editor NOTEP asked"},
    };
    for (const auto &[typed, keys, done] : cases)
        QCOMPARE(Fixture().enter(typed, keys), done);
}

void TestSuggestionList::submenusShowIconsAndStopAtAThousandEntries()
{
    Fixture fixture;
    const auto install = [&fixture](const QString &program, const QString &colour) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(QColor(colour));
        const QString icon = fixture.home.file(colour.mid(1) + ".png");
        QVERIFY(image.save(icon));
        fixture.platform.apps.installed.append({"x", "x", "", icon, program, program});
        fixture.window->reloadLists(); // the rebuilt submenus show it
    };
    const CommandCenterMenu &menu = fixture.window->menu();
    install("/usr/bin/gedit", "#ff0000");
    // "", /BIN/MORE-NOTES, /BIN/NOTES, /BIN/OTHER, /USR/BIN/GEDIT
    QCOMPARE(iconColours(menu.applicationsMenu()), "- - - - #ff0000");
    // "", ANOTHER NOTE, NOTEPAD, NOTES (/BIN/NOTES), NOTES (/BIN/MORE-NOTES).
    QCOMPARE(iconColours(menu.keyWordsMenu()), "- - #ff0000 - -");
    QCOMPARE(iconColours(menu.keyWordProgramsMenu()), "- - #ff0000 - -");
    install("/bin/notes", "#0000ff");
    QCOMPARE(iconColours(menu.applicationsMenu()), "- - #0000ff - #ff0000");
    QCOMPARE(iconColours(menu.keyWordsMenu()), "- - #ff0000 #0000ff -");

    for (int i = 0; i < 1000; ++i)
        fixture.link(QString("word%1").arg(i, 4, 10, QChar(u'0')), QString("/bin/tool%1").arg(i));
    fixture.window->reloadLists();
    // Past the first thousand, one last disabled entry says where the others are.
    const auto entry = [](QMenu *submenu, int at) {
        emit submenu->aboutToShow();
        const QAction *action = submenu->actions().value(at);
        return QString::number(submenu->actions().size()) + (action->isEnabled() ? " +" : " -") +
               action->text();
    };
    QCOMPARE(entry(menu.keyWordsMenu(), 1000), "1002 +WORD0995");
    QCOMPARE(entry(menu.keyWordsMenu(), 1001),
             "1002 -More key words: type the first letters in the field");
    QCOMPARE(entry(menu.keyWordProgramsMenu(), 1000), "1002 +/BIN/TOOL995");
    QCOMPARE(entry(menu.applicationsMenu(), 1001),
             "1002 -More applications: see the keyword editor's list");
}

QTEST_MAIN(TestSuggestionList)
#include "test_suggestion_list.moc"
