// SPDX-License-Identifier: GPL-3.0-or-later
// The keyword editor on the fake platform: adding through the fields, the file
// dialog and the buttons with the bytes left on disk; the lists as loaded, clicked
// and double-clicked; delete and rebuild; the refusals; the tutorial hooks; the one
// editor the program's windows share.

#include "databasewatch.h"
#include "fakeplatform.h"
#include "keyworddatabase.h"
#include "keywordeditorhost.h"
#include "keywordeditorwindow.h"
#include "programwindows.h"
#include "recordlist.h"
#include "testhome.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QtEndian>

#include <memory>

using namespace korvane;

namespace {

const QString kNotepad = QStringLiteral("C:\\WINDOWS\\NOTEPAD.EXE");
const QString kEditor = QStringLiteral("/usr/bin/editor-of-texts");

// A keyword editor in a fresh Application folder that is also the current
// directory; its hooks note each call in `calls`.
struct EditorFixture
{
    test::TempHome home;
    FakePlatform platform;
    QStringList calls;
    std::unique_ptr<KeywordEditorWindow> editor;

    EditorFixture()
    {
        const auto note = [this](const char *call) { return [this, call] { calls << call; }; };
        editor = std::make_unique<KeywordEditorWindow>(
            platform, KeywordEditorHooks{note("tutorial"), note("close"), note("reload"),
                                         [this](const db::KeyWord &k) { calls << k.text(); }});
    }
    // Loads and shows the editor, active so that focus can be observed.
    KeywordEditorWindow &open()
    {
        editor->showWithKeyWord();
        [&] { QVERIFY(QTest::qWaitForWindowActive(editor.get())); }();
        return *editor;
    }
    template<typename Control> Control *find(const char *name) const
    {
        return editor->findChild<Control *>(QLatin1String(name));
    }
    QByteArray bytes(const QString &name) const { return home.read(name); }
};

QByteArray record(const QByteArray &program, const QByteArray &keyWord)
{
    return QByteArray("\x01\x00", 2) + program.leftJustified(256, ' ') +
           keyWord.leftJustified(50, ' ');
}

// Clicks, then double-clicks, the item whose shown text starts with `start`.
void doubleClickItem(RecordList *list, const QString &start)
{
    const QList<QListWidgetItem *> found = list->findItems(start, Qt::MatchStartsWith);
    QVERIFY2(!found.isEmpty(), qPrintable(start));
    const QPoint centre = list->visualItemRect(found.first()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
}

// Lets the database watch tell what it has noticed.
void settle(const QObject *window)
{
    QCoreApplication::processEvents();
    QTRY_VERIFY(!window->findChild<db::DatabaseWatch *>()->isPending());
}

QStringList keyWordsShown(const RecordList *list)
{
    QStringList words;
    for (const db::RecordItem &item : list->items())
        words.append(item.text);
    return words;
}

} // namespace

class TestKeywordEditor : public QObject
{
    Q_OBJECT

private slots:
    void addThroughFieldsAndDialog();
    void listsClicksAndDeleteFollowTheRecords();
    void refusalsTellWhyAndWriteNothing();
    void caseTwinAskedAtLinkTime();
    void commandCenterOpensOneEditor();
};

void TestKeywordEditor::addThroughFieldsAndDialog()
{
    EditorFixture f;
    KeywordEditorWindow &editor = f.open();
    QCOMPARE(editor.pos(), QPoint(0, 0)); // the frame, not the client area, at the top-left
    QVERIFY(!editor.testAttribute(Qt::WA_QuitOnClose)); // closing it never ends the program
    // The folder button clears the window; the dialog's choice is the path.
    editor.keyWordField()->setText(QStringLiteral("half typed"));
    f.platform.dialog.openChoices.enqueue(QStringLiteral("c:\\windows\\notepad.exe"));
    f.find<QToolButton>("browseButton")->click();
    QCOMPARE(editor.keyWordField()->text(), QString());

    // Enter in the key word field adds, and keeps the program for the next one.
    QTest::keyClicks(editor.keyWordField(), QStringLiteral("notes"));
    QTest::keyClick(editor.keyWordField(), Qt::Key_Return);
    QCOMPARE(editor.keyWordField()->text(), QString());
    QCOMPARE(editor.programPathField()->text(), QStringLiteral("c:\\windows\\notepad.exe"));
    // The Add button, leading blanks and all.
    QTest::keyClicks(editor.keyWordField(), QStringLiteral("  memo"));
    f.find<QToolButton>("addButton")->click();
    QCOMPARE(f.bytes("KeyWord.DAT"), record("C:\\WINDOWS\\NOTEPAD.EXE", "NOTES") +
                                         record("C:\\WINDOWS\\NOTEPAD.EXE", "  MEMO"));
    const QList<db::RecordItem> added = {db::addedKeyWordItem(QStringLiteral("MEMO"), 2),
                                         db::addedKeyWordItem(QStringLiteral("NOTES"), 1)};
    QCOMPARE(editor.programKeyWordsList()->items(), added);
    QCOMPARE(editor.usedKeyWordsList()->items(), added);
    // The counts and the programs wait for the next load: the window's own changes
    // do not reload it.
    settle(&editor);
    QCOMPARE(editor.usedKeyWordsList()->items(), added);
    QCOMPARE(editor.applicationsList()->count(), 0);
    QCOMPARE(editor.applicationCountLabel()->text(), QStringLiteral(" 0 Applications"));

    // Enter in the path presets the dialog with the typed text; cancelled, the
    // folder button gives back the dialog's last choice. Other keys type.
    editor.programPathField()->setText(QStringLiteral("/usr/bin/typ"));
    f.platform.dialog.openChoices.enqueue(QStringLiteral("/usr/bin/typed-app"));
    QTest::keyClick(editor.programPathField(), Qt::Key_Enter);
    QCOMPARE(f.platform.dialog.openPresets.last(), QStringLiteral("/usr/bin/typ"));
    f.find<QToolButton>("browseButton")->click();
    QCOMPARE(editor.programPathField()->text(), QStringLiteral("/usr/bin/typed-app"));
    QTest::keyClick(editor.programPathField(), Qt::Key_A);
    QCOMPARE(editor.programPathField()->text(), QStringLiteral("/usr/bin/typed-appa"));
    QCOMPARE(f.platform.dialog.openPresets.size(), 3);

    // File > Exit unloads: the command center reloads, the next showing starts afresh.
    f.find<QAction>("exitAction")->trigger();
    QVERIFY(!editor.isVisible());
    QCOMPARE(f.calls, QStringList{"reload"});
    f.open();
    QCOMPARE(editor.programPathField()->text(), QString());
    QCOMPARE(editor.applicationCountLabel()->text(), QStringLiteral(" 1 Applications"));
}

void TestKeywordEditor::listsClicksAndDeleteFollowTheRecords()
{
    EditorFixture f;
    db::KeywordDatabase database(f.home.path());
    for (const char *keyWord : {"notes", "gone", "write", "memo"})
        database.addLinkedRecord(QLatin1String(keyWord), keyWord[0] == 'w' ? kEditor : kNotepad);
    database.markDeleted(2); // its index entries stay behind
    KeywordEditorWindow &editor = f.open();
    QCOMPARE(editor.applicationsList()->count(), 2);
    QCOMPARE(keyWordsShown(editor.usedKeyWordsList()), QStringList({"MEMO", "NOTES", "WRITE"}));
    QCOMPARE(editor.usedKeyWordsLabel()->text(), QStringLiteral("Keywords Already Used -  3"));
    // Double-clicks with nothing selected start and run nothing.
    for (RecordList *list :
         {editor.applicationsList(), editor.usedKeyWordsList(), editor.programKeyWordsList()})
        emit list->entryDoubleClicked();

    // A program lists its active key words and starts on a double-click.
    doubleClickItem(editor.applicationsList(), QStringLiteral("C:"));
    QCOMPARE(editor.programPathField()->text(), kNotepad);
    QCOMPARE(keyWordsShown(editor.programKeyWordsList()), QStringList({"MEMO", "NOTES"}));
    QCOMPARE(f.platform.launcher.started, QStringList{kNotepad});
    // A used key word shows its program's; a double-clicked key word runs through
    // the command center, as if typed there.
    doubleClickItem(editor.usedKeyWordsList(), QStringLiteral("WRITE"));
    QCOMPARE(editor.programPathField()->text(), kEditor.toUpper());
    doubleClickItem(editor.programKeyWordsList(), QStringLiteral("WRITE"));
    QCOMPARE(f.calls, QStringList({"WRITE", "WRITE"}));

    // Delete marks the selected record; the rebuild leaves it out.
    f.find<QToolButton>("deleteButton")->click();
    QCOMPARE(editor.programKeyWordsList()->count(), 0);
    QCOMPARE(f.bytes("KeyWord.DAT").at(2 * 308), '\x03'); // record 3's Status
    f.find<QAction>("reindexAction")->trigger();
    QCOMPARE(f.bytes("W.KWX"), QByteArray("<missing>")); // no active key word left there
    QCOMPARE(database.findKeyword(db::KeyWord(QStringLiteral("MEMO"))).value(0).recordNumber, 4);
    // Neither reloads the used key words; a change made elsewhere does.
    settle(&editor);
    QCOMPARE(editor.usedKeyWordsList()->count(), 3);
    database.addLinkedRecord(QStringLiteral("new"), kEditor);
    QTRY_COMPARE(keyWordsShown(editor.usedKeyWordsList()), QStringList({"MEMO", "NEW", "NOTES"}));
    QCOMPARE(editor.applicationCountLabel()->text(), QStringLiteral(" 2 Applications"));
}

void TestKeywordEditor::refusalsTellWhyAndWriteNothing()
{
    const struct
    {
        const char *keyWord;
        QString program;
        const char *button;
        QString message;
        QString wave;
        const char *focused;
    } refusals[] = {
        {"notes", "", "addButton", kNoAppMessage, kNoAppWave, "programPathField"},
        // Spaces pass as a program, not as a key word.
        {"   ", "   ", "addButton", kNoKeyWordMessage, kNoKeyWordWave, "keyWordField"},
        {"Ωmega", kEditor, "addButton", kNotRepresentableMessage + " Ω", "", "applicationsList"},
        {"notes", kEditor, "deleteButton", kSelectToDeleteMessage, kDeleteWave, "applicationsList"},
    };
    for (const auto &refusal : refusals) {
        EditorFixture f;
        KeywordEditorWindow &editor = f.open();
        editor.keyWordField()->setText(QString::fromUtf8(refusal.keyWord));
        editor.programPathField()->setText(refusal.program);
        editor.applicationsList()->setFocus();
        f.find<QToolButton>(refusal.button)->click();
        QCOMPARE(f.platform.dialog.boxes.value(0).text, refusal.message);
        // The spoken prompt plays while the box is shown.
        QCOMPARE(QFileInfo(f.platform.player.played.value(0)).fileName(), refusal.wave);
        QCOMPARE(editor.focusWidget()->objectName(), QLatin1String(refusal.focused));
        QCOMPARE(editor.keyWordField()->text(), QString::fromUtf8(refusal.keyWord));
        QVERIFY(QDir(f.home.path()).isEmpty()); // neither loading nor refusing writes
    }
}

void TestKeywordEditor::caseTwinAskedAtLinkTime()
{
    EditorFixture f;
    KeywordEditorWindow &editor = f.open();
    const QTemporaryDir programs;
    for (const char *name : {"Run.sh", "run.sh"})
        QVERIFY(QFile(programs.filePath(name)).open(QIODevice::WriteOnly));
    const QString linked = programs.filePath("Run.sh");
    // No links nothing and leaves the fields; Yes links it.
    for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
        f.platform.dialog.answers.enqueue(answer);
        editor.programPathField()->setText(linked);
        editor.keyWordField()->setText(QStringLiteral("go"));
        QVERIFY(QDir(f.home.path()).isEmpty());
        f.find<QToolButton>("addButton")->click();
    }
    QCOMPARE(f.platform.dialog.boxes.size(), 2);
    QCOMPARE(f.platform.dialog.boxes.first().text,
             kCaseTwinQuestion.arg(linked, programs.filePath("run.sh")));
    QCOMPARE(f.bytes("KeyWord.DAT"), record(linked.toUpper().toLatin1(), "GO"));
}

void TestKeywordEditor::commandCenterOpensOneEditor()
{
    EditorFixture f;
    ProgramWindows program(f.platform);
    program.commandCenter().actOnText(QStringLiteral("add keyword"));
    KeywordEditorWindow *first = program.keywordEditor().window();
    QVERIFY(first->isVisible());
    // Yes to the unknown-key-word question brings the same window with the word.
    f.platform.dialog.answers.enqueue(MessageAnswer::Yes);
    program.commandCenter().actOnText(QStringLiteral("unheard of"));
    QCOMPARE(program.keywordEditor().window(), first);
    QCOMPARE(first->keyWordField()->text(), QStringLiteral("UNHEARD OF"));
    // Closing it brings the new key word into the command center's lists.
    db::KeywordDatabase(f.home.path()).addLinkedRecord(QStringLiteral("new"), kEditor);
    first->close();
    QCOMPARE(program.commandCenter().lists().keyWords.size(), 1);
}

QTEST_MAIN(TestKeywordEditor)
#include "test_keyword_editor.moc"
