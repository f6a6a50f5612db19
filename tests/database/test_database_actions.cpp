// What the windows do with the database: launching a key word's programs, the
// sorted list items, and the editor's add and delete with their messages.

#include "databasetest.h"

#include "fakeplatform.h"
#include "lookup.h"
#include "maintenance.h"

using namespace Qt::StringLiterals;
using namespace korvane::db;
using korvane::FakePlatform;
using korvane::MessageButtons;
using korvane::test::spaces;
using korvane::test::TempHome;

namespace {

// Logs prompts and boxes in one list, so their order can be checked.
class OrderedPlatform : public FakePlatform
{
public:
    struct Sound : korvane::FakeSoundPlayer
    {
        QStringList *log = nullptr;
        void playWave(const QString &path) override { log->append(u"wave "_s + path); }
    };
    struct Boxes : korvane::FakeDialogs
    {
        QStringList *log = nullptr;
        korvane::MessageAnswer messageBox(const QString &text, MessageButtons buttons) override
        {
            log->append(u"box "_s + text);
            return FakeDialogs::messageBox(text, buttons);
        }
    };

    OrderedPlatform() { m_sound.log = m_boxes.log = &log; }
    korvane::SoundPlayer &sound() override { return m_sound; }
    korvane::Dialogs &dialogs() override { return m_boxes; }

    QStringList log;

private:
    Sound m_sound;
    Boxes m_boxes;
};

QString padded(const QString &text, int width)
{
    return text + QString(width - text.size(), u' ');
}

} // namespace

class TestDatabaseActions : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<TempHome>(); }
    void cleanup() { m_home.reset(); }

    void addWritesTheExactBytes();
    void addValidatesInOrder();
    void addRefusesWhatWindows1252CannotStore();
    void addTwiceMakesTwoRecords();
    void addWritesNoEntriesWithoutTheRecord();
    void deleteSelected();
    void searchStartsEveryMatch();
    void searchAsksForAFileAfterQuestionMark();
    void searchHandsTheAddressToTheWebBrowser();
    void listItems();
    void availableListsSortedAndDistinct();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestDatabaseActions::addWritesTheExactBytes()
{
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    const AddResult result =
        addKeyWord(database, platform, u"notes"_s, u"c:\\windows\\notepad.exe"_s);
    QCOMPARE(result.outcome, AddOutcome::Added);
    QCOMPARE(result.recordNumber, 1);
    QCOMPARE(result.trimmedKeyWord, u"NOTES"_s);
    QCOMPARE(result.listItem, u"NOTES"_s + QString(124, u' ') + u" 1"_s);
    QVERIFY(platform.dialog.boxes.isEmpty());
    QVERIFY(platform.player.played.isEmpty());

    QCOMPARE(m_home->entries(), (QStringList{u"C.APX"_s, u"KeyWord.DAT"_s, u"N.KWX"_s}));
    QCOMPARE(m_home->read(u"KeyWord.DAT"_s), QByteArray("\x01\x00"
                                                        "C:\\WINDOWS\\NOTEPAD.EXE",
                                                        24) +
                                                 spaces(234) + "NOTES" + spaces(45));
    QCOMPARE(m_home->read(u"N.KWX"_s), QByteArray("\x01\x00\x01\x00\x00\x00"
                                                  "NOTES                    ",
                                                  31));
    QCOMPARE(m_home->read(u"C.APX"_s), QByteArray("\x01\x00\x01\x00\x00\x00"
                                                  "C:\\WINDOWS\\NOTEPAD.EXE   ",
                                                  31));
}

