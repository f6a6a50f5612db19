// Find and replace on the editor's text, and the tool box's buttons, help texts
// and position file.

#include "scripteditorfixture.h"

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

    // Sets the editor's text, unchanged, with the caret at `anchor` or the text
    // from `anchor` to `position` selected.
    void setText(const QString &text, int anchor = 0, int position = -1)
    {
        f.text1().setPlainText(text);
        QTextCursor cursor = f.text1().textCursor();
        cursor.setPosition(anchor);
        if (position >= 0)
            cursor.setPosition(position, QTextCursor::KeepAnchor);
        f.text1().setTextCursor(cursor);
        f.scripter->ScriptChanged = false;
    }
    int selectionStart() { return f.text1().textCursor().selectionStart(); }
    ScriptSearch &module() { return f.scripter->module(); }

    ToolBoxWindow &toolBox()
    {
        f.scripter->display_tools_Click();
        return *f.scripter->toolBox();
    }

private slots:
    void init() { f.setUp(); }
    void cleanup() { f.tearDown(); }

    void findRunsForwardCaseSensitiveWithoutWrapping();
    void findDialogStartsWithLastFoundText();
    void replaceNextReplacesAndMarksChanged();
    void replaceAllReplacesEachOccurrenceOnce();
    void emptySearchTextIsRefused();
    void replaceDialogStartsWithSelectionAndLastReplacement();

    void clicksAppendLinesAndReplaceTheTextWhole();
    void everyButtonAppendsItsTextAndShowsItsCaption();
    void rightPressShowsHelpOnlyWhereThereIsSome();
    void toolBoxPositionFile();
};

void TestFindReplaceToolBox::findRunsForwardCaseSensitiveWithoutWrapping()
{
    setText(QStringLiteral("xaxa"));
    int start = module().searchStart();
    QCOMPARE(start, 1);
    module().Find_In_Script(start, QStringLiteral("a"), f.text1().toPlainText());
    QCOMPARE(selectionStart(), 1); // the a at position 2
    QCOMPARE(f.text1().textCursor().selectedText(), QStringLiteral("a"));
    QCOMPARE(module().LastFindText, QStringLiteral("a"));
    f.scripter->FindNext_Click();
    QCOMPARE(selectionStart(), 3); // position 4
    QVERIFY(f.dialogs().boxes.isEmpty());
    f.scripter->FindNext_Click();
    QCOMPARE(boxTexts(f.dialogs()), QStringList{QStringLiteral("Search Text Not Found.")});
    QCOMPARE(selectionStart(), 3); // the selection stays
    QVERIFY(!f.scripter->ScriptChanged);

    // Case counts; a search text that was never found does not become the last one.
    setText(QStringLiteral("ABC abc"), 4);
    start = module().searchStart();
    module().Find_In_Script(start, QStringLiteral("ABC"), f.text1().toPlainText());
    QCOMPARE(module().LastFindText, QStringLiteral("a"));
    setText(QStringLiteral("ABC"));
    start = 0; // below 1 counts as 1
    module().Find_In_Script(start, QStringLiteral("abc"), f.text1().toPlainText());
    QCOMPARE(boxTexts(f.dialogs()), QStringList(3, kSearchTextNotFound));
    QCOMPARE(start, 1);
}

void TestFindReplaceToolBox::findDialogStartsWithLastFoundText()
{
    f.scripter->show();
    setText(QStringLiteral("one two one"));
    module().LastFindText = QStringLiteral("one");
    f.scripter->Find_Click();
    FindDialog *dialog = f.scripter->findText();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Find Text"));
    QVERIFY(dialog->windowFlags() & Qt::Tool); // kept above the editor
    QCOMPARE(dialog->TextToFind()->text(), QStringLiteral("one"));

    dialog->TextToFind()->setText(QStringLiteral("two"));
    dialog->FindNextButton()->click();
    QCOMPARE(selectionStart(), 4);
    QCOMPARE(module().LastFindText, QStringLiteral("two"));
    // Showing it again keeps the dialog and its fields; after Cancel a new one
    // starts with the last found text.
    f.scripter->Find_Click();
    QCOMPARE(f.scripter->findText(), dialog);
    dialog->CancelButton()->click();
    QTRY_VERIFY(!f.scripter->findText());
    f.scripter->Find_Click();
    QCOMPARE(f.scripter->findText()->TextToFind()->text(), QStringLiteral("two"));
}

void TestFindReplaceToolBox::replaceNextReplacesAndMarksChanged()
{
    setText(QStringLiteral("cat cat"));
    int start = module().searchStart();
    module().Replace_In_Script(start, QStringLiteral("cat"), f.text1().toPlainText(),
                               QStringLiteral("dog"));
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("dog cat"));
    QVERIFY(!f.text1().textCursor().hasSelection());
    QCOMPARE(f.text1().textCursor().position(), 3);
    QVERIFY(f.scripter->ScriptChanged);
    QCOMPARE(module().LastFindText, QStringLiteral("cat"));

    start = module().searchStart();
    module().Replace_In_Script(start, QStringLiteral("cat"), f.text1().toPlainText(),
                               QStringLiteral("dog"));
    start = module().searchStart();
    module().Replace_In_Script(start, QStringLiteral("cat"), f.text1().toPlainText(),
                               QStringLiteral("emu"));
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("dog dog"));
    QCOMPARE(boxTexts(f.dialogs()), QStringList{kSearchTextNotFound});
    // The replacement text is kept even when nothing was found.
    QCOMPARE(module().LastReplaceText, QStringLiteral("emu"));
}

