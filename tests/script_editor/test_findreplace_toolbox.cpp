// Find and replace on the editor's text, and the tool box's buttons, help texts
// and position file.

#include "scripterfixture.h"

#include "findreplace.h"
#include "threedbutton.h"
#include "toolbox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace korvane;
using namespace korvane::editor;
using namespace korvane::editor::testing;

class TestFindReplaceToolBox : public QObject
{
    Q_OBJECT

    ScripterFixture f;

    void setText(const QString &text, int caret = 0)
    {
        f.text1().setPlainText(text);
        QTextCursor cursor = f.text1().textCursor();
        cursor.setPosition(caret);
        f.text1().setTextCursor(cursor);
        f.scripter->ScriptChanged = false;
    }
    QString selection() { return f.text1().textCursor().selectedText(); }
    int selectionStart() { return f.text1().textCursor().selectionStart(); }

    ToolBox &toolBox()
    {
        f.scripter->display_tools_Click();
        return *f.scripter->toolBox();
    }

private slots:
    void init() { f.setUp(); }
    void cleanup() { f.tearDown(); }

    void findRunsForwardWithoutWrapping();
    void findIsCaseSensitiveAndKeepsLastFoundText();
    void findDialogStartsWithLastFoundText();
    void replaceNextReplacesAndMarksChanged();
    void replaceAllFromTheBeginning();
    void replaceAllAfterTheSelectionOnly();
    void replaceAllWithNoOccurrence();
    void emptySearchTextIsRefused();
    void replaceDialogStartsWithSelectionAndLastReplacement();

    void modifierThenKeyMakeOneLine();
    void twoBeepsMakeTwoLines();
    void buttonsHaveTheirGridFacesAndCaptions();
    void rightPressShowsHelpOnlyWhereThereIsSome();
    void toolBoxPositionFile();
};

void TestFindReplaceToolBox::findRunsForwardWithoutWrapping()
{
    setText(QStringLiteral("xaxa"));
    ScripterModule &module = f.scripter->module();
    int start = module.searchStart();
    QCOMPARE(start, 1);
    module.Find_In_Script(start, QStringLiteral("a"), f.text1().toPlainText());
    QCOMPARE(selectionStart(), 1); // the a at position 2
    QCOMPARE(selection(), QStringLiteral("a"));
    QCOMPARE(module.LastFindText, QStringLiteral("a"));

    f.scripter->FindNext_Click();
    QCOMPARE(selectionStart(), 3); // position 4
    QVERIFY(f.dialogs().boxes.isEmpty());

    f.scripter->FindNext_Click();
    QCOMPARE(boxTexts(f.dialogs()), QStringList{QStringLiteral("Search Text Not Found.")});
    QCOMPARE(selectionStart(), 3); // the selection stays
    QVERIFY(!f.scripter->ScriptChanged);
}

void TestFindReplaceToolBox::findIsCaseSensitiveAndKeepsLastFoundText()
{
    setText(QStringLiteral("ABC abc"), 4);
    ScripterModule &module = f.scripter->module();
    module.LastFindText = QStringLiteral("earlier");
    int start = module.searchStart();
    module.Find_In_Script(start, QStringLiteral("ABC"), f.text1().toPlainText());
    QCOMPARE(boxTexts(f.dialogs()), QStringList{kSearchTextNotFound});
    // A search text that was never found does not become the last one.
    QCOMPARE(module.LastFindText, QStringLiteral("earlier"));

    setText(QStringLiteral("ABC"));
    start = 0; // below 1 counts as 1
    module.Find_In_Script(start, QStringLiteral("abc"), f.text1().toPlainText());
    QCOMPARE(f.dialogs().boxes.size(), 2);
    QCOMPARE(start, 1);
}

