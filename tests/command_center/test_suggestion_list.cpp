// SPDX-License-Identifier: GPL-3.0-or-later
// The suggestion list of the command center on the fake platform: typing shows the
// key words, Down/Up and Enter act on the chosen one as if typed in full, Enter
// with none chosen does what it always did, Escape closes, the list follows the
// bar and never takes the focus, and it follows changes to the database.

#include "commandcenterwindow.h"
#include "fakeplatform.h"
#include "keyworddatabase.h"
#include "testhome.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <memory>

using namespace korvane;

namespace {

// Records pop-up menus instead of running their modal loop.
class RecordingWindow : public CommandCenterWindow
{
public:
    using CommandCenterWindow::CommandCenterWindow;
    QList<QMenu *> popups;

protected:
    void showPopupMenu(QMenu *menu, const QPoint &) override { popups.append(menu); }
};

struct Fixture
{
    test::TempHome home;
    FakePlatform platform;
    QStringList requests; // windows asked for through the hooks
    std::unique_ptr<RecordingWindow> window;

    Fixture()
    {
        link(QStringLiteral("notepad"), QStringLiteral("/usr/bin/gedit"));
        link(QStringLiteral("notes"), QStringLiteral("/bin/notes"));
        link(QStringLiteral("notes"), QStringLiteral("/bin/more-notes"));
        link(QStringLiteral("another note"), QStringLiteral("/bin/other"));
        WindowDirectory windows;
        windows.showKeywordEditor = [this](const QString &k) { requests.append("editor " + k); };
        window = std::make_unique<RecordingWindow>(platform, windows);
        window->load();
        window->activateWindow();
    }

    void link(const QString &keyWord, const QString &program)
    {
        QVERIFY(db::KeywordDatabase(home.path()).addLinkedRecord(keyWord, program));
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
    // Keys by name, as a user presses them in the field.
    void press(std::initializer_list<Qt::Key> keys)
    {
        for (const Qt::Key key : keys)
            QTest::keyClick(field(), key);
    }
};

} // namespace

class TestSuggestionList : public QObject
{
    Q_OBJECT

private slots:
    void typingShowsTheMatchingKeyWords();
    void chosenSuggestionActsAsIfTypedInFull_data();
    void chosenSuggestionActsAsIfTypedInFull();
    void enterWithNoneChosenAsksToAddThePrefix_data();
    void enterWithNoneChosenAsksToAddThePrefix();
    void escapeClosesAndDownReopens();
    void clickActsOnTheRow();
    void followsTheBarAndNeverTakesTheFocus();
    void followsChangesToTheDatabase();
    void submenusStopAtAThousandEntries();
};

void TestSuggestionList::typingShowsTheMatchingKeyWords()
{
    Fixture fixture;
    QVERIFY(!fixture.list().isVisible());
    QTest::keyClicks(fixture.field(), QStringLiteral("no"));
    QVERIFY(fixture.list().isVisible());
    QCOMPARE(fixture.rows(), (QStringList{"NOTEPAD", "NOTES", "ANOTHER NOTE"}));
    QCOMPARE(fixture.list().suggestionAt(1).programCount, 2);
    QCOMPARE(fixture.list().suggestionAt(1).firstProgram, QStringLiteral("/BIN/NOTES"));
    QCOMPARE(fixture.list().currentRow(), -1);

    QTest::keyClicks(fixture.field(), QStringLiteral("tep"));
    QCOMPARE(fixture.rows(), QStringList{"NOTEPAD"});
    // Typing on past every key word closes the list; deleting brings it back.
    QTest::keyClick(fixture.field(), Qt::Key_X);
    QVERIFY(!fixture.list().isVisible());
    QTest::keyClick(fixture.field(), Qt::Key_Backspace);
    QCOMPARE(fixture.rows(), QStringList{"NOTEPAD"});
    QVERIFY(fixture.list().isVisible());
    // Reserved words are suggested too.
    fixture.field()->clear();
    QTest::keyClicks(fixture.field(), QStringLiteral("ex"));
    QCOMPARE(fixture.rows(), QStringList{"EXIT"});
    QVERIFY(fixture.list().suggestionAt(0).reserved);
}

void TestSuggestionList::chosenSuggestionActsAsIfTypedInFull_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QList<Qt::Key>>("keys");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<int>("popups");

