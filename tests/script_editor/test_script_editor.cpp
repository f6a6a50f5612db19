// The Velmora window on the fake platform: the document on disk, the running
// guard, closing, the settings file, fonts, clipboard, printing to PDF, the tool
// buttons, menus, clock, resizing and highlighting.

#include "scripteditorfixture.h"

#include "threedbutton.h"
#include "toolbox.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

using namespace korvane;
using namespace korvane::editor;
using namespace korvane::editor::testing;

class TestScripter : public QObject
{
    Q_OBJECT

    ScripterFixture f;

private slots:
    void init() { f.setUp(); }
    void cleanup() { f.tearDown(); }

    void saveOpenSaveGrowsByOneCrLfAndTrimsBlanks();
    void cancelledDialogsLeaveThePatternName();
    void savePromptOnNewAndClose();
    void fileCommandsRefuseWhileAScriptWaits();
    void closeWritesScripterIniAndReopeningLoadsAfresh();
    void scripterIniIsReadLeniently();
    void fontsDialogPresetsAndApplies();
    void clipboardCommandsMarkChanged();
    void characterCountCountsCrLf();
    void toolButtonsShowStatusAndShiftSaveIsSaveAs();
    void menuShortcutsAndExit();
    void clockShowsTwelveHourTime();
    void resizeFollowsWindowAndIgnoresNegativeSizes();
    void printRefusesBlankTextAndWritesHeadingAndTextToPdf();
    void highlightingNeverChangesTheText();
    void helpAndAboutMenus();
};

void TestScripter::saveOpenSaveGrowsByOneCrLfAndTrimsBlanks()
{
    f.type(QStringLiteral("  `M hello\n\t{TAB}  "));
    const QString file = f.saveAs(QStringLiteral("round.vlm"));
    QCOMPARE(f.dialogs().savePresets, QStringList{QStringLiteral("*.vlm")});
    QCOMPARE(readBytes(file), QByteArray("`M hello\r\n\t{TAB}\r\n"));
    QCOMPARE(f.scripter->windowTitle(), QStringLiteral("Velmora - ") + file.toUpper());

    f.dialogs().openChoices.enqueue(QStringLiteral("  ") + file + QStringLiteral(" "));
    f.scripter->open_Click();
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("`M hello\n\t{TAB}\n"));
    QCOMPARE(f.scripter->Label1()->text(), QStringLiteral(" 18 Characters"));
    QVERIFY(!f.scripter->ScriptChanged);
    f.scripter->saveScript();
    QCOMPARE(readBytes(file), QByteArray("`M hello\r\n\t{TAB}\r\n\r\n"));
    QVERIFY(f.dialogs().boxes.isEmpty());

    // Old scripts in Windows-1252 open, and are saved in UTF-8.
    const QString old = f.path(QStringLiteral("old.vlm"));
    writeBytes(old, QByteArray("`M \x93"
                               "caf\xe9\x94\r\n"));
    f.dialogs().openChoices.enqueue(old);
    f.scripter->open_Click();
    f.scripter->saveScript();
    QCOMPARE(readBytes(old), QStringLiteral("`M \u201ccaf\u00e9\u201d\r\n\r\n").toUtf8());

    // Opening a missing name creates it.
    const QString fresh = f.path(QStringLiteral("fresh.vlm"));
    f.dialogs().openChoices.enqueue(fresh);
    f.scripter->open_Click();
    QCOMPARE(readBytes(fresh), QByteArray());
    QCOMPARE(f.scripter->windowTitle(), QStringLiteral("Velmora - ") + fresh.toUpper());
}

