// SPDX-License-Identifier: GPL-3.0-or-later
// The Velmora window on the fake platform, in a temporary folder that is both the
// Application folder and the current directory (where the .ini files go): the
// document on disk, the running guard, closing and the settings files, fonts,
// clipboard, printing to PDF, tool buttons, clock and layout, find and replace,
// and the tool box.

#include "fakeplatform.h"
#include "findreplace.h"
#include "scripteditorwindow.h"
#include "testhome.h"
#include "threedbutton.h"
#include "toolbox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

using namespace korvane;
using namespace korvane::editor;
using namespace Qt::StringLiterals;

class TestScriptEditor : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::TempHome> m_home;
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<ScriptEditorWindow> m_editor;

    QString path(const QString &name) const { return m_home->file(name); }
    FakeDialogs &dialogs() { return m_platform->dialog; }
    QPlainTextEdit &text() { return *m_editor->scriptText(); }
    // Types at the caret as the user would (marks the script changed).
    void type(const QString &typed) { text().insertPlainText(typed); }
    QStringList boxes() const
    {
        QStringList texts;
        for (const FakeDialogs::Box &box : m_platform->dialog.boxes)
            texts.append(box.text);
        return texts;
    }
    QString saveAs(const QString &name)
    {
        dialogs().saveChoices.enqueue(path(name));
        m_editor->saveScriptAs();
        return path(name);
    }
    // Opens a script holding `bytes`, dropping any edits without a trace, with
    // the caret at `anchor` or `anchor` to `position` selected.
    QString open(const QByteArray &bytes, int anchor = 0, int position = -1)
    {
        const qsizetype shown = dialogs().boxes.size();
        dialogs().answers.enqueue(MessageAnswer::No);
        m_home->write(u"open.vlm"_s, bytes);
        dialogs().openChoices.enqueue(path(u"open.vlm"_s));
        m_editor->openScript();
        dialogs().answers.clear();
        dialogs().boxes.resize(shown);
        QTextCursor cursor(text().document());
        cursor.setPosition(anchor);
        cursor.setPosition(position < 0 ? anchor : position, QTextCursor::KeepAnchor);
        text().setTextCursor(cursor);
        return path(u"open.vlm"_s);
    }
    ReplaceDialog &replaceDialog(const QString &find, const QString &replacement)
    {
        m_editor->showReplaceDialog();
        m_editor->replaceDialog()->findField()->setText(find);
        m_editor->replaceDialog()->replacementField()->setText(replacement);
        return *m_editor->replaceDialog();
    }
    ToolBoxWindow &toolBox()
    {
        m_editor->showToolBox();
        return *m_editor->toolBox();
    }