void TestFindReplaceToolBox::findDialogStartsWithLastFoundText()
{
    f.scripter->show();
    setText(QStringLiteral("one two one"));
    f.scripter->module().LastFindText = QStringLiteral("one");
    f.scripter->Find_Click();
    FindText *dialog = f.scripter->findText();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Find Text"));
    QVERIFY(dialog->windowFlags() & Qt::Tool); // kept above the editor, no timer
    QCOMPARE(dialog->TextToFind()->text(), QStringLiteral("one"));
    QCOMPARE(dialog->FindNextButton()->text(), QStringLiteral("&Find Next"));

    dialog->TextToFind()->setText(QStringLiteral("two"));
    dialog->FindNextButton()->click();
    QCOMPARE(selectionStart(), 4);
    QCOMPARE(f.scripter->module().LastFindText, QStringLiteral("two"));
    // Showing it again keeps the dialog and its fields.
    f.scripter->Find_Click();
    QCOMPARE(f.scripter->findText(), dialog);
    QCOMPARE(dialog->TextToFind()->text(), QStringLiteral("two"));

    dialog->CancelButton()->click();
    QTRY_VERIFY(!f.scripter->findText());
    f.scripter->Find_Click();
    QCOMPARE(f.scripter->findText()->TextToFind()->text(), QStringLiteral("two"));
}

void TestFindReplaceToolBox::replaceNextReplacesAndMarksChanged()
{
    setText(QStringLiteral("cat cat"));
    f.scripter->ScriptChanged = false;
    ScripterModule &module = f.scripter->module();
    int start = module.searchStart();
    module.Replace_In_Script(start, QStringLiteral("cat"), f.text1().toPlainText(),
                             QStringLiteral("dog"));
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("dog cat"));
    QVERIFY(!f.text1().textCursor().hasSelection());
    QCOMPARE(f.text1().textCursor().position(), 3);
    QVERIFY(f.scripter->ScriptChanged);
    QCOMPARE(module.LastFindText, QStringLiteral("cat"));
    QCOMPARE(module.LastReplaceText, QStringLiteral("dog"));

    start = module.searchStart();
    module.Replace_In_Script(start, QStringLiteral("cat"), f.text1().toPlainText(),
                             QStringLiteral("dog"));
    start = module.searchStart();
    module.Replace_In_Script(start, QStringLiteral("cat"), f.text1().toPlainText(),
                             QStringLiteral("emu"));
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("dog dog"));
    QCOMPARE(boxTexts(f.dialogs()), QStringList{kSearchTextNotFound});
    // The replacement text is kept even when nothing was found.
    QCOMPARE(module.LastReplaceText, QStringLiteral("emu"));
}

void TestFindReplaceToolBox::replaceAllFromTheBeginning()
{
    f.scripter->show();
    setText(QStringLiteral("aaa"), 3);
    f.scripter->replace_Click();
    ReplaceForm *dialog = f.scripter->replaceForm();
    dialog->TextToReplace()->setText(QStringLiteral("a"));
    dialog->ReplaceText()->setText(QStringLiteral("aa"));
    dialog->StartAtBeginning()->setChecked(true);
    dialog->ReplaceAllButton()->click();
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("aaaaaa"));
    QCOMPARE(boxTexts(f.dialogs()), QStringList{kReplaceCompleted});
    QVERIFY(!f.scripter->module().ReplaceAllRunning);
    QVERIFY(!f.scripter->module().ReplaceFinished);
}

void TestFindReplaceToolBox::replaceAllAfterTheSelectionOnly()
{
    setText(QStringLiteral("ab ab ab ab"));
    QTextCursor cursor = f.text1().textCursor();
    cursor.setPosition(3);
    cursor.setPosition(5, QTextCursor::KeepAnchor); // the second "ab"
    f.text1().setTextCursor(cursor);
    f.scripter->replace_Click();
    ReplaceForm *dialog = f.scripter->replaceForm();
    QCOMPARE(dialog->TextToReplace()->text(), QStringLiteral("ab"));
    dialog->ReplaceText()->setText(QStringLiteral("X"));
    dialog->ReplaceAllButton()->click();
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("ab ab X X"));
    QCOMPARE(boxTexts(f.dialogs()), QStringList{kReplaceCompleted});
}