void TestScripter::cancelledDialogsLeaveThePatternName()
{
    f.saveAs(QStringLiteral("kept.vlm"));
    const QString caption = f.scripter->windowTitle();
    f.type(QStringLiteral("abc"));
    f.dialogs().answers.enqueue(MessageAnswer::No); // do not save
    f.scripter->open_Click();                       // and cancel the dialog
    QCOMPARE(boxTexts(f.dialogs()), QStringList{kSavePrompt});
    QCOMPARE(f.dialogs().boxes.first().buttons, MessageButtons::YesNoCancel);
    QVERIFY(f.text1().toPlainText().isEmpty());
    QCOMPARE(f.scripter->ScriptFileName, QStringLiteral("*.vlm"));
    QCOMPARE(f.scripter->windowTitle(), caption);
    QVERIFY(f.scripter->ScriptChanged);
    // With an empty editor a cancelled Open changes nothing.
    f.scripter->new_Click();
    f.scripter->open_Click();
    QVERIFY(!f.scripter->ScriptChanged);

    // A cancelled Save As writes nothing, silently; Save to the pattern then fails.
    QVERIFY(QFile::remove(f.path(QStringLiteral("kept.vlm"))));
    f.dialogs().boxes.clear();
    f.type(QStringLiteral("`B"));
    f.scripter->saveas_Click();
    QCOMPARE(f.scripter->ScriptFileName, QStringLiteral("*.vlm"));
    QCOMPARE(f.scripter->windowTitle(), QStringLiteral("Velmora - Untitled"));
    QVERIFY(f.dialogs().boxes.isEmpty());
    f.scripter->saveScript();
    QCOMPARE(f.dialogs().boxes.size(), 1);
    QVERIFY(!f.dialogs().boxes.last().text.isEmpty());
    QVERIFY(QDir(f.dir->path()).entryList(QDir::Files).isEmpty());

    // A name under a plain file cannot be written either: the system's reason.
    writeBytes(f.path(QStringLiteral("plain")), "x");
    f.scripter->ScriptFileName = f.path(QStringLiteral("plain/inner.vlm"));
    f.scripter->saveScript();
    QCOMPARE(f.dialogs().boxes.size(), 2);
    QVERIFY(!f.dialogs().boxes.last().text.isEmpty());
}

void TestScripter::savePromptOnNewAndClose()
{
    const QString file = f.saveAs(QStringLiteral("p.vlm"));
    f.scripter->show();
    f.type(QStringLiteral("one"));
    f.dialogs().answers.enqueue(MessageAnswer::Cancel);
    f.scripter->new_Click();
    f.dialogs().answers.enqueue(MessageAnswer::Cancel);
    QVERIFY(!f.scripter->close());
    QVERIFY(f.scripter->isVisible());
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("one"));
    QVERIFY(!QFile::exists(f.path(QStringLiteral("Scripter.ini"))));

    f.dialogs().answers.enqueue(MessageAnswer::Yes);
    f.scripter->new_Click();
    QCOMPARE(readBytes(file), QByteArray("one\r\n"));
    QVERIFY(f.text1().toPlainText().isEmpty());
    QVERIFY(f.scripter->ScriptFileName.isEmpty());
    QCOMPARE(f.scripter->windowTitle(), QStringLiteral("Velmora - Untitled"));
    QVERIFY(!f.scripter->ScriptChanged);
    QCOMPARE(boxTexts(f.dialogs()), QStringList(3, kSavePrompt));
}

void TestScripter::fileCommandsRefuseWhileAScriptWaits()
{
    f.type(QStringLiteral("`W 30\n`S after.txt"));
    const QString file = f.saveAs(QStringLiteral("wait.vlm"));
    f.type(QStringLiteral("\nedited"));
    const QString text = f.text1().toPlainText();
    f.dialogs().answers.enqueue(MessageAnswer::No); // run the file as saved

    bool acted = false;
    f.platform->loop.onYield = [&] {
        if (acted)
            return;
        acted = true;
        f.scripter->new_Click();
        f.scripter->open_Click();
        f.scripter->saveScript();
        f.scripter->saveas_Click();
        f.scripter->print_Click();
        f.scripter->printsetup_Click();
        f.scripter->Command2_Click(); // stop
    };
    f.scripter->Command2_Click();

    QCOMPARE(boxTexts(f.dialogs()).mid(1), QStringList(6, kScriptExecuting));
    QCOMPARE(f.text1().toPlainText(), text);
    QCOMPARE(f.scripter->ScriptFileName, file);
    QVERIFY(f.dialogs().openPresets.isEmpty());
    QCOMPARE(f.dialogs().savePresets.size(), 1);
    QCOMPARE(f.dialogs().printerDialogs, 0);
    QVERIFY(!QFile::exists(f.path(QStringLiteral("after.txt"))));
    QCOMPARE(f.scripter->Command2()->text(), QStringLiteral("&Run Script"));
    QVERIFY(f.scripter->Check1()->isEnabled());
}

