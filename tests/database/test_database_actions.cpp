// What the windows do with the database: what a key word starts, the sorted list
// items, and the editor's add and delete.

#include "databasetest.h"

#include "lookup.h"
#include "maintenance.h"

using namespace Qt::StringLiterals;
using namespace korvane::db;
using korvane::test::spaces;
using korvane::test::TempHome;

namespace {

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
    void deleteMarksTheRecordOnly();
    void commandLinesOfEveryMatch();
    void listItems();
    void availableListsSortedAndDistinct();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestDatabaseActions::addWritesTheExactBytes()
{
    KeywordDatabase database(m_home->path());
    const AddResult result = addKeyWord(database, u"notes"_s, u"c:\\windows\\notepad.exe"_s);
    QCOMPARE(result.outcome, AddOutcome::Added);
    QCOMPARE(result.recordNumber, 1);
    QCOMPARE(result.listItem,
             (RecordItem{u"NOTES"_s, 1, u"NOTES"_s + QString(124, u' ') + u" 1"_s}));

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
    // Both empty: only the application path is asked for. A path of spaces passes;
    // a key word of spaces does not. Nothing is written either way.
    QCOMPARE(addKeyWord(database, QString(), QString()).outcome, AddOutcome::MissingProgram);
    QCOMPARE(addKeyWord(database, u"notes"_s, QString()).outcome, AddOutcome::MissingProgram);
    QCOMPARE(addKeyWord(database, u"   "_s, u"  "_s).outcome, AddOutcome::MissingKeyWord);
    QCOMPARE(m_home->entries(), QStringList());
}

void TestDatabaseActions::addRefusesWhatWindows1252CannotStore()
{
    KeywordDatabase database(m_home->path());
    // An emoji (a surrogate pair) and Greek have no Windows-1252 byte; each is named once.
    const AddResult refused = addKeyWord(database, u"smile"_s, u"/home/\U0001F600/\u03A9/\u03A9"_s);
    QCOMPARE(refused.outcome, AddOutcome::NotRepresentable);
    QCOMPARE(refused.unstorable, u"\U0001F600\u03A9"_s);
    QCOMPARE(m_home->entries(), QStringList());

    // Accented letters and the euro sign are stored as their single bytes.
    QCOMPARE(addKeyWord(database, u"caf\u00e9\u20ac"_s, u"/opt/\u00e9diteur"_s).outcome,
             AddOutcome::Added);
    QCOMPARE(m_home->read(u"KeyWord.DAT"_s).mid(2, 12), QByteArray("/OPT/\xC9"
                                                                   "DITEUR"));
    QCOMPARE(m_home->read(u"C.KWX"_s).mid(6, 5), QByteArray("CAF\xC9\x80"));
    QCOMPARE(database.findKeyword(KeyWord(u"caf\u00e9\u20ac")).size(), 1);
}

void TestDatabaseActions::addTwiceMakesTwoRecords()
{
    KeywordDatabase database(m_home->path());
    QCOMPARE(addKeyWord(database, u"notes"_s, u"/usr/bin/gedit"_s).recordNumber, 1);
    QCOMPARE(addKeyWord(database, u"notes"_s, u"/usr/bin/kate"_s).recordNumber, 2);
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
    const AddResult result = addKeyWord(database, u"notes"_s, u"/bin/ls"_s);
    QCOMPARE(result.outcome, AddOutcome::WriteFailed);
    QCOMPARE(result.recordNumber, 0);
    QCOMPARE(m_home->entries(), QStringList{u"keyword.dat"_s});
}

void TestDatabaseActions::deleteMarksTheRecordOnly()
{
    KeywordDatabase database(m_home->path());
    for (int i = 1; i <= 5; ++i)
        addKeyWord(database, u"word%1"_s.arg(i), u"/bin/x"_s);
    const QByteArray records = m_home->read(u"KeyWord.DAT"_s);
    const QByteArray index = m_home->read(u"W.KWX"_s);

    database.markDeleted(0); // nothing selected
    QCOMPARE(m_home->read(u"KeyWord.DAT"_s), records);
    database.markDeleted(5);
    QByteArray expected = records;
    expected[4 * 308] = 3;
    QCOMPARE(m_home->read(u"KeyWord.DAT"_s), expected);
    QCOMPARE(m_home->read(u"W.KWX"_s), index);
    QVERIFY(database.findKeyword(KeyWord(u"WORD5")).isEmpty());
    QCOMPARE(database.findKeyword(KeyWord(u"WORD4")).size(), 1);
}

void TestDatabaseActions::commandLinesOfEveryMatch()
{
    KeywordDatabase database(m_home->path());
    database.appendRecord(u"notepad"_s, u"/usr/bin/gedit"_s);
    database.appendRecord(u"notes"_s, u"/usr/bin/xterm -e vi"_s);
    database.appendRecord(u"notes"_s, u"/usr/bin/mousepad"_s);
    database.appendRecord(u"notes"_s, u"/usr/bin/deleted"_s);
    // Index order is what counts: record 3 is indexed before record 2.
    for (const qint32 number : {1, 3, 2, 4})
        database.appendIndexEntry(database.record(number)->keyWord, number,
                                 kKeywordIndexExtension);
    database.markDeleted(4);

    QCOMPARE(commandLinesFor(database, KeyWord(u"  notes "), QString()),
             (QStringList{u"/USR/BIN/MOUSEPAD"_s, u"/USR/BIN/XTERM -E VI"_s}));
    // The field's padding stays between the program and its argument.
    QCOMPARE(commandLinesFor(database, KeyWord(u"notepad"), u"/home/me/a.txt"_s),
             QStringList{padded(u"/USR/BIN/GEDIT"_s, 256) + u" /home/me/a.txt"_s});
    QVERIFY(commandLinesFor(database, KeyWord(u"note"), QString()).isEmpty());
    QVERIFY(commandLinesFor(database, KeyWord(u"zebra"), QString()).isEmpty());
    QVERIFY(!m_home->entries().contains(u"Z.KWX"_s));
}

void TestDatabaseActions::listItems()
{
    const KeywordRecord record{kStatusActive, padded(u"/usr/bin/vi"_s, 256), padded(u"VI"_s, 50)};
    QCOMPARE(keyWordOfApplicationItem(record, 123456789),
             (RecordItem{u"VI"_s, 123456789,
                         padded(u"VI"_s, 50) + QString(74, u' ') + u" 123456789"_s}));
    QCOMPARE(keyWordItem(record, 12).shown, padded(u"VI"_s, 50) + QString(53, u' ') + u" 12"_s);
    QCOMPARE(applicationItem(record, 7).text, u"/USR/BIN/VI"_s);

    // Sorted by what is shown, ignoring case; equal texts by their number.
    QList<RecordItem> list;
    for (const RecordItem &item :
         {addedKeyWordItem(u"banana"_s, 2), addedKeyWordItem(u"NOTEPAD"_s, 1),
          addedKeyWordItem(u"NOTE"_s, 14), addedKeyWordItem(u"Apple"_s, 3),
          addedKeyWordItem(u"NOTE"_s, 4)})
        insertSorted(list, item);
    QStringList order;
    for (const RecordItem &item : std::as_const(list))
        order.append(item.text + u'#' + QString::number(item.recordNumber));
    QCOMPARE(order,
             (QStringList{u"Apple#3"_s, u"banana#2"_s, u"NOTE#14"_s, u"NOTE#4"_s, u"NOTEPAD#1"_s}));
}

void TestDatabaseActions::availableListsSortedAndDistinct()
{
    KeywordDatabase database(m_home->path());
    database.appendRecord(u"zap"_s, u"/usr/bin/zap"_s);   // 1
    database.appendRecord(u"edit"_s, u"/usr/bin/vi"_s);   // 2
    database.appendRecord(u"gone"_s, u"/usr/bin/gone"_s); // 3
    database.appendRecord(u"vi"_s, u"  /usr/bin/vi"_s);   // 4
    database.appendRecord(u"apple"_s, u"/usr/bin/zap"_s); // 5
    database.markDeleted(3);

    const AvailableLists lists = buildAvailableLists(database);
    const auto entries = [](const QList<RecordItem> &items) {
        QStringList result;
        for (const RecordItem &item : items)
            result.append(item.text + u'#' + QString::number(item.recordNumber));
        return result;
    };
    QCOMPARE(entries(lists.keyWords),
             (QStringList{u"APPLE#5"_s, u"EDIT#2"_s, u"VI#4"_s, u"ZAP#1"_s}));
    // One item per program, compared trimmed: the first record of each stands.
    QCOMPARE(entries(lists.applications), (QStringList{u"/USR/BIN/VI#2"_s, u"/USR/BIN/ZAP#1"_s}));
}

QTEST_GUILESS_MAIN(TestDatabaseActions)
#include "test_database_actions.moc"
