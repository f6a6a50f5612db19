// The keyword editor on the fake platform: its lists and labels as loaded from
// the database, the add/delete/reindex actions with the bytes they leave on disk,
// the file dialog, clicks and double-clicks, the tutorial hooks, and unloading.

#include "fakeplatform.h"
#include "keyworddatabase.h"
#include "keywordeditorhost.h"
#include "keywordeditorwindow.h"
#include "lookup.h"
#include "maintenance.h"
#include "programwindows.h"
#include "recordlist.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace korvane;

namespace {

const QString kNotepad = QStringLiteral("C:\\WINDOWS\\NOTEPAD.EXE");
const QString kEditor = QStringLiteral("/usr/bin/editor-of-texts");

// Records pop-up menus instead of running their modal loop.
class RecordingLinkBuilder : public KeywordEditorWindow
{
public:
    using KeywordEditorWindow::KeywordEditorWindow;
    QList<QMenu *> popups;

protected:
    void showPopupMenu(QMenu *menu, const QPoint &) override { popups.append(menu); }
};

// A keyword editor and its command center in a fresh Application folder that is
// also the current directory.
struct LinkBuilderFixture
{
    QTemporaryDir home;
    FakePlatform platform;
    int tutorialShown = 0;
    int tutorialClosed = 0;
    int listReloads = 0;
    QStringList keyWordsRun;
    std::unique_ptr<RecordingLinkBuilder> editor;

    LinkBuilderFixture()
    {
        qputenv("KORVANE_HOME", home.path().toLocal8Bit());
        QDir::setCurrent(home.path());
        KeywordEditorHooks hooks;
        hooks.showTutorial = [this] { ++tutorialShown; };
        hooks.closeTutorial = [this] { ++tutorialClosed; };
        hooks.reloadCommandCenterLists = [this] { ++listReloads; };
        hooks.actOnKeyWord = [this](const db::KeyWord &k) { keyWordsRun.append(k.text()); };
        editor = std::make_unique<RecordingLinkBuilder>(platform, hooks);
    }