void TestScripter::closeWritesScripterIniAndReopeningLoadsAfresh()
{
    f.scripter->move(80, 40);
    f.scripter->show();
    f.dialogs().fontChoices.enqueue({QStringLiteral("DejaVu Sans"), 12, false, false, 0x0000ff});
    f.scripter->Fonts_Click();
    f.scripter->display_tools_Click();
    f.scripter->toolBox()->move(30, 60);

    f.type(QStringLiteral("x"));
    f.dialogs().answers.enqueue(MessageAnswer::No);
    QVERIFY(f.scripter->close());
    QCOMPARE(readBytes(f.path(QStringLiteral("Scripter.ini"))),
             QByteArray("DejaVu Sans\r\n 12 \r\n 255 \r\n 1200 \r\n 600 \r\n"));
    QTRY_VERIFY(!f.scripter->toolBox());
    QCOMPARE(readBytes(f.path(QStringLiteral("toolbox.ini"))), QByteArray(" 450 \r\n 900 \r\n"));

    writeBytes(f.path(QStringLiteral("Scripter.ini")), "DejaVu Serif\r\n");
    f.scripter->showWindow();
    QVERIFY(f.scripter->isVisible());
    QVERIFY(f.text1().toPlainText().isEmpty());
    QVERIFY(!f.scripter->ScriptChanged);
    QCOMPARE(f.text1().font().family(), QStringLiteral("DejaVu Serif"));
    QVERIFY(f.scripter->Timer1()->isActive());
}