void TestFindReplaceToolBox::replaceAllWithNoOccurrence()
{
    setText(QStringLiteral("nothing here"));
    f.scripter->ScriptChanged = false;
    f.scripter->module().replaceAll(QStringLiteral("zz"), QStringLiteral("y"), true);
    QCOMPARE(boxTexts(f.dialogs()), QStringList{kReplaceCompleted});
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("nothing here"));
    QVERIFY(!f.scripter->ScriptChanged);
}

void TestFindReplaceToolBox::emptySearchTextIsRefused()
{
    setText(QStringLiteral("abc"));
    f.scripter->replace_Click();
    ReplaceForm *dialog = f.scripter->replaceForm();
    dialog->TextToReplace()->clear();
    dialog->ReplaceText()->setText(QStringLiteral("x"));
    dialog->StartAtBeginning()->setChecked(true);
    dialog->ReplaceAllButton()->click(); // must return, not loop
    dialog->ReplaceNextButton()->click();
    f.scripter->FindNext_Click(); // LastFindText is still empty
    QCOMPARE(boxTexts(f.dialogs()), QStringList(3, kNoSearchText));
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("abc"));
    QVERIFY(!f.scripter->module().ReplaceAllRunning);
}

void TestFindReplaceToolBox::replaceDialogStartsWithSelectionAndLastReplacement()
{
    setText(QStringLiteral("find me"));
    QTextCursor cursor = f.text1().textCursor();
    cursor.setPosition(0);
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    f.text1().setTextCursor(cursor);
    f.scripter->module().LastReplaceText = QStringLiteral("found");
    f.scripter->replace_Click();
    ReplaceForm *dialog = f.scripter->replaceForm();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Replace"));
    QCOMPARE(dialog->TextToReplace()->text(), QStringLiteral("find"));
    QCOMPARE(dialog->ReplaceText()->text(), QStringLiteral("found"));
    QCOMPARE(dialog->StartAtBeginning()->text(), QStringLiteral("&Start At Beginning"));
    QCOMPARE(dialog->ReplaceNextButton()->text(), QStringLiteral("&Replace Next"));
    QCOMPARE(dialog->ReplaceAllButton()->text(), QStringLiteral("Replace &All"));

    // Replace Next from the caret's start: the selection itself is searched after.
    cursor.setPosition(0);
    f.text1().setTextCursor(cursor);
    dialog->ReplaceNextButton()->click();
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("found me"));

    // Closing the editor leaves the dialog open.
    f.scripter->show();
    f.dialogs().answers.enqueue(MessageAnswer::No);
    QVERIFY(f.scripter->close());
    QVERIFY(f.scripter->replaceForm());
}

void TestFindReplaceToolBox::modifierThenKeyMakeOneLine()
{
    ToolBox &box = toolBox();
    QCOMPARE(box.windowTitle(), QStringLiteral("Tool Box"));
    QTest::mouseClick(box.SSCommand(21), Qt::LeftButton);
    QTest::mouseClick(box.SSCommand(2), Qt::LeftButton);
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("%{TAB}\n"));
    QVERIFY(f.scripter->ScriptChanged);
    const QString file = f.saveAs(QStringLiteral("alt.vlm"));
    QCOMPARE(readBytes(file), QByteArray("%{TAB}\r\n\r\n"));

    // Every click marks the script changed, so closing asks to save.
    QTest::mouseClick(box.SSCommand(24), Qt::LeftButton);
    QVERIFY(f.scripter->ScriptChanged);
    f.scripter->show();
    f.dialogs().answers.enqueue(MessageAnswer::Cancel);
    QVERIFY(!f.scripter->close());
    QCOMPARE(boxTexts(f.dialogs()), QStringList{kSavePrompt});
}

void TestFindReplaceToolBox::twoBeepsMakeTwoLines()
{
    setText(QStringLiteral("`M hi\n"), 6);
    ToolBox &box = toolBox();
    box.SSCommand(9)->click();
    box.SSCommand(9)->click();
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("`M hi\n`B\n`B\n"));
    // The text is replaced whole: the caret goes back to the start.
    QCOMPARE(f.text1().textCursor().position(), 0);
    QVERIFY(!f.text1().textCursor().hasSelection());
}