private slots:
    void init()
    {
        m_home.reset(); // gives back the previous folder before the next is entered
        m_home = std::make_unique<test::TempHome>();
        m_platform = std::make_unique<FakePlatform>();
        m_editor = std::make_unique<ScriptEditorWindow>(*m_platform);
    }
    void cleanup() { m_editor.reset(); }

    void saveOpenSaveGrowsByOneCrLfAndTrimsBlanks()
    {
        type(u"  `M hello\n\t{TAB}  "_s);
        const QString file = saveAs(u"round.vlm"_s);
        QCOMPARE(dialogs().savePresets, QStringList{u"*.vlm"_s});
        QCOMPARE(m_home->read(file), QByteArray("`M hello\r\n\t{TAB}\r\n"));
        QCOMPARE(m_editor->windowTitle(), u"Velmora - "_s + file.toUpper());

        dialogs().openChoices.enqueue(u"  "_s + file + u" "_s);
        m_editor->openScript();
        QCOMPARE(text().toPlainText(), u"`M hello\n\t{TAB}\n"_s);
        QVERIFY(m_editor->countLabel()->text() == u" 18 Characters"_s &&
                !m_editor->scriptChanged());
        m_editor->saveScript();
        QCOMPARE(m_home->read(file), QByteArray("`M hello\r\n\t{TAB}\r\n\r\n"));

        // Old scripts in Windows-1252 open, and are saved in UTF-8.
        const QString old = open("`M \x93"
                                 "caf\xe9\x94\r\n");
        m_editor->saveScript();
        QCOMPARE(m_home->read(old), u"`M \u201ccaf\u00e9\u201d\r\n\r\n"_s.toUtf8());
        QVERIFY(dialogs().boxes.isEmpty());

        // The open dialog takes a new name, which is created empty and shown.
        dialogs().openChoices.enqueue(path(u"fresh.vlm"_s));
        m_editor->openScript();
        QCOMPARE(m_home->read(u"fresh.vlm"_s), QByteArray());
        QCOMPARE(dialogs().openAccepts.last(), OpenFileName::ExistingOrNew);
        QCOMPARE(m_editor->windowTitle(), u"Velmora - "_s + path(u"fresh.vlm"_s).toUpper());
    }

    // Leaving a changed script by Exit, New, Open or the debug view asks to save
    // it. Cancel, or a save that is cancelled or fails, keeps the window open with
    // the text, still marked changed.
    void savePromptAndCancelledDialogs()
    {
        const QList<std::pair<MessageAnswer, QString>> ways{{MessageAnswer::Cancel, {}},
                                                            {MessageAnswer::Yes, {}},
                                                            {MessageAnswer::Yes, u"gone/x"_s}};
        for (const auto &[answer, name] : ways) {
            for (const char *leave : {"exit", "newScript", "openScript", "debug"}) {
                m_editor = std::make_unique<ScriptEditorWindow>(*m_platform);
                m_editor->show();
                if (!name.isEmpty())
                    saveAs(name); // in a folder that does not exist
                type(u"keep me"_s);
                dialogs().answers.enqueue(answer);
                if (leave == "debug"_L1) // its save comes first, then Exit
                    m_editor->debugCheck()->setChecked(true), leave = "exit";
                m_editor->findChild<QAction *>(QLatin1String(leave))->trigger();
                QVERIFY(m_editor->isVisible() && text().toPlainText() == u"keep me"_s &&
                        m_editor->scriptChanged() && m_editor->debugList()->isHidden() &&
                        dialogs().openPresets.isEmpty());
            }
        }
        QVERIFY(boxes().contains(
            u"Cannot save %1: No such file or directory"_s.arg(path(u"gone/x"_s))));
        dialogs().boxes.clear();
        m_editor = std::make_unique<ScriptEditorWindow>(*m_platform);
        const QString file = saveAs(u"p.vlm"_s);
        type(u"one"_s);
        dialogs().answers.enqueue(MessageAnswer::Yes);
        m_editor->newScript();
        QCOMPARE(m_home->read(file), QByteArray("one\r\n"));
        QVERIFY(text().toPlainText().isEmpty() && m_editor->fileName().isEmpty());
        QCOMPARE(m_editor->windowTitle(), kUntitledCaption);

        // A cancelled Open leaves the dialog's pattern as the name, and the text
        // emptied: an edit.
        type(u"abc"_s);
        dialogs().answers.enqueue(MessageAnswer::No);
        m_editor->openScript();
        QCOMPARE(boxes(), QStringList(2, kSavePrompt));
        QCOMPARE(dialogs().boxes.first().buttons, MessageButtons::YesNoCancel);
        QVERIFY(text().toPlainText().isEmpty() && m_editor->scriptChanged());
        QCOMPARE(m_editor->fileName(), u"*.vlm"_s);
        // A cancelled Save As writes nothing, silently; Save to the pattern then
        // fails with a message.
        m_editor->saveScriptAs();
        QCOMPARE(boxes().size(), 2);
        m_editor->saveScript();
        QVERIFY(boxes().size() == 3 && boxes().last().startsWith(u"Cannot save *.vlm: "_s));
        QCOMPARE(QDir(m_home->path()).entryList(QDir::Files), QStringList{u"p.vlm"_s});
    }

    // Typing reaches the text as the window opens, after New and Open (even from
    // another control) and when the debug view closes.
    void keysGoToTheText()
    {
        const QString file = open("`B\r\n");
        QCheckBox *debug = m_editor->debugCheck();
        const QList<std::pair<QString, std::function<void()>>> rows{
            {u"ab`B\n"_s, [&] { m_editor->showWindow(); }},
            {u"ab"_s, [&] { m_editor->newScript(); }},
            {u"ab`B\n"_s, [&] { dialogs().openChoices.enqueue(file), m_editor->openScript(); }},
            {u"ab`B\n"_s, [&] { debug->setChecked(true), debug->setChecked(false); }}};
        for (const auto &[typed, act] : rows) {
            open("`B\r\n");
            m_editor->runButton()->setFocus();
            act();
            QVERIFY(QTest::qWaitForWindowActive(m_editor.get()));
            QTest::keyClicks(QApplication::focusWidget(), u"ab"_s);
            QCOMPARE(text().toPlainText(), typed);
        }
    }

    void fileCommandsRefuseWhileAScriptRuns()
    {
        type(u"`W 30\n`S after.txt"_s);
        const QString file = saveAs(u"wait.vlm"_s);
        type(u"\nedited"_s);
        m_editor->show();
        dialogs().answers.enqueue(MessageAnswer::No); // run the file as saved
        bool acted = false;
        m_platform->loop.onYield = [&] {
            if (std::exchange(acted, true))
                return;
            QVERIFY(m_editor->runButton()->text() == kStopCaption &&
                    !m_editor->debugCheck()->isEnabled());
            for (const char *command : {"newScript", "openScript", "saveScript", "saveScriptAs",
                                        "printScript", "printSetup"})
                m_editor->findChild<QAction *>(QLatin1String(command))->trigger();
            dialogs().answers.enqueue(MessageAnswer::No);
            QVERIFY(m_editor->close()); // without saving; stops the run
            // The button reads Run at once; the debug box waits for the run to wind down.
            QVERIFY(m_editor->runButton()->text() == kRunCaption &&
                    !m_editor->debugCheck()->isEnabled());
        };
        m_editor->runButton()->click();

        QCOMPARE(boxes().mid(1), QStringList(6, kScriptExecuting) << kSavePrompt);
        QVERIFY(text().toPlainText().endsWith(u"edited"_s) && m_editor->fileName() == file);
        QVERIFY(!QFile::exists(path(u"after.txt"_s))); // the run was stopped
        QVERIFY(dialogs().openPresets.isEmpty() && dialogs().printerDialogs == 0 &&
                dialogs().savePresets.size() == 1 && m_editor->debugCheck()->isEnabled());
    }

    void closeWritesTheSettingsFilesAndReopeningLoadsAfresh()
    {
        m_editor->move(80, 40);
        m_editor->show();
        dialogs().fontChoices.enqueue({u"DejaVu Sans"_s, 12, true, true, 0xff});
        m_editor->chooseFont();
        m_editor->chooseFont(); // cancelled: presets, and changes nothing
        const FakeDialogs::FontRequest request = dialogs().fontRequests.value(1);
        QVERIFY(request.options.testFlag(FontDialogOption::Effects)); // the colour is offered
        QVERIFY(request.preset.name == u"DejaVu Sans"_s && request.preset.size == 12 &&
                request.preset.bold && request.preset.italic && request.preset.colour == 0xff);
        toolBox().move(30, 60);
        type(u"x"_s);
        dialogs().answers.enqueue(MessageAnswer::No);
        QVERIFY(m_editor->close());
        QCOMPARE(m_home->read(u"Scripter.ini"_s),
                 QByteArray("DejaVu Sans\r\n 12 \r\n 255 \r\n 1200 \r\n 600 \r\n"));
        QTRY_VERIFY(!m_editor->toolBox());
        QCOMPARE(m_home->read(u"toolbox.ini"_s), QByteArray(" 450 \r\n 900 \r\n"));
        m_home->write(u"toolbox.ini"_s, " 300 "); // a missing line counts as 0
        QCOMPARE(toolBox().pos(), QPoint(20, 0));

        // Read leniently: blanks around, a number before other text.
        m_home->write(u"Scripter.ini"_s, "  DejaVu Serif  \r\n 9.75 \r\n 65280 \r\n 300xyz\r\n");
        m_editor->showWindow();
        QVERIFY(text().toPlainText().isEmpty() && !m_editor->scriptChanged());
        QCOMPARE(m_editor->debugList()->font().toString().section(u',', 0, 1),
                 u"DejaVu Serif,9.75"_s);
        QCOMPARE(text().palette().color(QPalette::Text), QColor(0, 255, 0));
        QCOMPARE(m_editor->pos(), QPoint(20, 0));
        QVERIFY(m_editor->clockTimer()->isActive());
    }

    void debugViewListsTheSavedScriptAndFollowsTheRun()
    {
        open("`* a\r\n`* b\r\n");
        type(u"`B\n"_s);
        dialogs().answers.enqueue(MessageAnswer::No); // the edit must be saved first: no
        m_editor->debugCheck()->setChecked(true);
        QVERIFY(!m_editor->debugCheck()->isChecked() && m_editor->debugList()->isHidden());
        m_editor->debugCheck()->setChecked(true); // yes: saved, then listed
        // The saved file ends in an empty line.
        QVERIFY(m_editor->debugList()->count() == 4 && !m_editor->debugList()->isHidden());
        QVERIFY(m_editor->debugList()->item(0)->text() == u"`B"_s && !m_editor->scriptChanged());
        m_editor->onRunClicked();
        QCOMPARE(m_editor->debugList()->currentRow(), 3);
        QCOMPARE(m_platform->player.beeps, 1);
        // A line that failed as the run went on shows until the next run starts.
        const QString problem = u"cannot start nosuch: No such file or directory"_s;
        m_editor->reportProblem(2, problem);
        QCOMPARE(m_editor->statusLabel()->toolTip(), u"Line 2: "_s + problem);
        QVERIFY(m_editor->statusLabel()->text().startsWith(u"Line 2: c"_s));
        m_editor->onRunClicked();
        QVERIFY(m_editor->statusLabel()->text().isEmpty() &&
                m_editor->statusLabel()->toolTip().isEmpty());
    }

    void clipboardAndCharacterCount()
    {
        open("ab\r\ncd");
        text().selectAll();
        m_editor->copyText();
        QVERIFY(QGuiApplication::clipboard()->text() == u"ab\ncd"_s && !m_editor->scriptChanged());
        m_editor->cutText();
        QVERIFY(text().toPlainText().isEmpty() && m_editor->scriptChanged());
        m_editor->pasteText();
        m_editor->pasteText();
        QCOMPARE(text().toPlainText(), u"ab\ncdab\ncd"_s);

        // The count follows the pointer over the text, each line break counting two.
        m_editor->show();
        m_editor->countLabel()->clear();
        QTest::mouseMove(text().viewport(), QPoint(5, 5));
        QTRY_COMPARE(m_editor->countLabel()->text(), u" 12 Characters"_s);
    }

    void toolButtonsShowStatusAndShiftSaveIsSaveAs()
    {
        m_editor->show();
        QTest::mouseMove(m_editor->toolButton(ToolButton::Open), QPoint(5, 5));
        QTRY_COMPARE(m_editor->statusLabel()->text(), u"Open Existing Script"_s);

        // Shift + left press on Save: Save As, and no plain Save after it (which
        // would fail loudly on the pattern a cancelled Save As leaves).
        type(u"`B"_s);
        ThreeDButton *save = m_editor->toolButton(ToolButton::Save);
        QTest::mouseClick(save, Qt::LeftButton, Qt::ShiftModifier);
        dialogs().saveChoices.enqueue(path(u"shift.vlm"_s));
        QTest::mouseClick(save, Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(m_home->read(u"shift.vlm"_s), QByteArray("`B\r\n"));
        type(u"\n`U"_s);
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(m_home->read(u"shift.vlm"_s), QByteArray("`B\r\n`U\r\n"));
        QVERIFY(dialogs().boxes.isEmpty() && dialogs().savePresets.size() == 2);
    }

    void clockShowsTwelveHourTime()
    {
        m_platform->time.current = QDateTime(QDate(2026, 3, 1), QTime(0, 7));
        QVERIFY(QMetaObject::invokeMethod(m_editor->clockTimer(), "timeout"));
        QCOMPARE(m_editor->clockLabel()->text(), u"12:07 AM"_s);
    }

    void printRefusesBlankTextAndWritesHeadingAndTextToPdf()
    {
        const QString pdf = path(u"out.pdf"_s);
        m_editor->printer().setOutputFileName(pdf);
        type(u"   "_s);
        m_editor->printScript();
        m_editor->showPrintSetup();
        QVERIFY(boxes() == QStringList{kNothingToPrint} && dialogs().printerDialogs == 1);

        const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_s);
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        text().setPlainText(u"`M hello printer\n"_s + u"line\n"_s.repeated(119) + u"last line"_s);
        const QString script = saveAs(u"printed.vlm"_s);
        m_editor->printScript();
        QProcess process;
        process.start(pdftotext, {u"-layout"_s, pdf, u"-"_s});
        QVERIFY(process.waitForFinished(30000));
        const QString printed = QString::fromUtf8(process.readAllStandardOutput());
        const qsizetype heading = printed.indexOf(script);
        // The heading, the text below it; 121 lines do not fit on one page.
        QVERIFY(heading >= 0 && printed.indexOf(u"`M hello printer"_s) > heading);
        QVERIFY(printed.contains(u"last line"_s) && printed.count(u'\f') >= 2);
        QCOMPARE(boxes().size(), 1); // no failure shown
    }

    // Fonts sets the colour, weight and slant of the whole text. Every character
    // keeps them; command names, key names and modifier signs get emphasis on top.
    void highlightingKeepsTheChosenColourAndStyle()
    {
        open("`* a comment\r\n`SET some text\r\n%{F4}+(ab)\r\n`RD x\r\n");
        for (const FontChoice &font : {FontChoice{u"DejaVu Sans"_s, 11, false, false, 0xc00000},
                                       FontChoice{u"DejaVu Sans"_s, 11, true, true, 0x0080ff}}) {
            dialogs().fontChoices.enqueue(font);
            m_editor->chooseFont();
            QVERIFY(!m_editor->scriptChanged()); // marking the text afresh is no edit
            QString emphasis;
            for (QTextBlock block = text().document()->begin(); block.isValid();
                 block = block.next()) {
                QString marks(block.length(), u' ');
                for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
                    const QTextCharFormat &format = range.format; // over the chosen font
                    QVERIFY(!format.hasProperty(QTextFormat::ForegroundBrush) &&
                            !format.hasProperty(QTextFormat::FontItalic) &&
                            (!font.bold || !format.hasProperty(QTextFormat::FontWeight)));
                    if (format.hasProperty(QTextFormat::FontWeight) || format.fontUnderline())
                        marks.replace(range.start, range.length, QString(range.length, u'^'));
                }
                emphasis += marks.trimmed() + u'|';
            }
            QCOMPARE(emphasis, u"^^|^^^^|^^^^^^^  ^|^^^||"_s);
        }
    }

    void findRunsForwardCaseSensitiveWithoutWrapping()
    {
        open("xaAa");
        m_editor->showFindDialog();
        FindDialog *dialog = m_editor->findDialog();
        dialog->findField()->setText(u"a"_s);
        dialog->findNextButton()->click();
        QCOMPARE(text().textCursor().selectionStart(), 1);
        QCOMPARE(text().textCursor().selectedText(), u"a"_s);
        m_editor->findNext(); // F3: the last text found
        QCOMPARE(text().textCursor().selectionStart(), 3);
        m_editor->findNext();
        QCOMPARE(boxes(), QStringList{kSearchTextNotFound});
        QCOMPARE(text().textCursor().selectionStart(), 3); // the selection stays

        // A text that is not found does not become the last one.
        dialog->findField()->setText(u"A"_s);
        dialog->findNextButton()->click();
        QCOMPARE(m_editor->search().lastFindText(), u"a"_s);
    }

    void replaceNextReplacesAndMarksChanged()
    {
        open("cat cat");
        ReplaceDialog *dialog = &replaceDialog(u"cat"_s, u"dog"_s);
        dialog->replaceNextButton()->click();
        QCOMPARE(text().toPlainText(), u"dog cat"_s);
        QVERIFY(text().textCursor().position() == 3 && !text().textCursor().hasSelection());
        QVERIFY(m_editor->scriptChanged());
        dialog->replaceNextButton()->click();
        replaceDialog(u"cat"_s, u"emu"_s).replaceNextButton()->click();
        QCOMPARE(text().toPlainText(), u"dog dog"_s);
        QCOMPARE(boxes(), QStringList{kSearchTextNotFound});

        // A new dialog starts with the selection and the last replacement (kept
        // even when nothing was found).
        dialog->close();
        QTRY_VERIFY(!m_editor->replaceDialog());
        open("find me", 0, 4);
        m_editor->showReplaceDialog();
        dialog = m_editor->replaceDialog();
        QCOMPARE(dialog->findField()->text() + dialog->replacementField()->text(), u"findemu"_s);
    }

    void replaceAllReplacesEachOccurrenceOnce()
    {
        open("aaa", 3); // the replacement holds the search text
        ReplaceDialog &dialog = replaceDialog(u"a"_s, u"aa"_s);
        dialog.fromBeginningCheck()->setChecked(true);
        dialog.replaceAllButton()->click();
        QCOMPARE(text().toPlainText(), u"aaaaaa"_s);

        open("ab ab ab ab", 3, 5);
        replaceDialog(u"ab"_s, u"X"_s).fromBeginningCheck()->setChecked(false);
        dialog.replaceAllButton()->click();
        QCOMPARE(text().toPlainText(), u"ab ab X X"_s);

        // An empty search text is refused, not looped on.
        replaceDialog(QString(), u"x"_s).replaceAllButton()->click();
        dialog.replaceNextButton()->click();
        QCOMPARE(boxes(), QStringList(2, kReplaceCompleted) + QStringList(2, kNoSearchText));
        QCOMPARE(text().toPlainText(), u"ab ab X X"_s);
    }

    void toolBoxButtonsAppendTextAndShowCaptionsAndHelp()
    {
        open("`M hi\r\n", 6);
        ToolBoxWindow &box = toolBox();
        box.show();
        QTest::mouseMove(box.button(12), QPoint(4, 4));
        QTRY_COMPARE(box.captionLabel()->text(), u"WAIT - `W # of seconds"_s);

        // A line break follows a command, not a modifier; the caret goes back to
        // the start. A left click never shows help; a right press only where
        // there is some, and appends nothing.
        for (const int number : {9, 18, 21, 22, 23, 24, 25})
            QTest::mouseClick(box.button(number), Qt::LeftButton);
        QCOMPARE(text().toPlainText(), u"`M hi\n`B\n`SET Text to set\n%^+{END}+{INSERT}\n"_s);
        QCOMPARE(text().textCursor().position(), 0);
        for (const int number : {21, 22, 23, 24, 1})
            QTest::mousePress(box.button(number), Qt::RightButton, Qt::ShiftModifier);
        QCOMPARE(boxes(), QStringList{u"Using the {ENTER} in a script will send the enter key to a "
                                      "running application."_s});
        QVERIFY(text().toPlainText().endsWith(u"+{INSERT}\n"_s));
    }
};

QTEST_MAIN(TestScriptEditor)
#include "test_script_editor.moc"
