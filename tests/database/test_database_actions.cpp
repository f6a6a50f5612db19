// What the windows do with the database: launching a key word's programs, the
// sorted list items, and the editor's add and delete with their messages.

#include "databasetest.h"

#include "fakeplatform.h"
#include "lookup.h"
#include "maintenance.h"

using namespace korvane::db;
using korvane::FakePlatform;
using korvane::MessageButtons;
using korvane::test::spaces;
using korvane::test::TempHome;

namespace {

// Records prompts and boxes in one sequence, so their order can be checked.
class OrderedPlatform : public FakePlatform
{
public:
    class Sound : public korvane::SoundPlayer
    {
    public:
        explicit Sound(QStringList &log)
            : m_log(log)
        {
        }
        void playWave(const QString &path) override
        {
            m_log.append(QStringLiteral("wave ") + path);
        }

    private:
        QStringList &m_log;
    };
    class Boxes : public korvane::FakeDialogs
    {
    public:
        explicit Boxes(QStringList &log)
            : m_log(log)
        {
        }
        korvane::MessageAnswer messageBox(const QString &text, MessageButtons buttons) override
        {
            m_log.append(QStringLiteral("box ") + text);
            return FakeDialogs::messageBox(text, buttons);
        }

    private:
        QStringList &m_log;
    };

    korvane::SoundPlayer &sound() override { return m_sound; }
    korvane::Dialogs &dialogs() override { return m_boxes; }

    QStringList log;

private:
    Sound m_sound{log};
    Boxes m_boxes{log};
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
    const AddResult result = addKeyWord(database, platform, QStringLiteral("notes"),
                                        QStringLiteral("c:\\windows\\notepad.exe"));
    QCOMPARE(result.outcome, AddOutcome::Added);
    QCOMPARE(result.recordNumber, 1);
    QCOMPARE(result.trimmedKeyWord, QStringLiteral("NOTES"));
    QCOMPARE(result.listItem, QStringLiteral("NOTES") + QString(124, u' ') + QStringLiteral(" 1"));
    QVERIFY(platform.dialog.boxes.isEmpty());
    QVERIFY(platform.player.played.isEmpty());