void TestFindReplaceToolBox::buttonsHaveTheirGridFacesAndCaptions()
{
    ToolBox &box = toolBox();
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.SSCommand(1)->geometry(), QRect(8, 8, 33, 25));
    QCOMPARE(box.SSCommand(25)->geometry(), QRect(128, 200, 33, 25)); // column 4, row 7
    QCOMPARE(box.SSCommand(26)->geometry(), QRect(48, 200, 33, 25));  // column 2, row 7
    QCOMPARE(box.SSCommand(18)->text(), QStringLiteral("SET"));
    QCOMPARE(box.SSCommand(22)->text(), QStringLiteral("Ctrl"));
    QCOMPARE(box.Label1()->geometry().topLeft(), QPoint(8, 240));

    // Mouse-over captions stay until another button replaces them.
    QTest::mouseMove(box.SSCommand(12), QPoint(4, 4));
    QTRY_COMPARE(box.Label1()->text(), QStringLiteral("WAIT - `W # of seconds"));
    QTest::mouseMove(&box, QPoint(2, 230));
    QTest::mouseMove(box.SSCommand(13), QPoint(4, 4));
    QTRY_COMPARE(box.Label1()->text(), QStringLiteral("Close App / Window"));

    // Every button appends its own text; the line break only where it belongs.
    QString expected;
    for (int number = 1; number <= kToolBoxButtons; ++number) {
        const ToolBoxButton &entry = toolBoxButtons().at(number - 1);
        box.SSCommand(number)->click();
        expected += QString::fromUtf8(entry.text) + (entry.lineBreak ? QStringLiteral("\n") : "");
        QCOMPARE(f.text1().toPlainText(), expected);
    }
    QVERIFY(expected.startsWith(QStringLiteral("{ENTER}\n{TAB}\n`T HH:MM:SS AM/PM\n")));
    QVERIFY(expected.contains(QStringLiteral("`SET Text to set\n`U\n`A Application Title\n%^+"
                                             "{END}+{INSERT}\n+{DELETE}\n^{INSERT}\n")));
    QVERIFY(f.dialogs().boxes.isEmpty()); // a left click never shows help
}

void TestFindReplaceToolBox::rightPressShowsHelpOnlyWhereThereIsSome()
{
    ToolBox &box = toolBox();
    for (int number = 21; number <= 24; ++number)
        QTest::mousePress(box.SSCommand(number), Qt::RightButton);
    QVERIFY(f.dialogs().boxes.isEmpty());

    QTest::mousePress(box.SSCommand(4), Qt::RightButton);
    QTest::mousePress(box.SSCommand(1), Qt::RightButton, Qt::ShiftModifier);
    QCOMPARE(boxTexts(f.dialogs()),
             QStringList(
                 {QStringLiteral("The MESSAGE BOX function is used to display a message while the "
                                 "script is executing. \r\rNOTE: If you display a message box "
                                 "during script execution the script will halt execution until the "
                                 "user clicks the OK button"),
                  QStringLiteral("Using the {ENTER} in a script will send the enter key "
                                 "to a running application.")}));
    QCOMPARE(f.dialogs().boxes.first().buttons, MessageButtons::Ok);
    QVERIFY(f.text1().toPlainText().isEmpty()); // a right press appends nothing
}

void TestFindReplaceToolBox::toolBoxPositionFile()
{
    writeBytes(f.path(QStringLiteral("toolbox.ini")), " 1500 \r\n 750 \r\n");
    ToolBox &box = toolBox();
    QCOMPARE(box.pos(), QPoint(100, 50));
    box.move(8, 16);
    box.close();
    QCOMPARE(readBytes(f.path(QStringLiteral("toolbox.ini"))), QByteArray(" 120 \r\n 240 \r\n"));

    // A short file: the missing line counts as 0.
    writeBytes(f.path(QStringLiteral("toolbox.ini")), " 300 ");
    QTRY_VERIFY(!f.scripter->toolBox());
    QCOMPARE(toolBox().pos(), QPoint(20, 0));
}

QTEST_MAIN(TestFindReplaceToolBox)
#include "test_findreplace_toolbox.moc"
