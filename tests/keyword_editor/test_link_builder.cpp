// The keyword editor on the fake platform: its lists and labels as loaded from
// the database, the add/delete/reindex actions with the bytes they leave on disk,
// the file dialog, clicks and double-clicks, the tutorial hooks, and unloading.

#include "linkbuilderfixture.h"
#include "lookup.h"
#include "maintenance.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>
#include <QToolButton>

using namespace korvane;

namespace {

const QString kNotepad = QStringLiteral("C:\\WINDOWS\\NOTEPAD.EXE");
const QString kEditor = QStringLiteral("/usr/bin/editor-of-texts");

QByteArray record(qint16 status, const QByteArray &program, const QByteArray &keyWord)
{
    QByteArray bytes(2, '\0');
    bytes[0] = char(status);
    return bytes + program.leftJustified(256, ' ') + keyWord.leftJustified(50, ' ');
}

QByteArray entry(qint32 recordNumber, const QByteArray &key)
{
    QByteArray bytes("\x01\x00", 2);
    for (int shift = 0; shift < 32; shift += 8)
        bytes.append(char((recordNumber >> shift) & 0xff));
    return bytes + key.leftJustified(25, ' ');
}

QListWidgetItem *itemStartingWith(RecordList *list, const QString &start)
{
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->text().startsWith(start))
            return list->item(row);
    return nullptr;
}