void TestDatabaseActions::addValidatesInOrder()
{
    KeywordDatabase database(m_home->path());
    QCOMPARE(kNoAppMessage, u"Oops! Ha Ha... You didn't select an application to start with your "
                            "KeyWord.  I'll put your cursor there for you now!\r\rTo select the "
                            "application you want to start.  Just click the little folder!"_s);
    QCOMPARE(kNoKeyWordMessage,
             u"Oops!  You forgot to put a KeyWord into the KeyWord Field.  I'll put "
             "your cursor there for you now!\r\rWhen you're done entering your "
             "KeyWord then just press enter, or click the arrow button."_s);

    // Both empty: only the application path is asked for, the prompt first.
    OrderedPlatform platform;
    QCOMPARE(addKeyWord(database, platform, QString(), QString()).outcome,
             AddOutcome::MissingProgram);
    QCOMPARE(platform.log,
             (QStringList{u"wave "_s + m_home->file(u"NoApp.Wav"_s), u"box "_s + kNoAppMessage}));
    // A path of spaces passes; a key word of spaces does not.
    platform.log.clear();
    QCOMPARE(addKeyWord(database, platform, u"   "_s, u"  "_s).outcome, AddOutcome::MissingKeyWord);
    QCOMPARE(platform.log, (QStringList{u"wave "_s + m_home->file(u"NoKeyWord.Wav"_s),
                                        u"box "_s + kNoKeyWordMessage}));
    QCOMPARE(m_home->entries(), QStringList());

    // The wave is taken from the Application folder when it is there.
    m_home->write(u"noapp.wav"_s, "RIFF");
    platform.log.clear();
    addKeyWord(database, platform, u"notes"_s, QString());
    QCOMPARE(platform.log.first(), u"wave "_s + m_home->file(u"noapp.wav"_s));
}

void TestDatabaseActions::addRefusesWhatWindows1252CannotStore()
{
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    // An emoji (a surrogate pair) and Greek have no Windows-1252 byte; each is named once.
    QCOMPARE(
        addKeyWord(database, platform, u"smile"_s, u"/home/\U0001F600/\u03A9/\u03A9"_s).outcome,
        AddOutcome::NotRepresentable);
    QCOMPARE(platform.dialog.boxes.size(), 1);
    QCOMPARE(platform.dialog.boxes.at(0).text, kNotRepresentableMessage + u" \U0001F600\u03A9"_s);
    QCOMPARE(platform.dialog.boxes.at(0).buttons, MessageButtons::Ok);
    QCOMPARE(m_home->entries(), QStringList());

    // Accented letters and the euro sign are stored as their single bytes.
    QCOMPARE(addKeyWord(database, platform, u"caf\u00e9\u20ac"_s, u"/opt/\u00e9diteur"_s).outcome,
             AddOutcome::Added);
    QCOMPARE(m_home->read(u"KeyWord.DAT"_s).mid(2, 12), QByteArray("/OPT/\xC9"
                                                                   "DITEUR"));
    QCOMPARE(m_home->read(u"C.KWX"_s).mid(6, 5), QByteArray("CAF\xC9\x80"));
    QCOMPARE(database.findKeyword(u"CAF\u00c9\u20ac"_s).size(), 1);
}

void TestDatabaseActions::addTwiceMakesTwoRecords()
{
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    QCOMPARE(addKeyWord(database, platform, u"notes"_s, u"/usr/bin/gedit"_s).recordNumber, 1);
    QCOMPARE(addKeyWord(database, platform, u"notes"_s, u"/usr/bin/kate"_s).recordNumber, 2);
    QCOMPARE(m_home->read(u"KeyWord.DAT"_s).size(), 616);
    QCOMPARE(m_home->read(u"N.KWX"_s),
             QByteArray("\x01\x00\x01\x00\x00\x00NOTES", 11) + spaces(20) +
                 QByteArray("\x01\x00\x02\x00\x00\x00NOTES", 11) + spaces(20));
    QCOMPARE(m_home->read(u"/.APX"_s).size(), 62);
}

void TestDatabaseActions::addWritesNoEntriesWithoutTheRecord()
{
    // A folder in the record file's place cannot be written, even by root.
    QVERIFY(QDir(m_home->path()).mkdir(u"keyword.dat"_s));
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    const AddResult result = addKeyWord(database, platform, u"notes"_s, u"/bin/ls"_s);
    QCOMPARE(result.outcome, AddOutcome::WriteFailed);
    QCOMPARE(result.recordNumber, 0);
    QVERIFY(platform.dialog.boxes.isEmpty());
    QCOMPARE(m_home->entries(), QStringList{u"keyword.dat"_s});
}