    // Loads and shows the editor, active so that focus can be observed.
    RecordingLinkBuilder &open()
    {
        editor->Show();
        editor->activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(editor.get())); }();
        return *editor;
    }

    // Links a key word the way Add does: the record, then both index entries.
    void link(const QString &keyWord, const QString &program)
    {
        db::KeywordDatabase(home.path()).addLinkedRecord(keyWord, program);
    }

    QByteArray bytes(const QString &name) const
    {
        QFile file(home.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Every file of the Application folder with its content.
    QMap<QString, QByteArray> files() const
    {
        QMap<QString, QByteArray> result;
        for (const QString &name : QDir(home.path()).entryList(QDir::Files | QDir::Hidden))
            result.insert(name, bytes(name));
        return result;
    }
};

QByteArray record(const QByteArray &program, const QByteArray &keyWord)
{
    return QByteArray("\x01\x00", 2) + program.leftJustified(256, ' ') +
           keyWord.leftJustified(50, ' ');
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

void clickItem(RecordList *list, const QString &start, bool twice = false)
{
    QListWidgetItem *item = itemStartingWith(list, start);
    QVERIFY2(item, qPrintable(start));
    list->scrollToItem(item);
    const QPoint centre = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
}

QStringList keyWordsShown(RecordList *list)
{
    QStringList words;
    for (const db::RecordItem &item : list->items())
        words.append(item.text);
    return words;
}

} // namespace

class TestLinkBuilder : public QObject
{
    Q_OBJECT

private slots:
    void addWritesTheRecordAndBothIndexEntries();
    void listsShowActiveRecordsOnce();
    void validationMessagesWriteNothing();
    void deleteAndReindex();
    void fileDialogFillsTheApplicationPath();
    void doubleClicksStartProgramsAndKeyWords();
    void faceMenusAndTutorialHooks();
    void unloadRefreshesTheCommandCenter();
    void commandCenterOpensOneEditor();
};

void TestLinkBuilder::addWritesTheRecordAndBothIndexEntries()
{
    LinkBuilderFixture f;
    KeywordEditorWindow &editor = f.open();
    QCOMPARE(editor.windowTitle(), QStringLiteral("Korvane Link Builder"));
    QCOMPARE(editor.pos(), QPoint(0, 0)); // the frame, not the client area, at the top-left
    QVERIFY(f.files().isEmpty());         // loading creates no database file

    // Enter in the KeyWord field adds, and keeps the program for the next one.
    QTest::keyClicks(editor.programNameField(), QStringLiteral("c:\\windows\\notepad.exe"));
    QTest::keyClicks(editor.keyWordField(), QStringLiteral("notes"));
    QTest::keyClick(editor.keyWordField(), Qt::Key_Return);
    QCOMPARE(editor.keyWordField()->text(), QString());
    QCOMPARE(editor.programNameField()->text(), QStringLiteral("c:\\windows\\notepad.exe"));
    QCOMPARE(f.files().keys(), QStringList({QStringLiteral("C.APX"), QStringLiteral("KeyWord.DAT"),
                                            QStringLiteral("N.KWX")}));
    const QByteArray first = record("C:\\WINDOWS\\NOTEPAD.EXE", "NOTES");
    QCOMPARE(f.bytes(QStringLiteral("KeyWord.DAT")), first);

    // The Add button, leading blanks and all.
    QTest::keyClicks(editor.keyWordField(), QStringLiteral("  memo"));
    editor.findChild<QToolButton *>(QStringLiteral("AddKeyWordButton"))->click();
    QCOMPARE(f.bytes(QStringLiteral("KeyWord.DAT")),
             first + record("C:\\WINDOWS\\NOTEPAD.EXE", "  MEMO"));
    const QList<db::RecordItem> added = {db::addedKeyWordItem(QStringLiteral("MEMO"), 2),
                                         db::addedKeyWordItem(QStringLiteral("NOTES"), 1)};
    QCOMPARE(editor.keyWordList()->items(), added);
    QCOMPARE(editor.keywordsAlreadyUsed()->items(), added);
    // The counts and the programs wait for the next load.
    QCOMPARE(editor.availableApplications()->count(), 0);
    QCOMPARE(editor.label1()->text(), QStringLiteral(" 0 Applications"));
    QCOMPARE(editor.label5()->text(), QStringLiteral("Keywords Already Used -  0"));
    editor.close();
    f.open();
    QCOMPARE(editor.label1()->text(), QStringLiteral(" 1 Applications"));
    QCOMPARE(editor.label5()->text(), QStringLiteral("Keywords Already Used -  2"));
}

void TestLinkBuilder::listsShowActiveRecordsOnce()
{
    LinkBuilderFixture f;
    f.link(QStringLiteral("notes"), kNotepad);
    f.link(QStringLiteral("gone"), kNotepad);
    f.link(QStringLiteral("write"), kEditor);
    f.link(QStringLiteral("memo"), kNotepad);
    db::KeywordDatabase(f.home.path()).markDeleted(2); // its index entries stay behind

    KeywordEditorWindow &editor = f.open();
    QCOMPARE(editor.availableApplications()->items().value(1).shown,
             kNotepad.leftJustified(256, u' ') + QString(17, u' ') + QStringLiteral(" 1"));
    QCOMPARE(editor.availableApplications()->count(), 2);
    QCOMPARE(
        keyWordsShown(editor.keywordsAlreadyUsed()),
        QStringList({QStringLiteral("MEMO"), QStringLiteral("NOTES"), QStringLiteral("WRITE")}));
    QCOMPARE(editor.label1()->text(), QStringLiteral(" 2 Applications"));
    QCOMPARE(editor.label5()->text(), QStringLiteral("Keywords Already Used -  3"));

    // A program lists its active key words; a used key word shows its program too.
    clickItem(editor.availableApplications(), QStringLiteral("C:"));
    QCOMPARE(editor.programNameField()->text(), kNotepad);
    QCOMPARE(keyWordsShown(editor.keyWordList()),
             QStringList({QStringLiteral("MEMO"), QStringLiteral("NOTES")}));
    clickItem(editor.keywordsAlreadyUsed(), QStringLiteral("WRITE"));
    QCOMPARE(editor.programNameField()->text(), kEditor.toUpper());
    QCOMPARE(keyWordsShown(editor.keyWordList()), QStringList{QStringLiteral("WRITE")});
}

void TestLinkBuilder::validationMessagesWriteNothing()
{
    LinkBuilderFixture f;
    KeywordEditorWindow &editor = f.open();
    QTest::keyClick(editor.keyWordField(), Qt::Key_Return);
    QCOMPARE(f.platform.dialog.boxes.size(), 1);
    QCOMPARE(f.platform.dialog.boxes[0].text, kNoAppMessage);
    QVERIFY(editor.programNameField()->hasFocus());

    // Spaces pass as a program, not as a key word.
    editor.programNameField()->setText(QStringLiteral("   "));
    editor.keyWordField()->setText(QStringLiteral("   "));
    QTest::keyClick(editor.keyWordField(), Qt::Key_Enter);
    QCOMPARE(f.platform.dialog.boxes.size(), 2);
    QCOMPARE(f.platform.dialog.boxes[1].text, kNoKeyWordMessage);
    QVERIFY(editor.keyWordField()->hasFocus());
    QVERIFY(f.files().isEmpty());
    QCOMPARE(editor.keyWordList()->count(), 0);
}

void TestLinkBuilder::deleteAndReindex()
{
    LinkBuilderFixture f;
    f.link(QStringLiteral("notes"), kNotepad);
    f.link(QStringLiteral("memo"), kNotepad);
    KeywordEditorWindow &editor = f.open();
    auto *deleteButton = editor.findChild<QToolButton *>(QStringLiteral("DeleteKeyWordButton"));

    // Nothing selected: the message, and no byte changes.
    const QMap<QString, QByteArray> before = f.files();
    deleteButton->click();
    QCOMPARE(f.platform.dialog.boxes.size(), 1);
    QCOMPARE(f.platform.dialog.boxes[0].text, kSelectToDeleteMessage);
    QCOMPARE(f.files(), before);

    clickItem(editor.availableApplications(), QStringLiteral("C:"));
    clickItem(editor.keyWordList(), QStringLiteral("NOTES"));
    deleteButton->click();
    QCOMPARE(f.platform.dialog.boxes.size(), 1);
    QCOMPARE(keyWordsShown(editor.keyWordList()), QStringList{QStringLiteral("MEMO")});
    QMap<QString, QByteArray> expected = before;
    expected[QStringLiteral("KeyWord.DAT")][0] = '\x03'; // record 1's Status, in place
    QCOMPARE(f.files(), expected);

    editor.findChild<QAction *>(QStringLiteral("Reindex"))->trigger();
    const QMap<QString, QByteArray> reindexed = {
        {QStringLiteral("KeyWord.DAT"), expected[QStringLiteral("KeyWord.DAT")]},
        {QStringLiteral("M.KWX"), entry(2, "MEMO")},
        {QStringLiteral("C.APX"), entry(2, "C:\\WINDOWS\\NOTEPAD.EXE")}};
    QCOMPARE(f.files(), reindexed);
    // Neither the delete nor the rebuild reloads the used key words.
    QCOMPARE(keyWordsShown(editor.keywordsAlreadyUsed()).size(), 2);
}

void TestLinkBuilder::fileDialogFillsTheApplicationPath()
{
    LinkBuilderFixture f;
    f.link(QStringLiteral("notes"), kNotepad);
    KeywordEditorWindow &editor = f.open();
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

    // Enter in the path presets the dialog with the typed text; other keys type.
    editor.programNameField()->setText(QStringLiteral("/usr/bin/typ"));
    f.platform.dialog.openChoices.enqueue(QStringLiteral("/usr/bin/typed-app"));
    QTest::keyClick(editor.programNameField(), Qt::Key_Return);
    QCOMPARE(f.platform.dialog.openPresets.last(), QStringLiteral("/usr/bin/typ"));
    QCOMPARE(editor.programNameField()->text(), QStringLiteral("/usr/bin/typed-app"));
    QTest::keyClick(editor.programNameField(), Qt::Key_A);
    QCOMPARE(editor.programNameField()->text(), QStringLiteral("/usr/bin/typed-appa"));
    QCOMPARE(f.platform.dialog.openPresets.size(), 3);
}

void TestLinkBuilder::doubleClicksStartProgramsAndKeyWords()
{
    LinkBuilderFixture f;
    f.link(QStringLiteral("notes"), kNotepad);
    KeywordEditorWindow &editor = f.open();

    // Nothing selected: nothing starts and nothing is asked.
    editor.AvailableApplications_DblClick();
    editor.KeywordsAlreadyUsed_DblClick();
    editor.KeyWordList_DblClick();
    QVERIFY(f.platform.launcher.started.isEmpty());

    clickItem(editor.availableApplications(), QStringLiteral("C:"), true);
    QCOMPARE(f.platform.launcher.started, QStringList{kNotepad});
    // A used key word runs through the command center, as if typed there.
    f.platform.launcher.startSucceeds = false; // a failed start changes nothing
    clickItem(editor.keywordsAlreadyUsed(), QStringLiteral("NOTES"), true);
    clickItem(editor.keyWordList(), QStringLiteral("NOTES"), true);
    QCOMPARE(f.keyWordsRun, QStringList({QStringLiteral("NOTES"), QStringLiteral("NOTES")}));
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

    // Without a tutorial the hooks do nothing (an empty hook called would throw).
    KeywordEditorWindow bare(f.platform);
    bare.Image1_MouseDown(Qt::LeftButton, {});
    bare.MenuItem_Click(2);
    bare.Mnu_Help_Click();
}

void TestLinkBuilder::unloadRefreshesTheCommandCenter()
{
    LinkBuilderFixture f;
    KeywordEditorWindow &editor = f.open();
    QSignalSpy unloaded(&editor, &KeywordEditorWindow::unloaded);
    editor.programNameField()->setText(kEditor);
    editor.keyWordField()->setText(QStringLiteral("write"));
    editor.AddKeyWordButton_Click();
    QCOMPARE(f.listReloads, 0);

    editor.findChild<QAction *>(QStringLiteral("exit"))->trigger();
    QCOMPARE(unloaded.size(), 1);
    QVERIFY(!editor.isVisible());
    QCOMPARE(f.listReloads, 1);
    // The next showing starts from a fresh window.
    f.open();
    QCOMPARE(editor.programNameField()->text(), QString());
    QCOMPARE(editor.label5()->text(), QStringLiteral("Keywords Already Used -  1"));
}

void TestLinkBuilder::commandCenterOpensOneEditor()
{
    LinkBuilderFixture f;
    ProgramWindows program(f.platform);
    KeywordEditorHost &host = program.keywordEditor();
    CommandCenterWindow &commandCenter = program.commandCenter();
    commandCenter.actOnText(QStringLiteral("add keyword"));
    KeywordEditorWindow *first = host.window();
    QVERIFY(first && first->isVisible());

    // Yes to the unknown-key-word question brings the same window with the word.
    f.platform.dialog.answers.enqueue(MessageAnswer::Yes);
    commandCenter.actOnText(QStringLiteral("unheard of"));
    QCOMPARE(host.window(), first);
    QCOMPARE(first->keyWordField()->text(), QStringLiteral("UNHEARD OF"));
    // Closing it brings the new key word into the command center's lists.
    f.link(QStringLiteral("unheard of"), QStringLiteral("/usr/bin/true"));
    first->close();
    QVERIFY(!host.isOpen());
    QCOMPARE(commandCenter.lists().keyWords.size(), 1);
}

QTEST_MAIN(TestLinkBuilder)
#include "test_keyword_editor.moc"