void clickItem(RecordList *list, const QString &start)
{
    QListWidgetItem *item = itemStartingWith(list, start);
    QVERIFY2(item, qPrintable(start));
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

void doubleClickItem(RecordList *list, const QString &start)
{
    clickItem(list, start);
    QListWidgetItem *item = itemStartingWith(list, start);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

QStringList keyWordsShown(RecordList *list)
{
    QStringList words;
    for (const QString &item : list->texts())
        words.append(db::itemText(item));
    return words;
}

} // namespace

class TestLinkBuilder : public QObject
{
    Q_OBJECT

private slots:
    void emptyDatabaseShowsZeroCounts();
    void listsShowActiveRecordsOnce();
    void applicationKeyAtBlockEndsIsListedOnce();
    void enterInKeyWordAddsAndKeepsTheProgram();
    void validationMessagesWriteNothing();
    void deleteAndReindex();
    void fileDialogFillsTheApplicationPath();
    void doubleClicksStartProgramsAndKeyWords();
    void faceMenusAndTutorialHooks();
    void unloadRefreshesTheCommandCenter();
    void commandCenterOpensOneEditor();
};

void TestLinkBuilder::emptyDatabaseShowsZeroCounts()
{
    LinkBuilderFixture f;
    LinkBuilder &editor = f.open();
    QCOMPARE(editor.windowTitle(), QStringLiteral("Korvane Link Builder"));
    QCOMPARE(editor.pos(), QPoint(0, 0));
    QCOMPARE(editor.label1()->text(), QStringLiteral(" 0 Applications"));
    QCOMPARE(editor.label5()->text(), QStringLiteral("Keywords Already Used -  0"));
    QCOMPARE(editor.availableApplications()->count(), 0);
    QCOMPARE(editor.keywordsAlreadyUsed()->count(), 0);
    QVERIFY(f.files().isEmpty()); // loading creates no database file
}

void TestLinkBuilder::listsShowActiveRecordsOnce()
{
    LinkBuilderFixture f;
    f.link(QStringLiteral("notes"), kNotepad);
    f.link(QStringLiteral("gone"), kNotepad);
    f.link(QStringLiteral("write"), kEditor);
    f.link(QStringLiteral("memo"), kNotepad);
    f.database().Delete_KeyWord(2); // its index entries stay behind

    LinkBuilder &editor = f.open();
    QCOMPARE(editor.availableApplications()->texts(),
             QStringList({pad(kEditor.toUpper(), 256) + QString(17, u' ') + QStringLiteral(" 3"),
                          pad(kNotepad, 256) + QString(17, u' ') + QStringLiteral(" 1")}));
    QCOMPARE(editor.keywordsAlreadyUsed()->texts(),
             QStringList({pad(QStringLiteral("MEMO"), 50) + QString(53, u' ') + " 4",
                          pad(QStringLiteral("NOTES"), 50) + QString(53, u' ') + " 1",
                          pad(QStringLiteral("WRITE"), 50) + QString(53, u' ') + " 3"}));
    QCOMPARE(editor.label1()->text(), QStringLiteral(" 2 Applications"));
    QCOMPARE(editor.label5()->text(), QStringLiteral("Keywords Already Used -  3"));

    // A program lists its active key words; a used key word shows its program too.
    clickItem(editor.availableApplications(), QStringLiteral("C:"));
    QCOMPARE(editor.programNameField()->text(), kNotepad);
    QCOMPARE(editor.keyWordList()->texts(),
             QStringList({pad(QStringLiteral("MEMO"), 50) + QString(74, u' ') + " 4",
                          pad(QStringLiteral("NOTES"), 50) + QString(74, u' ') + " 1"}));
    clickItem(editor.keywordsAlreadyUsed(), QStringLiteral("WRITE"));
    QCOMPARE(editor.programNameField()->text(), kEditor.toUpper());
    QCOMPARE(keyWordsShown(editor.keyWordList()), QStringList{QStringLiteral("WRITE")});
}

void TestLinkBuilder::applicationKeyAtBlockEndsIsListedOnce()
{
    LinkBuilderFixture f;
    // 24 entries in one application index: the program in hand at 8, 16 and 24,
    // where one block's range overlaps the next one's by an entry.
    const QString target = QStringLiteral("/opt/XTARGETPROGRAM-012345.BIN");
    QCOMPARE(db::KeywordDatabase::applicationKey(target),
             QStringLiteral("XTARGETPROGRAM-012345.BIN"));
    for (int i = 1; i <= 24; ++i) {
        if (i % 8 == 0)
            f.link(QStringLiteral("T%1").arg(i), target);
        else
            f.link(QStringLiteral("F%1").arg(i),
                   QStringLiteral("/opt/XFILLER-%1-abcdefghij.BIN").arg(i, 2, 10, QChar(u'0')));
    }
    QCOMPARE(f.bytes(QStringLiteral("X.APX")).size(), 24 * 31);

    LinkBuilder &editor = f.open();
    clickItem(editor.availableApplications(), target.toUpper());
    QCOMPARE(keyWordsShown(editor.keyWordList()),
             QStringList({QStringLiteral("T16"), QStringLiteral("T24"), QStringLiteral("T8")}));
}

void TestLinkBuilder::enterInKeyWordAddsAndKeepsTheProgram()
{
    LinkBuilderFixture f;
    LinkBuilder &editor = f.open();
    QTest::keyClicks(editor.programNameField(), QStringLiteral("c:\\windows\\notepad.exe"));
    QTest::keyClicks(editor.keyWordField(), QStringLiteral("notes"));
    QTest::keyClick(editor.keyWordField(), Qt::Key_Return);

    QCOMPARE(editor.keyWordField()->text(), QString());
    QCOMPARE(editor.programNameField()->text(), QStringLiteral("c:\\windows\\notepad.exe"));
    QVERIFY(f.platform.dialog.boxes.isEmpty());
    const QMap<QString, QByteArray> afterFirst = {
        {QStringLiteral("KeyWord.DAT"), record(1, "C:\\WINDOWS\\NOTEPAD.EXE", "NOTES")},
        {QStringLiteral("N.KWX"), entry(1, "NOTES")},
        {QStringLiteral("C.APX"), entry(1, "C:\\WINDOWS\\NOTEPAD.EXE")}};
    QCOMPARE(f.files(), afterFirst);

    // The next key word for the same program goes in at once, leading blanks and all.
    QTest::keyClicks(editor.keyWordField(), QStringLiteral("  memo"));
    editor.findChild<QToolButton *>(QStringLiteral("AddKeyWordButton"))->click();
    QCOMPARE(f.bytes(QStringLiteral("KeyWord.DAT")),
             afterFirst[QStringLiteral("KeyWord.DAT")] +
                 record(1, "C:\\WINDOWS\\NOTEPAD.EXE", "  MEMO"));
    QCOMPARE(f.bytes(QStringLiteral("M.KWX")), entry(2, "MEMO"));
    QCOMPARE(f.bytes(QStringLiteral("C.APX")),
             entry(1, "C:\\WINDOWS\\NOTEPAD.EXE") + entry(2, "C:\\WINDOWS\\NOTEPAD.EXE"));

    const QStringList added = {db::addedKeyWordItem(QStringLiteral("MEMO"), 2),
                               db::addedKeyWordItem(QStringLiteral("NOTES"), 1)};
    QCOMPARE(editor.keyWordList()->texts(), added);
    QCOMPARE(editor.keywordsAlreadyUsed()->texts(), added);
    // The counts and the programs wait for the next load.
    QCOMPARE(editor.availableApplications()->count(), 0);
    QCOMPARE(editor.label1()->text(), QStringLiteral(" 0 Applications"));
    QCOMPARE(editor.label5()->text(), QStringLiteral("Keywords Already Used -  0"));
    editor.close();
    f.open();
    QCOMPARE(editor.label1()->text(), QStringLiteral(" 1 Applications"));
    QCOMPARE(editor.label5()->text(), QStringLiteral("Keywords Already Used -  2"));
}

void TestLinkBuilder::validationMessagesWriteNothing()
{
    LinkBuilderFixture f;
    LinkBuilder &editor = f.open();
    QTest::keyClick(editor.keyWordField(), Qt::Key_Return);
    QCOMPARE(f.platform.dialog.boxes.size(), 1);
    QCOMPARE(f.platform.dialog.boxes[0].text, db::kNoAppMessage);
    QVERIFY(f.platform.player.played.value(0).endsWith(QStringLiteral("/NoApp.Wav")));
    QVERIFY(editor.programNameField()->hasFocus());

    // Spaces pass as a program, not as a key word.
    editor.programNameField()->setText(QStringLiteral("   "));
    editor.keyWordField()->setText(QStringLiteral("   "));
    QTest::keyClick(editor.keyWordField(), Qt::Key_Enter);
    QCOMPARE(f.platform.dialog.boxes.size(), 2);
    QCOMPARE(f.platform.dialog.boxes[1].text, db::kNoKeyWordMessage);
    QVERIFY(f.platform.player.played.value(1).endsWith(QStringLiteral("/NoKeyWord.Wav")));
    QVERIFY(editor.keyWordField()->hasFocus());
    QVERIFY(f.files().isEmpty());
    QCOMPARE(editor.keyWordList()->count(), 0);
}

void TestLinkBuilder::deleteAndReindex()
{
    LinkBuilderFixture f;
    f.link(QStringLiteral("notes"), kNotepad);
    f.link(QStringLiteral("memo"), kNotepad);
    LinkBuilder &editor = f.open();

    // Nothing selected: the message, and no byte changes.
    const QMap<QString, QByteArray> before = f.files();
    editor.findChild<QToolButton *>(QStringLiteral("DeleteKeyWordButton"))->click();
    QCOMPARE(f.platform.dialog.boxes.size(), 1);
    QCOMPARE(f.platform.dialog.boxes[0].text, db::kSelectToDeleteMessage);
    QVERIFY(f.platform.player.played.value(0).endsWith(QStringLiteral("/Delete.Wav")));
    QCOMPARE(f.files(), before);

    clickItem(editor.availableApplications(), QStringLiteral("C:"));
    clickItem(editor.keyWordList(), QStringLiteral("NOTES"));
    editor.findChild<QToolButton *>(QStringLiteral("DeleteKeyWordButton"))->click();
    QCOMPARE(f.platform.dialog.boxes.size(), 1);
    QCOMPARE(keyWordsShown(editor.keyWordList()), QStringList{QStringLiteral("MEMO")});
    QCOMPARE(keyWordsShown(editor.keywordsAlreadyUsed()).size(), 2); // until the next load
    QMap<QString, QByteArray> expected = before;
    expected[QStringLiteral("KeyWord.DAT")][0] = '\x03'; // record 1's Status, in place
    QCOMPARE(f.files(), expected);

    editor.findChild<QAction *>(QStringLiteral("Reindex"))->trigger();
    const QMap<QString, QByteArray> reindexed = {
        {QStringLiteral("KeyWord.DAT"), expected[QStringLiteral("KeyWord.DAT")]},
        {QStringLiteral("M.KWX"), entry(2, "MEMO")},
        {QStringLiteral("C.APX"), entry(2, "C:\\WINDOWS\\NOTEPAD.EXE")}};
    QCOMPARE(f.files(), reindexed);
    QCOMPARE(keyWordsShown(editor.keywordsAlreadyUsed()).size(), 2); // a rebuild changes no list
}

void TestLinkBuilder::fileDialogFillsTheApplicationPath()
{
    LinkBuilderFixture f;
    f.link(QStringLiteral("notes"), kNotepad);
    LinkBuilder &editor = f.open();
    auto *folder = editor.findChild<QToolButton *>(QStringLiteral("GetProgramButton"));
    clickItem(editor.availableApplications(), QStringLiteral("C:"));
    editor.keyWordField()->setText(QStringLiteral("half typed"));

    f.platform.dialog.openChoices.enqueue(QStringLiteral("/opt/Chosen/run.sh"));
    folder->click();
    QCOMPARE(editor.programNameField()->text(), QStringLiteral("/opt/Chosen/run.sh"));
    QCOMPARE(editor.keyWordField()->text(), QString());
    QCOMPARE(editor.keyWordList()->count(), 0);
    // Cancelled: the window is cleared and the dialog's last choice comes back.
    folder->click();
    QCOMPARE(editor.programNameField()->text(), QStringLiteral("/opt/Chosen/run.sh"));

    // Enter in the path presets the dialog with the typed text.
    editor.programNameField()->setText(QStringLiteral("/usr/bin/typ"));
    f.platform.dialog.openChoices.enqueue(QStringLiteral("/usr/bin/typed-app"));
    QTest::keyClick(editor.programNameField(), Qt::Key_Return);
    QCOMPARE(f.platform.dialog.openPresets.last(), QStringLiteral("/usr/bin/typ"));
    QCOMPARE(editor.programNameField()->text(), QStringLiteral("/usr/bin/typed-app"));
    editor.programNameField()->setText(QStringLiteral("/usr/bin/other"));
    QTest::keyClick(editor.programNameField(), Qt::Key_Return);
    QCOMPARE(editor.programNameField()->text(), QStringLiteral("/usr/bin/other"));
    QTest::keyClick(editor.programNameField(), Qt::Key_A);
    QCOMPARE(editor.programNameField()->text(), QStringLiteral("/usr/bin/othera"));
    QCOMPARE(f.platform.dialog.openPresets.size(), 4);
}

void TestLinkBuilder::doubleClicksStartProgramsAndKeyWords()
{
    LinkBuilderFixture f;
    f.link(QStringLiteral("notes"), kNotepad);
    LinkBuilder &editor = f.open();

    // Nothing selected: nothing starts and nothing is asked.
    editor.AvailableApplications_DblClick();
    editor.KeywordsAlreadyUsed_DblClick();
    editor.KeyWordList_DblClick();
    QVERIFY(f.platform.launcher.started.isEmpty());
    QVERIFY(f.platform.dialog.boxes.isEmpty());

    doubleClickItem(editor.availableApplications(), QStringLiteral("C:"));
    QCOMPARE(f.platform.launcher.started, QStringList{kNotepad});
    // A used key word runs through the command center, as if typed there.
    f.platform.launcher.startSucceeds = false; // a failed start changes nothing
    doubleClickItem(editor.keywordsAlreadyUsed(), QStringLiteral("NOTES"));
    doubleClickItem(editor.keyWordList(), QStringLiteral("NOTES"));
    QCOMPARE(f.platform.launcher.started, QStringList({kNotepad, kNotepad, kNotepad}));
    QVERIFY(f.platform.dialog.boxes.isEmpty());
    QVERIFY(editor.isVisible());
}

void TestLinkBuilder::faceMenusAndTutorialHooks()
{
    LinkBuilderFixture f;
    RecordingLinkBuilder &editor = f.open();
    QTest::mouseClick(editor.image1(), Qt::LeftButton);
    QCOMPARE(f.tutorialShown, 1);
    QTest::mouseClick(editor.image1(), Qt::RightButton);
    QCOMPARE(editor.popups, QList<QMenu *>{editor.floatingMenu()});
    QTest::mouseClick(editor.image1(), Qt::MiddleButton);
    QCOMPARE(editor.popups.size(), 1);
    QCOMPARE(f.tutorialShown, 1);

    editor.findChild<QAction *>(QStringLiteral("MenuItem1"))->trigger();
    QCOMPARE(f.tutorialShown, 2);
    editor.findChild<QAction *>(QStringLiteral("MenuItem2"))->trigger();
    QCOMPARE(f.tutorialClosed, 1);
    editor.findChild<QAction *>(QStringLiteral("Mnu_Help"))->trigger();
    QCOMPARE(f.tutorialShown, 3);

    // The pop-up menu is not in the menu bar; the bar holds File and Help.
    QStringList bar;
    for (QAction *action : editor.menuBar()->actions())
        bar.append(action->text());
    QCOMPARE(bar, QStringList({QStringLiteral("&File"), QStringLiteral("&Help")}));

    // Without a tutorial the hooks do nothing.
    KeyScan keyScan(f.platform, WindowDirectory{});
    LinkBuilder bare(f.platform, keyScan);
    bare.Image1_MouseDown(Qt::LeftButton, {});
    bare.MenuItem_Click(2);
    bare.Mnu_Help_Click();
}

void TestLinkBuilder::unloadRefreshesTheCommandCenter()
{
    LinkBuilderFixture f;
    f.keyScan->Show_Available_Applications();
    LinkBuilder &editor = f.open();
    QSignalSpy unloaded(&editor, &LinkBuilder::unloaded);
    editor.programNameField()->setText(kEditor);
    editor.keyWordField()->setText(QStringLiteral("write"));
    editor.AddKeyWordButton_Click();
    QVERIFY(f.keyScan->keywordsAlreadyUsed().isEmpty());

    editor.findChild<QAction *>(QStringLiteral("exit"))->trigger();
    QCOMPARE(unloaded.size(), 1);
    QVERIFY(!editor.isVisible());
    QCOMPARE(f.keyScan->keywordsAlreadyUsed().size(), 1);
    QCOMPARE(f.keyScan->availableApplications().size(), 1);
    // The next showing starts from a fresh window.
    f.open();
    QCOMPARE(editor.programNameField()->text(), QString());
    QCOMPARE(editor.keyWordList()->count(), 0);
    QCOMPARE(editor.label5()->text(), QStringLiteral("Keywords Already Used -  1"));
}

void TestLinkBuilder::commandCenterOpensOneEditor()
{
    LinkBuilderFixture f;
    LinkBuilderHost host(f.platform);
    WindowDirectory windows;
    windows.showKeywordEditor = host.showHook();
    KeyScan keyScan(f.platform, windows);
    host.setCommandCenter(keyScan);
    QVERIFY(!host.window());

    QString typed = QStringLiteral("add keyword");
    keyScan.Search_Keyword(typed);
    QVERIFY(host.isOpen());
    LinkBuilder *first = host.window();
    QCOMPARE(first->keyWordField()->text(), QString());

    // Yes to the unknown-key-word question brings the same window with the word.
    f.platform.dialog.answers.enqueue(MessageAnswer::Yes);
    typed = QStringLiteral("unheard of");
    keyScan.Search_Keyword(typed);
    QCOMPARE(host.window(), first);
    QCOMPARE(first->keyWordField()->text(), QStringLiteral("UNHEARD OF"));
    first->close();
    QVERIFY(!host.isOpen());
}

QTEST_MAIN(TestLinkBuilder)
#include "test_link_builder.moc"