void TestDatabaseActions::deleteSelected()
{
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    for (int i = 1; i <= 5; ++i)
        addKeyWord(database, platform, u"word%1"_s.arg(i), u"/bin/x"_s);
    const QByteArray before = m_home->read(u"KeyWord.DAT"_s);

    // Nothing selected: the prompt and the message, nothing written.
    QCOMPARE(deleteSelectedKeyWord(database, platform, QString()), 0);
    QCOMPARE(deleteSelectedKeyWord(database, platform, u"WORD5 no number"_s), 0);
    QCOMPARE(platform.player.played, QStringList(2, m_home->file(u"Delete.Wav"_s)));
    QCOMPARE(platform.dialog.boxes.size(), 2);
    QCOMPARE(platform.dialog.boxes.at(0).text,
             u"Please select a KeyWord to delete from the list to the left, and "
             "then click the delete button."_s);
    QCOMPARE(m_home->read(u"KeyWord.DAT"_s), before);

    const QString item = keyWordListItem(*database.Get_Keyword_Record(5), 5);
    QCOMPARE(deleteSelectedKeyWord(database, platform, item), 5);
    QVERIFY(database.findKeyword(u"WORD5"_s).isEmpty());
    QCOMPARE(database.findKeyword(u"WORD4"_s).size(), 1);
    QCOMPARE(platform.dialog.boxes.size(), 2);
}