void TestScripter::scripterIniIsReadLeniently()
{
    const QFont defaults = f.text1().font();
    writeBytes(f.path(QStringLiteral("Scripter.ini")),
               "  DejaVu Serif  \r\n 9.75 \r\n 65280 \r\n 300xyz\r\n");
    ScriptEditorWindow scripter(*f.platform);
    QCOMPARE(scripter.List1()->font().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(scripter.Text1()->font().pointSizeF(), 9.75);
    QCOMPARE(scripter.Text1()->palette().color(QPalette::Text), QColor(0, 255, 0));
    QCOMPARE(scripter.pos(), QPoint(20, 0));

    // Unreadable size and colour leave the defaults; a line without a number is 0.
    writeBytes(f.path(QStringLiteral("Scripter.ini")), "\r\nbig\r\nred\r\nleft\r\n 150 \r\n");
    ScriptEditorWindow second(*f.platform);
    QCOMPARE(second.Text1()->font().family(), defaults.family());
    QCOMPARE(second.Text1()->font().pointSizeF(), defaults.pointSizeF());
    QCOMPARE(second.Text1()->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(second.pos(), QPoint(0, 10));
}

void TestScripter::fontsDialogPresetsAndApplies()
{
    QFont start(QStringLiteral("DejaVu Sans Mono"));
    start.setPointSizeF(11);
    f.text1().setFont(start);
    f.scripter->Fonts_Click(); // cancelled
    const FakeDialogs::FontRequest request = f.dialogs().fontRequests.value(0);
    QVERIFY(request.options.testFlag(FontDialogOption::Effects)); // the colour is offered
    QCOMPARE(request.preset.name, QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(request.preset.size, 11.0);
    QCOMPARE(f.text1().font().family(), QStringLiteral("DejaVu Sans Mono"));

    f.dialogs().fontChoices.enqueue({QStringLiteral("DejaVu Serif"), 15, true, true, 0x804020});
    f.scripter->Fonts_Click();
    for (QWidget *widget : {static_cast<QWidget *>(f.scripter->Text1()),
                            static_cast<QWidget *>(f.scripter->List1())}) {
        QCOMPARE(widget->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(widget->font().pointSizeF(), 15.0);
        QVERIFY(widget->font().bold() && widget->font().italic());
        QCOMPARE(widget->palette().color(QPalette::Text), QColor(0x20, 0x40, 0x80));
    }
}

void TestScripter::clipboardCommandsMarkChanged()
{
    f.text1().setPlainText(QStringLiteral("ab\ncd"));
    f.scripter->ScriptChanged = false;
    f.text1().selectAll();
    f.scripter->Copy_Click();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ab\ncd"));
    QVERIFY(!f.scripter->ScriptChanged);
    f.scripter->cut_Click();
    QVERIFY(f.text1().toPlainText().isEmpty());
    QVERIFY(f.scripter->ScriptChanged);

    f.scripter->ScriptChanged = false;
    f.scripter->paste_Click();
    f.scripter->paste_Click();
    QCOMPARE(f.text1().toPlainText(), QStringLiteral("ab\ncdab\ncd"));
    QVERIFY(f.scripter->ScriptChanged);
}

void TestScripter::characterCountCountsCrLf()
{
    f.scripter->show();
    f.type(QStringLiteral("abc"));
    QVERIFY(f.scripter->Label1()->text().isEmpty()); // not while typing
    QTest::mouseMove(f.text1().viewport(), QPoint(5, 5));
    QTRY_COMPARE(f.scripter->Label1()->text(), QStringLiteral(" 3 Characters"));
    f.type(QStringLiteral("\nd"));
    f.scripter->showCharacterCount();
    QCOMPARE(f.scripter->Label1()->text(), QStringLiteral(" 6 Characters"));
}

void TestScripter::toolButtonsShowStatusAndShiftSaveIsSaveAs()
{
    f.scripter->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.scripter.get()));
    QTest::mouseMove(f.scripter->SSCommand(1), QPoint(5, 5));
    QTRY_COMPARE(f.scripter->Label2()->text(), QStringLiteral("Open Existing Script"));
    QTest::mouseMove(f.scripter->centralWidget(), QPoint(400, 250));
    QTRY_VERIFY(f.scripter->Label2()->text().isEmpty());

    // Shift + left press on Save: Save As, and no plain Save after it.
    f.type(QStringLiteral("`B"));
    f.dialogs().saveChoices.enqueue(f.path(QStringLiteral("shift.vlm")));
    QTest::mouseClick(f.scripter->SSCommand(3), Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(readBytes(f.path(QStringLiteral("shift.vlm"))), QByteArray("`B\r\n"));
    QVERIFY(f.dialogs().boxes.isEmpty());
    // A plain click on Save saves to the name.
    f.type(QStringLiteral("\n`U"));
    QTest::mouseClick(f.scripter->SSCommand(3), Qt::LeftButton);
    QCOMPARE(readBytes(f.path(QStringLiteral("shift.vlm"))), QByteArray("`B\r\n`U\r\n"));
    QCOMPARE(f.dialogs().savePresets.size(), 1);
}

void TestScripter::menuShortcutsAndExit()
{
    const QList<std::pair<const char *, const char *>> shortcuts = {
        {"run_script", "F5"}, {"display_tools", "F6"}, {"save", "F7"},
        {"fonts", "F8"},      {"FindNext", "F3"},      {"cut", "Ctrl+X"}};
    for (const auto &[name, keys] : shortcuts)
        QCOMPARE(f.scripter->findChild<QAction *>(name)->shortcut(), QKeySequence(keys));
    QCOMPARE(f.scripter->findChild<QAction *>(QStringLiteral("saveas"))->text(),
             QStringLiteral("Save &As"));

    // Exit closes the window through its closing sequence.
    f.scripter->show();
    f.type(QStringLiteral("x"));
    f.dialogs().answers.enqueue(MessageAnswer::No);
    f.scripter->findChild<QAction *>(QStringLiteral("exit"))->trigger();
    QVERIFY(!f.scripter->isVisible());
    QCOMPARE(boxTexts(f.dialogs()), QStringList{kSavePrompt});
}

void TestScripter::clockShowsTwelveHourTime()
{
    QCOMPARE(f.scripter->Label4()->text(), QStringLiteral("10:00 AM"));
    const QList<std::pair<QTime, QString>> cases = {{QTime(15, 5), QStringLiteral("3:05 PM")},
                                                    {QTime(0, 7), QStringLiteral("12:07 AM")},
                                                    {QTime(12, 30), QStringLiteral("12:30 PM")}};
    for (const auto &[time, shown] : cases) {
        f.platform->time.current = QDateTime(QDate(2026, 3, 1), time);
        f.scripter->Timer1_Timer();
        QCOMPARE(f.scripter->Label4()->text(), shown);
    }
}

void TestScripter::resizeFollowsWindowAndIgnoresNegativeSizes()
{
    f.scripter->show();
    QWidget *client = f.scripter->centralWidget();
    f.scripter->resize(600, 500);
    QTRY_COMPARE(f.scripter->Text1()->width(), (client->width() * 15 + 75 - 300) / 15);
    QCOMPARE(f.scripter->Text1()->height(), (client->height() * 15 + 730 - 1960) / 15);
    QCOMPARE(f.scripter->List1()->height(), (client->height() * 15 + 730 - 1860) / 15);

    f.scripter->hide();
    const int textHeight = f.scripter->Text1()->height();
    const int listHeight = f.scripter->List1()->height();
    client->resize(15, 40); // both height formulas come out negative
    f.scripter->Form_Resize();
    QCOMPARE(f.scripter->Text1()->width(), 0);
    QCOMPARE(f.scripter->Text1()->height(), textHeight);
    QCOMPARE(f.scripter->List1()->height(), listHeight);
}

void TestScripter::printRefusesBlankTextAndWritesHeadingAndTextToPdf()
{
    const QString pdf = f.path(QStringLiteral("out.pdf"));
    f.scripter->printer().setOutputFileName(pdf);
    f.type(QStringLiteral("   "));
    f.scripter->print_Click();
    QCOMPARE(boxTexts(f.dialogs()), QStringList{QStringLiteral("There is nothing to print!")});
    QVERIFY(!QFile::exists(pdf));
    // Print Setup hands the printer to the printer dialog.
    f.scripter->printsetup_Click();
    QCOMPARE(f.dialogs().printerDialogs, 1);

    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QStringList lines = {QStringLiteral("`M hello printer")};
    for (int i = 1; i <= 120; ++i)
        lines.append(QStringLiteral("line %1").arg(i));
    f.text1().setPlainText(lines.join(u'\n'));
    const QString script = f.saveAs(QStringLiteral("printed.vlm"));
    f.scripter->print_Click();
    QCOMPARE(f.dialogs().boxes.size(), 1);

    QProcess process;
    process.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(process.waitForFinished(30000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    const qsizetype heading = text.indexOf(script);
    QVERIFY2(heading >= 0, qPrintable(text.left(400)));
    QVERIFY(text.indexOf(QStringLiteral("`M hello printer")) > heading);
    QVERIFY(text.contains(QStringLiteral("line 120")));
    QVERIFY(text.count(u'\f') >= 2); // 120 lines do not fit on one page
}

void TestScripter::highlightingNeverChangesTheText()
{
    const QString file = f.path(QStringLiteral("colours.vlm"));
    const QByteArray bytes = "`* a comment\r\n`SET some text\r\n%{F4}+(ab)\r\n`u\r\n";
    writeBytes(file, bytes);
    f.dialogs().openChoices.enqueue(file);
    f.scripter->open_Click();
    f.scripter->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.scripter.get()));
    QVERIFY(!f.scripter->ScriptChanged);

    const auto formats = [&](int block) {
        return f.text1().document()->findBlockByNumber(block).layout()->formats();
    };
    QVERIFY(formats(0).size() == 1 && formats(0).first().length == 12);
    QCOMPARE(formats(1).first().length, 4); // "`SET"
    QVERIFY(formats(1).first().format != formats(1).last().format);
    QCOMPARE(formats(2).size(), 4); // %, {F4}, "+(" (one run), )
    QCOMPARE(formats(2).at(1).length, 4);
    QCOMPARE(formats(3).size(), 1); // "`u": the name alone

    f.scripter->saveScript();
    QCOMPARE(readBytes(file), bytes + "\r\n");
}

void TestScripter::helpAndAboutMenus()
{
    f.scripter->get_help_Click();
    QCOMPARE(boxTexts(f.dialogs()),
             QStringList{QStringLiteral("To get help on any item just click the RIGHT mouse "
                                        "button on the item you wish to view help on.")});
    f.scripter->AboutMenu_Click(); // unset: nothing happens
    int abouts = 0;
    f.scripter->setShowAbout([&abouts] { ++abouts; });
    f.scripter->findChild<QAction *>(QStringLiteral("AboutMenu"))->trigger();
    QCOMPARE(abouts, 1);
}

QTEST_MAIN(TestScripter)
#include "test_script_editor.moc"