    using K = QList<Qt::Key>;
    QTest::newRow("first") << "no" << K{Qt::Key_Down} << "NOTEPAD" << QStringList{"/USR/BIN/GEDIT"}
                           << 0;
    QTest::newRow("second, both programs") << "no" << K{Qt::Key_Down, Qt::Key_Down} << "NOTES"
                                           << QStringList{"/BIN/NOTES", "/BIN/MORE-NOTES"} << 0;
    QTest::newRow("containing group")
        << "no" << K{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down} << "ANOTHER NOTE"
        << QStringList{"/BIN/OTHER"} << 0;
    QTest::newRow("down stops at the last")
        << "note" << K{Qt::Key_PageDown, Qt::Key_Down, Qt::Key_Down} << "ANOTHER NOTE"
        << QStringList{"/BIN/OTHER"} << 0;
    QTest::newRow("up moves back") << "no" << K{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up} << "NOTEPAD"
                                   << QStringList{"/USR/BIN/GEDIT"} << 0;
    QTest::newRow("reserved word") << "keyw" << K{Qt::Key_Down} << "KEYWORDS" << QStringList{} << 1;
}

void TestSuggestionList::chosenSuggestionActsAsIfTypedInFull()
{
    QFETCH(QString, typed);
    QFETCH(QList<Qt::Key>, keys);
    QFETCH(QString, field);
    QFETCH(QStringList, started);
    QFETCH(int, popups);

    Fixture fixture;
    QTest::keyClicks(fixture.field(), typed);
    for (const Qt::Key key : keys)
        QTest::keyClick(fixture.field(), key);
    fixture.press({Qt::Key_Return});
    QCOMPARE(fixture.field()->text(), field);
    QCOMPARE(fixture.field()->selectedText(), field); // as after any Enter
    QCOMPARE(fixture.platform.launcher.started, started);
    QCOMPARE(fixture.window->popups.size(), popups);
    QVERIFY(fixture.platform.dialog.boxes.isEmpty());
    QVERIFY(!fixture.list().isVisible());
}

void TestSuggestionList::enterWithNoneChosenAsksToAddThePrefix_data()
{
    QTest::addColumn<QList<Qt::Key>>("keys");
    QTest::newRow("nothing chosen") << QList<Qt::Key>{};
    QTest::newRow("down and up again") << QList<Qt::Key>{Qt::Key_Down, Qt::Key_Up};
    QTest::newRow("list closed") << QList<Qt::Key>{Qt::Key_Down, Qt::Key_Escape};
}

void TestSuggestionList::enterWithNoneChosenAsksToAddThePrefix()
{
    QFETCH(QList<Qt::Key>, keys);
    Fixture fixture;
    fixture.platform.dialog.answers.enqueue(MessageAnswer::Yes);
    QTest::keyClicks(fixture.field(), QStringLiteral("notep"));
    for (const Qt::Key key : keys)
        QTest::keyClick(fixture.field(), key);
    fixture.press({Qt::Key_Return});
    QCOMPARE(fixture.field()->text(), QStringLiteral("NOTEP"));
    QVERIFY(fixture.platform.launcher.started.isEmpty());
    QCOMPARE(fixture.platform.dialog.boxes.size(), 1);
    QCOMPARE(fixture.platform.dialog.boxes.first().text, kNoApplicationQuestion);
    QCOMPARE(fixture.requests, QStringList{"editor NOTEP"});
}

void TestSuggestionList::escapeClosesAndDownReopens()
{
    Fixture fixture;
    QTest::keyClicks(fixture.field(), QStringLiteral("note"));
    fixture.press({Qt::Key_Escape});
    QVERIFY(!fixture.list().isVisible());
    QCOMPARE(fixture.field()->text(), QStringLiteral("note"));
    fixture.press({Qt::Key_Down});
    QVERIFY(fixture.list().isVisible());
    QCOMPARE(fixture.list().currentRow(), -1);
    fixture.press({Qt::Key_Down});
    QCOMPARE(fixture.list().currentRow(), 0);
}

