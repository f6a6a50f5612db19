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
    QStringList chosen;

    PickerFixture()
    {
        QObject::connect(&picker, &ApplicationPicker::applicationChosen,
                         [this](const InstalledApplication &a) { chosen.append(a.name); });
        picker.show();
        [&] { QVERIFY(QTest::qWaitForWindowActive(&picker)); }();
    }
    // What is shown, then chosen, once `typed` and `keys` ("Down Return") reach the
    // search field.
    QString run(const QString &typed, const QString &keys = {})
    {
        QTest::keyClicks(picker.searchField(), typed);
        for (const QString &name : keys.split(' ', Qt::SkipEmptyParts))
            QTest::keyClick(picker.searchField(), QKeySequence(name)[0].key());
        QStringList what = {picker.shownNames().join(", "), "->"};
        if (picker.findChild<QLabel *>("noApplicationLabel")->isVisible())
            what.append("none found");
        what += chosen;
        what.append(picker.isVisible()                          ? "open"
                    : picker.result() == int(QDialog::Accepted) ? "accepted"
                                                                : "rejected");
        return what.join(' ');
    }
};

} // namespace

class TestApplicationPicker : public QObject
{
    Q_OBJECT

private slots:
    void typingFiltersAndKeysOrADoubleClickChoose();
    void editorFillsThePathWithTheChosenCommandLine();
};

void TestApplicationPicker::typingFiltersAndKeysOrADoubleClickChoose()
{
    // Typed, keys, then the names shown in order and what was chosen.
    const char *cases[][3] = {
        {"", "", "Calculator, Calendar, Character Map, Files, Terminal, Text Editor -> open"},
        {"cal", "", "Calculator, Calendar, Files -> open"}, // names first, then descriptions
        {"files", "", "Files, Text Editor -> open"},  // a word inside a name before descriptions
        {"map char", "", "Character Map -> open"},    // words in any order
        {"terminal command", "", "Terminal -> open"}, // across name and description
        {"te", "Down Down Up Return",
         "Terminal, Text Editor, Character Map, Calendar -> Text Editor accepted"},
        {"zzz", "Return", " -> none found open"},
        {"zzz", "Return Esc", " -> rejected"},
    };
    for (const auto &[typed, keys, result] : cases)
        QCOMPARE(PickerFixture().run(typed, keys), result);

    // The search field has the focus; a double click chooses too.
    PickerFixture fixture;
    QCOMPARE(QApplication::focusWidget(), fixture.picker.searchField());
    QListView *list = fixture.picker.listView();
    const QPoint row = list->visualRect(list->model()->index(2, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
    QVERIFY(fixture.run("").endsWith("-> Character Map accepted"));
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
    QVERIFY(picker && picker->isModal() && QTest::qWaitForWindowActive(picker));
    QTest::keyClicks(picker->searchField(), "arith");
    QTest::keyClick(picker->searchField(), Qt::Key_Return);

    QCOMPARE(editor.programPathField()->text(), "/usr/bin/calc --new");
    const QList<db::RecordItem> keyWords = editor.programKeyWordsList()->items();
    QVERIFY(keyWords.size() == 1 && keyWords.first().text == "SUMS");
    QTRY_VERIFY(!editor.findChild<ApplicationPicker *>()); // deleted once closed
    // The key word is what the user types next.
    QCOMPARE(editor.focusWidget(), editor.keyWordField());
}

QTEST_MAIN(TestApplicationPicker)
#include "test_application_picker.moc"
