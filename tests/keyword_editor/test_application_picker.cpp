// SPDX-License-Identifier: GPL-3.0-or-later
// The installed-applications picker driven with the keyboard: what typing shows and
// in which order, Down and Enter choosing, Escape and an empty list choosing
// nothing, a double click; and in the keyword editor on the fake platform, the
// chosen application's command line in the path field with its key words listed.

#include "applicationpicker.h"
#include "fakeplatform.h"
#include "keyworddatabase.h"
#include "keywordeditorwindow.h"
#include "recordlist.h"
#include "testhome.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace korvane;

namespace {

InstalledApplication application(const QString &name, const QString &comment,
                                 const QString &program)
{
    return {name + ".desktop", name, comment, QString(), program, program + " --new"};
}

// In name order, as the platform lists them.
const QList<InstalledApplication> kInstalled = {
    application("Calculator", "Perform arithmetic calculations", "/usr/bin/calc"),
    application("Calendar", "Keep track of dates", "/usr/bin/calendar"),
    application("Character Map", "Insert special characters", "/usr/bin/charmap"),
    application("Files", "Access and organise files, locally", "/usr/bin/files"),
    application("Terminal", "Use the command line", "/usr/bin/terminal"),
    application("Text Editor", "Edit text files", "/usr/bin/text-editor"),
};

// A picker shown and active, so that keys reach its search field.
struct PickerFixture
{
    ApplicationPicker picker{kInstalled};
    QSignalSpy chosen{&picker, &ApplicationPicker::applicationChosen};

    PickerFixture()
    {
        picker.show();
        [&] { QVERIFY(QTest::qWaitForWindowActive(&picker)); }();
    }
    void type(const QString &text) { QTest::keyClicks(picker.searchField(), text); }
    void press(Qt::Key key) { QTest::keyClick(picker.searchField(), key); }
    QString chosenName() const
    {
        return chosen.isEmpty() ? QString()
                                : chosen.last().at(0).value<InstalledApplication>().name;
    }
};

} // namespace

Q_DECLARE_METATYPE(korvane::InstalledApplication)

class TestApplicationPicker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<InstalledApplication>(); }
    void typingFiltersByNameThenDescription_data();
    void typingFiltersByNameThenDescription();
    void downAndEnterChoose();
    void escapeAndAnEmptyListChooseNothing();
    void doubleClickChooses();
    void editorFillsThePathWithTheChosenCommandLine();
};

void TestApplicationPicker::typingFiltersByNameThenDescription_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("nothing typed: all, by name")
        << "" << QStringList{"Calculator", "Calendar", "Character Map",
                             "Files",      "Terminal", "Text Editor"};
    QTest::newRow("names first, then descriptions")
        << "cal" << QStringList{"Calculator", "Calendar", "Files"};
    QTest::newRow("a word inside a name before descriptions")
        << "files" << QStringList{"Files", "Text Editor"};
    QTest::newRow("words in any order") << "map char" << QStringList{"Character Map"};
    QTest::newRow("words across name and description")
        << "terminal command" << QStringList{"Terminal"};
    QTest::newRow("nothing matches") << "zzz" << QStringList{};
}

void TestApplicationPicker::typingFiltersByNameThenDescription()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, shown);
    PickerFixture fixture;
    fixture.type(typed);
    QCOMPARE(fixture.picker.shownNames(), shown);
    QCOMPARE(fixture.picker.findChild<QLabel *>("noApplicationLabel")->isVisible(),
             shown.isEmpty());
}

void TestApplicationPicker::downAndEnterChoose()
{
    PickerFixture fixture;
    QCOMPARE(QApplication::focusWidget(), fixture.picker.searchField());
    fixture.type("te");
    QCOMPARE(fixture.picker.shownNames(),
             (QStringList{"Terminal", "Text Editor", "Character Map", "Calendar"}));
    fixture.press(Qt::Key_Down);
    fixture.press(Qt::Key_Down);
    fixture.press(Qt::Key_Up);
    QCOMPARE(fixture.picker.searchField()->text(), "te");
    fixture.press(Qt::Key_Return);
    QCOMPARE(fixture.chosen.size(), 1);
    QCOMPARE(fixture.chosenName(), "Text Editor");
    QCOMPARE(fixture.picker.result(), int(QDialog::Accepted));
    QVERIFY(!fixture.picker.isVisible());
}

void TestApplicationPicker::escapeAndAnEmptyListChooseNothing()
{
    PickerFixture fixture;
    fixture.type("zzz");
    fixture.press(Qt::Key_Return);
    QVERIFY(fixture.picker.isVisible());
    fixture.press(Qt::Key_Escape);
    QVERIFY(!fixture.picker.isVisible());
    QCOMPARE(fixture.picker.result(), int(QDialog::Rejected));
    QCOMPARE(fixture.chosen.size(), 0);
}

void TestApplicationPicker::doubleClickChooses()
{
    PickerFixture fixture;
    QListView *list = fixture.picker.listView();
    const QRect row = list->visualRect(list->model()->index(2, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
    QCOMPARE(fixture.chosenName(), "Character Map");
}

void TestApplicationPicker::editorFillsThePathWithTheChosenCommandLine()
{
    test::TempHome home;
    // The calculator already starts with one key word, stored in upper case.
    QVERIFY(db::KeywordDatabase(home.path()).addLinkedRecord("SUMS", "/usr/bin/calc --new"));
    FakePlatform platform;
    platform.apps.installed = kInstalled;
    KeywordEditorWindow editor(platform);
    editor.showWithKeyWord();
    QVERIFY(QTest::qWaitForWindowActive(&editor));

    editor.findChild<QToolButton *>("installedApplicationsButton")->click();
    auto *picker = editor.findChild<ApplicationPicker *>();
    QVERIFY(picker);
    QVERIFY(picker->isModal());
    QVERIFY(QTest::qWaitForWindowActive(picker));
    QTest::keyClicks(picker->searchField(), "arith");
    QTest::keyClick(picker->searchField(), Qt::Key_Return);

    QCOMPARE(editor.programPathField()->text(), "/usr/bin/calc --new");
    const QList<db::RecordItem> keyWords = editor.programKeyWordsList()->items();
    QCOMPARE(keyWords.size(), 1);
    QCOMPARE(keyWords.first().text, "SUMS");
    QTRY_VERIFY(!editor.findChild<ApplicationPicker *>()); // deleted once closed
    // The key word is what the user types next.
    QCOMPARE(editor.focusWidget(), editor.keyWordField());
}

QTEST_MAIN(TestApplicationPicker)
#include "test_application_picker.moc"