void TestSuggestionList::clickActsOnTheRow()
{
    Fixture fixture;
    QTest::keyClicks(fixture.field(), QStringLiteral("no"));
    SuggestionList &list = fixture.list();
    const int rowHeight = (list.height() - 2) / list.rowCount();
    QTest::mouseClick(&list, Qt::LeftButton, {}, QPoint(40, 1 + rowHeight * 2 + rowHeight / 2));
    QCOMPARE(fixture.platform.launcher.started, QStringList{"/BIN/OTHER"});
    QCOMPARE(fixture.field()->text(), QStringLiteral("ANOTHER NOTE"));
}

void TestSuggestionList::followsTheBarAndNeverTakesTheFocus()
{
    Fixture fixture;
    QVERIFY(fixture.list().windowFlags() & Qt::WindowDoesNotAcceptFocus);
    QVERIFY(fixture.list().testAttribute(Qt::WA_ShowWithoutActivating));
    QVERIFY(QTest::qWaitForWindowActive(fixture.window.get()));
    fixture.field()->setFocus();
    QTest::keyClicks(fixture.field(), QStringLiteral("no"));
    QVERIFY(fixture.list().isVisible());
    QCOMPARE(QApplication::focusWidget(), fixture.field());
    QCOMPARE(QApplication::activeWindow(), fixture.window.get());
    const QPoint under = fixture.field()->mapToGlobal(QPoint(0, fixture.field()->height()));
    QCOMPARE(fixture.list().pos(), under);

    fixture.window->moveToTwips(fixture.window->topTwips() + 600,
                                fixture.window->leftTwips() + 900);
    QTRY_COMPARE(fixture.list().pos(), under + QPoint(60, 40));

    fixture.window->hide();
    QVERIFY(!fixture.list().isVisible());
}

void TestSuggestionList::followsChangesToTheDatabase()
{
    Fixture fixture;
    // Written as the keyword editor or another process writes: the command center's
    // watch of the database reloads its lists, and the suggestions with them.
    fixture.link(QStringLiteral("nothing else"), QStringLiteral("/bin/true"));
    const auto typed = [&fixture] {
        fixture.field()->clear();
        QTest::keyClicks(fixture.field(), QStringLiteral("noth"));
        return fixture.rows();
    };
    QTRY_COMPARE_WITH_TIMEOUT(typed(), (QStringList{"NOTHING ELSE", "ANOTHER NOTE"}), 10000);
}

void TestSuggestionList::submenusStopAtAThousandEntries()
{
    Fixture fixture;
    for (int i = 0; i < 1000; ++i)
        fixture.link(QStringLiteral("word%1").arg(i, 4, 10, QChar(u'0')),
                     QStringLiteral("/bin/tool%1").arg(i));
    fixture.window->reloadLists();
    // Past the first thousand, one last entry says where the others are.
    QMenu *keyWords = fixture.window->menu().keyWordsMenu();
    emit keyWords->aboutToShow();
    QCOMPARE(keyWords->actions().size(), 1 + 1000 + 1);
    QCOMPARE(keyWords->actions().at(1)->text(), QStringLiteral("ANOTHER NOTE"));
    QCOMPARE(keyWords->actions().at(1000)->text(), QStringLiteral("WORD0995"));
    QAction *more = keyWords->actions().last();
    QCOMPARE(more->text(), QStringLiteral("More key words: type the first letters in the field"));
    QVERIFY(!more->isEnabled());

    QMenu *programs = fixture.window->menu().keyWordProgramsMenu();
    emit programs->aboutToShow();
    QCOMPARE(programs->actions().size(), 1 + 1000 + 1);
    QCOMPARE(programs->actions().at(1000)->text(), QStringLiteral("/BIN/TOOL995"));
    QVERIFY(!programs->actions().last()->isEnabled());

    QMenu *applications = fixture.window->menu().applicationsMenu();
    emit applications->aboutToShow();
    QCOMPARE(applications->actions().size(), 1 + 1000 + 1);
    QCOMPARE(applications->actions().last()->text(),
             QStringLiteral("More applications: see the keyword editor's list"));
}

QTEST_MAIN(TestSuggestionList)
#include "test_suggestion_list.moc"