    QCOMPARE(m_home->entries(), (QStringList{QStringLiteral("C.APX"), QStringLiteral("KeyWord.DAT"),
                                             QStringLiteral("N.KWX")}));
    const QByteArray record = QByteArray("\x01\x00"
                                         "C:\\WINDOWS\\NOTEPAD.EXE",
                                         24) +
                              spaces(234) + QByteArray("NOTES") + spaces(45);
    QCOMPARE(record.size(), 308);
    QCOMPARE(m_home->read(QStringLiteral("KeyWord.DAT")), record);
    QCOMPARE(m_home->read(QStringLiteral("N.KWX")), QByteArray("\x01\x00\x01\x00\x00\x00"
                                                               "NOTES                    ",
                                                               31));
    QCOMPARE(m_home->read(QStringLiteral("C.APX")), QByteArray("\x01\x00\x01\x00\x00\x00"
                                                               "C:\\WINDOWS\\NOTEPAD.EXE   ",
                                                               31));
}

void TestDatabaseActions::addValidatesInOrder()
{
    KeywordDatabase database(m_home->path());
    const QString noAppWave = m_home->file(QStringLiteral("NoApp.Wav"));
    const QString noKeyWordWave = m_home->file(QStringLiteral("NoKeyWord.Wav"));
    QCOMPARE(kNoAppMessage,
             QStringLiteral("Oops! Ha Ha... You didn't select an application to start with your "
                            "KeyWord.  I'll put your cursor there for you now!\r\rTo select the "
                            "application you want to start.  Just click the little folder!"));
    QCOMPARE(kNoKeyWordMessage,
             QStringLiteral("Oops!  You forgot to put a KeyWord into the KeyWord Field.  I'll put "
                            "your cursor there for you now!\r\rWhen you're done entering your "
                            "KeyWord then just press enter, or click the arrow button."));

    // Both empty: only the application path is asked for, the prompt first.
    OrderedPlatform platform;
    QCOMPARE(addKeyWord(database, platform, QString(), QString()).outcome,
             AddOutcome::MissingProgram);
    QCOMPARE(platform.log, (QStringList{QStringLiteral("wave ") + noAppWave,
                                        QStringLiteral("box ") + kNoAppMessage}));
    // A path of spaces passes; a key word of spaces does not.
    platform.log.clear();
    QCOMPARE(addKeyWord(database, platform, QStringLiteral("   "), QStringLiteral("  ")).outcome,
             AddOutcome::MissingKeyWord);
    QCOMPARE(platform.log, (QStringList{QStringLiteral("wave ") + noKeyWordWave,
                                        QStringLiteral("box ") + kNoKeyWordMessage}));
    platform.log.clear();
    QCOMPARE(addKeyWord(database, platform, QStringLiteral("notes"), QString()).outcome,
             AddOutcome::MissingProgram);
    QCOMPARE(platform.log.size(), 2);
    QCOMPARE(m_home->entries(), QStringList());

    // The wave is taken from the Application folder when it is there.
    m_home->write(QStringLiteral("noapp.wav"), "RIFF");
    platform.log.clear();
    addKeyWord(database, platform, QStringLiteral("notes"), QString());
    QCOMPARE(platform.log.first(),
             QStringLiteral("wave ") + m_home->file(QStringLiteral("noapp.wav")));
}

void TestDatabaseActions::addRefusesWhatWindows1252CannotStore()
{
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    // A snowman and an emoji (a surrogate pair) have no Windows-1252 byte.
    QCOMPARE(addKeyWord(database, platform, QStringLiteral("snow\u2603"), QStringLiteral("/bin/ls"))
                 .outcome,
             AddOutcome::NotRepresentable);
    QCOMPARE(addKeyWord(database, platform, QStringLiteral("smile"),
                        QStringLiteral("/home/\U0001F600/\u03A9/\u03A9"))
                 .outcome,
             AddOutcome::NotRepresentable);
    QCOMPARE(platform.dialog.boxes.size(), 2);
    QCOMPARE(platform.dialog.boxes.at(0).text,
             kNotRepresentableMessage + QStringLiteral(" \u2603"));
    QCOMPARE(platform.dialog.boxes.at(1).text,
             kNotRepresentableMessage + QStringLiteral(" \U0001F600\u03A9"));
    QCOMPARE(platform.dialog.boxes.at(1).buttons, MessageButtons::Ok);
    QCOMPARE(m_home->entries(), QStringList());

    // Accented letters and the euro sign are stored as their single bytes.
    QCOMPARE(addKeyWord(database, platform, QStringLiteral("caf\u00e9\u20ac"),
                        QStringLiteral("/opt/\u00e9diteur"))
                 .outcome,
             AddOutcome::Added);
    QCOMPARE(m_home->read(QStringLiteral("KeyWord.DAT")).mid(2, 12), QByteArray("/OPT/\xC9"
                                                                                "DITEUR"));
    QCOMPARE(m_home->read(QStringLiteral("C.KWX")).mid(6, 5), QByteArray("CAF\xC9\x80"));
    QCOMPARE(database.findKeyword(QStringLiteral("CAF\u00c9\u20ac")).size(), 1);
}

void TestDatabaseActions::addTwiceMakesTwoRecords()
{
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    // Leading spaces stay in the record; the index key and the list item are trimmed.
    const AddResult first =
        addKeyWord(database, platform, QStringLiteral("  notes"), QStringLiteral("/usr/bin/gedit"));
    const AddResult second =
        addKeyWord(database, platform, QStringLiteral("notes"), QStringLiteral("/usr/bin/kate"));
    QCOMPARE(first.recordNumber, 1);
    QCOMPARE(second.recordNumber, 2);
    QCOMPARE(first.listItem, QStringLiteral("NOTES") + QString(124, u' ') + QStringLiteral(" 1"));
    const QByteArray records = m_home->read(QStringLiteral("KeyWord.DAT"));
    QCOMPARE(records.size(), 616);
    QCOMPARE(records.mid(258, 7), QByteArray("  NOTES"));
    QCOMPARE(m_home->read(QStringLiteral("N.KWX")),
             QByteArray("\x01\x00\x01\x00\x00\x00NOTES", 11) + spaces(20) +
                 QByteArray("\x01\x00\x02\x00\x00\x00NOTES", 11) + spaces(20));
    QCOMPARE(m_home->read(QStringLiteral("/.APX")).size(), 62);
    QCOMPARE(database.findKeyword(QStringLiteral("NOTES")).size(), 2);
}

void TestDatabaseActions::addWritesNoEntriesWithoutTheRecord()
{
    // A folder in the record file's place cannot be written, even by root.
    QVERIFY(QDir(m_home->path()).mkdir(QStringLiteral("keyword.dat")));
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    const AddResult result =
        addKeyWord(database, platform, QStringLiteral("notes"), QStringLiteral("/bin/ls"));
    QCOMPARE(result.outcome, AddOutcome::WriteFailed);
    QCOMPARE(result.recordNumber, 0);
    QVERIFY(platform.dialog.boxes.isEmpty());
    QCOMPARE(m_home->entries(), QStringList{QStringLiteral("keyword.dat")});
}

void TestDatabaseActions::deleteSelected()
{
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    for (int i = 1; i <= 5; ++i)
        addKeyWord(database, platform, QStringLiteral("word%1").arg(i), QStringLiteral("/bin/x"));
    const QByteArray before = m_home->read(QStringLiteral("KeyWord.DAT"));

    // Nothing selected: the prompt and the message, nothing written.
    QCOMPARE(deleteSelectedKeyWord(database, platform, QString()), 0);
    QCOMPARE(deleteSelectedKeyWord(database, platform, QStringLiteral("WORD5 no number")), 0);
    QCOMPARE(platform.player.played, QStringList(2, m_home->file(QStringLiteral("Delete.Wav"))));
    QCOMPARE(platform.dialog.boxes.size(), 2);
    QCOMPARE(platform.dialog.boxes.at(0).text,
             QStringLiteral("Please select a KeyWord to delete from the list to the left, and "
                            "then click the delete button."));
    QCOMPARE(m_home->read(QStringLiteral("KeyWord.DAT")), before);

    const QString item = keyWordListItem(*database.Get_Keyword_Record(5), 5);
    QCOMPARE(deleteSelectedKeyWord(database, platform, item), 5);
    QByteArray expected = before;
    expected[4 * 308] = 3;
    QCOMPARE(m_home->read(QStringLiteral("KeyWord.DAT")), expected);
    QCOMPARE(m_home->read(QStringLiteral("W.KWX")).size(), 5 * 31);
    QVERIFY(database.findKeyword(QStringLiteral("WORD5")).isEmpty());
    QCOMPARE(platform.dialog.boxes.size(), 2);
}

void TestDatabaseActions::searchStartsEveryMatch()
{
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    database.appendRecord(QStringLiteral("notepad"), QStringLiteral("/usr/bin/gedit"));
    database.appendRecord(QStringLiteral("notes"), QStringLiteral("/usr/bin/xterm -e vi"));
    database.appendRecord(QStringLiteral("notes"), QStringLiteral("/usr/bin/mousepad"));
    database.appendRecord(QStringLiteral("notes"), QStringLiteral("/usr/bin/deleted"));
    // Index order is what counts: record 3 is indexed before record 2.
    for (const qint32 number : {1, 3, 2, 4})
        database.Add_Index_Entry(database.Get_Keyword_Record(number)->keyWord, number,
                                 kKeywordIndexExtension);
    database.Delete_KeyWord(4);

    QString dialogFileName;
    QString keyWord = QStringLiteral("  notes ");
    QVERIFY(Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QCOMPARE(keyWord, QStringLiteral("NOTES"));
    QCOMPARE(platform.launcher.started, (QStringList{QStringLiteral("/USR/BIN/MOUSEPAD"),
                                                     QStringLiteral("/USR/BIN/XTERM -E VI")}));

    platform.launcher.started.clear();
    platform.launcher.startSucceeds = false;
    keyWord = QStringLiteral("note");
    QVERIFY(!Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    keyWord = QStringLiteral("nothing");
    QVERIFY(!Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    keyWord = QStringLiteral("zebra");
    QVERIFY(!Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QVERIFY(platform.launcher.started.isEmpty());
    // A start that fails still counts as found.
    keyWord = QStringLiteral("NOTEPAD");
    QVERIFY(Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QCOMPARE(platform.launcher.started, QStringList{QStringLiteral("/USR/BIN/GEDIT")});
    QVERIFY(platform.dialog.openPresets.isEmpty());
    QVERIFY(!m_home->entries().contains(QStringLiteral("Z.KWX")));
}

void TestDatabaseActions::searchAsksForAFileAfterQuestionMark()
{
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    addKeyWord(database, platform, QStringLiteral("notepad"), QStringLiteral("/usr/bin/gedit"));
    const QString program = padded(QStringLiteral("/USR/BIN/GEDIT"), 256);

    QString dialogFileName;
    for (const QString &choice :
         {QStringLiteral("/home/me/letter.txt"), QString(), QStringLiteral("/home/me/*.txt")})
        platform.dialog.openChoices.enqueue(choice);
    QString keyWord = QStringLiteral("notepad?");
    QVERIFY(Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QCOMPARE(keyWord, QStringLiteral("NOTEPAD"));
    // The field's padding stays between the program and its argument.
    QCOMPARE(platform.launcher.started.last(), program + QStringLiteral(" /home/me/letter.txt"));
    // Cancelled: the name chosen last time is used again.
    keyWord = QStringLiteral("notepad ?");
    QVERIFY(Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QCOMPARE(keyWord, QStringLiteral("NOTEPAD"));
    QCOMPARE(platform.launcher.started.last(), program + QStringLiteral(" /home/me/letter.txt"));
    // A name with "*" gives no argument at all.
    keyWord = QStringLiteral("NOTEPAD?");
    QVERIFY(Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QCOMPARE(platform.launcher.started.last(), QStringLiteral("/USR/BIN/GEDIT"));
    QCOMPARE(platform.dialog.openPresets,
             (QStringList{QString(), QStringLiteral("/home/me/letter.txt"),
                          QStringLiteral("/home/me/letter.txt")}));
    // "?" alone asks, then has nothing to look up.
    keyWord = QStringLiteral("?");
    QVERIFY(!Search_KeyWords_Indexed(database, platform, keyWord, keyWord, dialogFileName));
    QCOMPARE(platform.dialog.openPresets.size(), 4);
    QCOMPARE(platform.launcher.started.size(), 3);
}

void TestDatabaseActions::searchHandsTheAddressToTheWebBrowser()
{
    KeywordDatabase database(m_home->path());
    FakePlatform platform;
    addKeyWord(database, platform, QStringLiteral("web browser"),
               QStringLiteral("/usr/bin/firefox"));
    QString dialogFileName = QStringLiteral("/tmp/old.txt");
    QString keyWord = QStringLiteral("WEB BROWSER");
    QVERIFY(Search_KeyWords_Indexed(database, platform, keyWord,
                                    QStringLiteral("www.example.org/Page "), dialogFileName));
    QCOMPARE(platform.launcher.started,
             QStringList{padded(QStringLiteral("/USR/BIN/FIREFOX"), 256) +
                         QStringLiteral(" www.example.org/Page")});
}

void TestDatabaseActions::listItems()
{
    const KeywordRecord record{kStatusActive, padded(QStringLiteral("/usr/bin/vi"), 256),
                               padded(QStringLiteral("VI"), 50)};
    const QString used = keywordsAlreadyUsedItem(record, 12);
    QCOMPARE(used, padded(QStringLiteral("VI"), 50) + QString(53, u' ') + QStringLiteral(" 12"));
    QCOMPARE(availableApplicationsItem(record, 7),
             padded(QStringLiteral("/USR/BIN/VI"), 256) + QString(17, u' ') + QStringLiteral(" 7"));
    QCOMPARE(keyWordListItem(record, 123456789),
             padded(QStringLiteral("VI"), 50) + QString(74, u' ') + QStringLiteral(" 123456789"));
    QCOMPARE(addedKeyWordItem(QStringLiteral("VI"), 3),
             QStringLiteral("VI") + QString(124, u' ') + QStringLiteral(" 3"));

    QCOMPARE(itemRecordNumber(used), 12);
    QCOMPARE(itemText(used), QStringLiteral("VI"));
    QCOMPARE(itemText(availableApplicationsItem(record, 7), 14), QStringLiteral("/USR/BIN/VI"));
    QCOMPARE(itemRecordNumber(QString()), 0);
    QCOMPARE(itemRecordNumber(QStringLiteral("NOTEPAD")), 0);
    QCOMPARE(itemRecordNumber(QStringLiteral("x        2.5")), 2);
    QCOMPARE(itemRecordNumber(QStringLiteral("x        3.5")), 4);
    QCOMPARE(itemRecordNumber(QStringLiteral(" 9999999999")), 0);
    QCOMPARE(itemText(QStringLiteral("short")), QString());

    QStringList list;
    for (const QString &item : {QStringLiteral("banana  2"), QStringLiteral("NOTEPAD  1"),
                                QStringLiteral("Apple  3"), QStringLiteral("NOTE  4")})
        insertSorted(list, item);
    QCOMPARE(list, (QStringList{QStringLiteral("Apple  3"), QStringLiteral("banana  2"),
                                QStringLiteral("NOTE  4"), QStringLiteral("NOTEPAD  1")}));

    const QStringList apps{availableApplicationsItem(record, 7)};
    QVERIFY(ApplicationExistsInList(apps, QStringLiteral("/USR/BIN/VI")));
    QVERIFY(!ApplicationExistsInList(apps, QStringLiteral("/usr/bin/vi")));
    QVERIFY(!ApplicationExistsInList(apps, QStringLiteral("/USR/BIN/V")));
}

void TestDatabaseActions::availableListsSortedAndDistinct()
{
    KeywordDatabase database(m_home->path());
    QVERIFY(buildAvailableLists(database).keywordsAlreadyUsed.isEmpty());
    database.appendRecord(QStringLiteral("zap"), QStringLiteral("/usr/bin/zap"));   // 1
    database.appendRecord(QStringLiteral("edit"), QStringLiteral("/usr/bin/vi"));   // 2
    database.appendRecord(QStringLiteral("gone"), QStringLiteral("/usr/bin/gone")); // 3
    database.appendRecord(QStringLiteral("vi"), QStringLiteral("  /usr/bin/vi"));   // 4
    database.appendRecord(QStringLiteral("apple"), QStringLiteral("/usr/bin/zap")); // 5
    database.Delete_KeyWord(3);

    int yields = 0;
    const AvailableLists lists = buildAvailableLists(database, [&yields] { ++yields; });
    const auto used = [](const QString &keyWord, int number) {
        return padded(keyWord, 50) + QString(53, u' ') + u' ' + QString::number(number);
    };
    const auto app = [](const QString &program, int number) {
        return padded(program, 256) + QString(17, u' ') + u' ' + QString::number(number);
    };
    QCOMPARE(lists.keywordsAlreadyUsed,
             (QStringList{used(QStringLiteral("APPLE"), 5), used(QStringLiteral("EDIT"), 2),
                          used(QStringLiteral("VI"), 4), used(QStringLiteral("ZAP"), 1)}));
    // One item per program, compared trimmed: the first record of each stands.
    QCOMPARE(lists.availableApplications, (QStringList{app(QStringLiteral("/USR/BIN/VI"), 2),
                                                       app(QStringLiteral("/USR/BIN/ZAP"), 1)}));
    QCOMPARE(yields, 0);
}

QTEST_GUILESS_MAIN(TestDatabaseActions)
#include "test_database_actions.moc"