void TestFindReplaceToolBox::replaceAllReplacesEachOccurrenceOnce()
{
    const auto replaceAll = [&](const QString &find, const QString &replacement, bool fromStart) {
        f.scripter->replace_Click();
        ReplaceDialog *dialog = f.scripter->replaceForm();
        dialog->TextToReplace()->setText(find);
        dialog->ReplaceText()->setText(replacement);
        dialog->StartAtBeginning()->setChecked(fromStart);
        dialog->ReplaceAllButton()->click();
    };
    // The replacement contains the search text.
    setText(QStringLiteral("aaa"), 3);
    replaceAll(QStringLiteral("a"), QStringLiteral("aa"), true);
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("aaaaaa"));
    setText(QStringLiteral("ab ab ab ab"), 3, 5);
    replaceAll(QStringLiteral("ab"), QStringLiteral("X"), false);
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("ab ab X X"));
    QVERIFY(f.scripter->ScriptChanged);

    setText(QStringLiteral("nothing here"));
    replaceAll(QStringLiteral("zz"), QStringLiteral("y"), true);
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("nothing here"));
    QVERIFY(!f.scripter->ScriptChanged);
    QCOMPARE(boxTexts(f.dialogs()), QStringList(3, kReplaceCompleted));
    QVERIFY(!module().ReplaceAllRunning);
}

void TestFindReplaceToolBox::emptySearchTextIsRefused()
{
    setText(QStringLiteral("abc"));
    f.scripter->replace_Click();
    ReplaceDialog *dialog = f.scripter->replaceForm();
    dialog->TextToReplace()->clear();
    dialog->ReplaceText()->setText(QStringLiteral("x"));
    dialog->StartAtBeginning()->setChecked(true);
    dialog->ReplaceAllButton()->click(); // must return, not loop
    dialog->ReplaceNextButton()->click();
    f.scripter->FindNext_Click(); // LastFindText is still empty
    QCOMPARE(boxTexts(f.dialogs()), QStringList(3, kNoSearchText));
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("abc"));
    QVERIFY(!module().ReplaceAllRunning);
}

void TestFindReplaceToolBox::replaceDialogStartsWithSelectionAndLastReplacement()
{
    setText(QStringLiteral("find me"), 0, 4);
    module().LastReplaceText = QStringLiteral("found");
    f.scripter->replace_Click();
    ReplaceDialog *dialog = f.scripter->replaceForm();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Replace"));
    QCOMPARE(dialog->TextToReplace()->text(), QStringLiteral("find"));
    QCOMPARE(dialog->ReplaceText()->text(), QStringLiteral("found"));

    // Replace Next from the caret's start: the selection itself is searched after.
    setText(f.text1().toPlainText());
    dialog->ReplaceNextButton()->click();
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("found me"));

    // Closing the editor leaves the dialog open.
    f.scripter->show();
    f.dialogs().answers.enqueue(MessageAnswer::No);
    QVERIFY(f.scripter->close());
    QVERIFY(f.scripter->replaceForm());
}

void TestFindReplaceToolBox::clicksAppendLinesAndReplaceTheTextWhole()
{
    setText(QStringLiteral("`M hi\n"), 6);
    ToolBoxWindow &box = toolBox();
    QCOMPARE(box.windowTitle(), QStringLiteral("Tool Box"));
    QTest::mouseClick(box.SSCommand(9), Qt::LeftButton);
    QTest::mouseClick(box.SSCommand(9), Qt::LeftButton);
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("`M hi\n`B\n`B\n"));
    QCOMPARE(f.text1().textCursor().position(), 0); // the caret goes back to the start
    QVERIFY(f.scripter->ScriptChanged);
}

void TestFindReplaceToolBox::everyButtonAppendsItsTextAndShowsItsCaption()
{
    ToolBoxWindow &box = toolBox();
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    // Mouse-over captions stay until another button replaces them.
    QTest::mouseMove(box.SSCommand(12), QPoint(4, 4));
    QTRY_COMPARE(box.Label1()->text(), QStringLiteral("WAIT - `W # of seconds"));
    QTest::mouseMove(&box, QPoint(2, 230));
    QTest::mouseMove(box.SSCommand(13), QPoint(4, 4));
    QTRY_COMPARE(box.Label1()->text(), QStringLiteral("Close App / Window"));

    // The line break only where it belongs: not after a modifier.
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
    ToolBoxWindow &box = toolBox();
    for (int number = 21; number <= 24; ++number)
        QTest::mousePress(box.SSCommand(number), Qt::RightButton);
    QVERIFY(f.dialogs().boxes.isEmpty());

    QTest::mousePress(box.SSCommand(1), Qt::RightButton, Qt::ShiftModifier);
    QCOMPARE(boxTexts(f.dialogs()), QStringList{QStringLiteral("Using the {ENTER} in a script "
                                                               "will send the enter key to a "
                                                               "running application.")});
    QCOMPARE(f.dialogs().boxes.first().buttons, MessageButtons::Ok);
    QVERIFY(f.text1().toPlainText().isEmpty()); // a right press appends nothing
}

void TestFindReplaceToolBox::toolBoxPositionFile()
{
    writeBytes(f.path(QStringLiteral("toolbox.ini")), " 1500 \r\n 750 \r\n");
    ToolBoxWindow &box = toolBox();
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