void TestDatabaseActions::searchStartsEveryMatch()
{
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    database.appendRecord(u"notepad"_s, u"/usr/bin/gedit"_s);
    database.appendRecord(u"notes"_s, u"/usr/bin/xterm -e vi"_s);
    database.appendRecord(u"notes"_s, u"/usr/bin/mousepad"_s);
    database.appendRecord(u"notes"_s, u"/usr/bin/deleted"_s);
    // Index order is what counts: record 3 is indexed before record 2.
    for (const qint32 number : {1, 3, 2, 4})
        database.Add_Index_Entry(database.Get_Keyword_Record(number)->keyWord, number,
                                 kKeywordIndexExtension);
    database.Delete_KeyWord(4);

    QString dialogFileName;
    QString keyWord = u"  notes "_s;
    QVERIFY(Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QCOMPARE(keyWord, u"NOTES"_s);
    QCOMPARE(platform.launcher.started,
             (QStringList{u"/USR/BIN/MOUSEPAD"_s, u"/USR/BIN/XTERM -E VI"_s}));

    platform.launcher.started.clear();
    platform.launcher.startSucceeds = false;
    keyWord = u"zebra"_s;
    QVERIFY(!Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QVERIFY(platform.launcher.started.isEmpty());
    QVERIFY(!m_home->entries().contains(u"Z.KWX"_s));
    // A start that fails still counts as found.
    keyWord = u"NOTEPAD"_s;
    QVERIFY(Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QCOMPARE(platform.launcher.started, QStringList{u"/USR/BIN/GEDIT"_s});
    QVERIFY(platform.dialog.openPresets.isEmpty());
}

void TestDatabaseActions::searchAsksForAFileAfterQuestionMark()
{
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    addKeyWord(database, platform, u"notepad"_s, u"/usr/bin/gedit"_s);
    const QString program = padded(u"/USR/BIN/GEDIT"_s, 256);

    QString dialogFileName;
    for (const QString &choice : {u"/home/me/letter.txt"_s, QString(), u"/home/me/*.txt"_s})
        platform.dialog.openChoices.enqueue(choice);
    QString keyWord = u"notepad?"_s;
    QVERIFY(Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QCOMPARE(keyWord, u"NOTEPAD"_s);
    // The field's padding stays between the program and its argument.
    QCOMPARE(platform.launcher.started.last(), program + u" /home/me/letter.txt"_s);
    // Cancelled: the name chosen last time is used again.
    keyWord = u"notepad ?"_s;
    QVERIFY(Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QCOMPARE(platform.launcher.started.last(), program + u" /home/me/letter.txt"_s);
    // A name with "*" gives no argument at all.
    keyWord = u"NOTEPAD?"_s;
    QVERIFY(Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QCOMPARE(platform.launcher.started.last(), u"/USR/BIN/GEDIT"_s);
    QCOMPARE(platform.dialog.openPresets,
             (QStringList{QString(), u"/home/me/letter.txt"_s, u"/home/me/letter.txt"_s}));
    // "?" alone asks, then has nothing to look up.
    keyWord = u"?"_s;
    QVERIFY(!Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QCOMPARE(platform.dialog.openPresets.size(), 4);
    QCOMPARE(platform.launcher.started.size(), 3);
}

void TestDatabaseActions::searchHandsTheAddressToTheWebBrowser()
{
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    addKeyWord(database, platform, u"web browser"_s, u"/usr/bin/firefox"_s);
    QString dialogFileName = u"/tmp/old.txt"_s;
    QString keyWord = u"WEB BROWSER"_s;
    QVERIFY(Search_KeyWords_Indexed(database, platform, keyWord, u"www.example.org/Page "_s,
                                    dialogFileName));
    QCOMPARE(platform.launcher.started,
             QStringList{padded(u"/USR/BIN/FIREFOX"_s, 256) + u" www.example.org/Page"_s});
}

void TestDatabaseActions::listItems()
{
    const KeywordRecord record{kStatusActive, padded(u"/usr/bin/vi"_s, 256), padded(u"VI"_s, 50)};
    QCOMPARE(keyWordListItem(record, 123456789),
             padded(u"VI"_s, 50) + QString(74, u' ') + u" 123456789"_s);
    const QString used = keywordsAlreadyUsedItem(record, 12);
    QCOMPARE(itemRecordNumber(used), 12);
    QCOMPARE(itemText(used), u"VI"_s);
    QCOMPARE(itemText(availableApplicationsItem(record, 7), 14), u"/USR/BIN/VI"_s);
    QCOMPARE(itemText(u"short"_s), QString());
    // The number is read from the item's tail, rounded half to even.
    QCOMPARE(itemRecordNumber(u"NOTEPAD"_s), 0);
    QCOMPARE(itemRecordNumber(u"x        2.5"_s), 2);
    QCOMPARE(itemRecordNumber(u"x        3.5"_s), 4);
    QCOMPARE(itemRecordNumber(u" 9999999999"_s), 0);

    QStringList list;
    for (const QString &item : {u"banana  2"_s, u"NOTEPAD  1"_s, u"Apple  3"_s, u"NOTE  4"_s})
        insertSorted(list, item);
    QCOMPARE(list, (QStringList{u"Apple  3"_s, u"banana  2"_s, u"NOTE  4"_s, u"NOTEPAD  1"_s}));

    const QStringList apps{availableApplicationsItem(record, 7)};
    QVERIFY(ApplicationExistsInList(apps, u"/USR/BIN/VI"_s));
    QVERIFY(!ApplicationExistsInList(apps, u"/usr/bin/vi"_s));
    QVERIFY(!ApplicationExistsInList(apps, u"/USR/BIN/V"_s));
}

void TestDatabaseActions::availableListsSortedAndDistinct()
{
    KeywordDatabase database(m_home->path());
    database.appendRecord(u"zap"_s, u"/usr/bin/zap"_s);   // 1
    database.appendRecord(u"edit"_s, u"/usr/bin/vi"_s);   // 2
    database.appendRecord(u"gone"_s, u"/usr/bin/gone"_s); // 3
    database.appendRecord(u"vi"_s, u"  /usr/bin/vi"_s);   // 4
    database.appendRecord(u"apple"_s, u"/usr/bin/zap"_s); // 5
    database.Delete_KeyWord(3);

    const AvailableLists lists = buildAvailableLists(database);
    const auto used = [](const QString &keyWord, int number) {
        return padded(keyWord, 50) + QString(53, u' ') + u' ' + QString::number(number);
    };
    const auto app = [](const QString &program, int number) {
        return padded(program, 256) + QString(17, u' ') + u' ' + QString::number(number);
    };
    QCOMPARE(lists.keywordsAlreadyUsed, (QStringList{used(u"APPLE"_s, 5), used(u"EDIT"_s, 2),
                                                     used(u"VI"_s, 4), used(u"ZAP"_s, 1)}));
    // One item per program, compared trimmed: the first record of each stands.
    QCOMPARE(lists.availableApplications,
             (QStringList{app(u"/USR/BIN/VI"_s, 2), app(u"/USR/BIN/ZAP"_s, 1)}));
}

QTEST_GUILESS_MAIN(TestDatabaseActions)
#include "test_database_actions.moc"
