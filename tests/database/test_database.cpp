// The keyword database files: byte layouts, lookups through the index files,
// writes and rebuilds, file-name case, and damaged files.

#include "databasetest.h"

#include "keyworddatabase.h"
#include "records.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <unistd.h>

using namespace korvane::db;
using korvane::test::spaces;
using korvane::test::TempHome;

namespace {

QList<qint32> recordNumbers(const QList<IndexHit> &hits)
{
    QList<qint32> numbers;
    for (const IndexHit &hit : hits)
        numbers.append(hit.recordNumber);
    return numbers;
}

QList<qint64> entryNumbers(const QList<IndexHit> &hits)
{
    QList<qint64> numbers;
    for (const IndexHit &hit : hits)
        numbers.append(hit.entryNumber);
    return numbers;
}

QByteArray entryBytes(qint16 status, qint32 recordNumber, const QString &key)
{
    return encodeIndexEntry({status, recordNumber, fitField(key, kIndexKeyWidth)});
}

QByteArray recordBytes(qint16 status, const QString &keyWord, const QString &program)
{
    return encodeRecord({status, program, keyWord});
}

// Adds a record with its two index entries, as the editor's Add does.
qint32 add(KeywordDatabase &database, const QString &keyWord, const QString &program)
{
    return database.addLinkedRecord(keyWord, program).value_or(0);
}

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<TempHome>(); }
    void cleanup() { m_home.reset(); }

    void recordLayout();
    void roundedCountRoundsHalfToEven();
    void upperCaseKeepsWidthAndEncoding();
    void keyWordLookup();
    void lookupLeavesNoFilesBehind();
    void applicationSearchListsEachEntryOnce();
    void appendCutsFieldsAndKeepsLeadingSpaces();
    void deleteMarksInPlace();
    void reindexRebuildsFromActiveRecords();
    void namesMatchWithoutRegardToCase();
    void keysStartingWithSeparators();
    void partialRecordsAndEntries();
    void garbageIndexEntries();
    void unreadableFiles();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestDatabase::recordLayout()
{
    const QByteArray record =
        recordBytes(kStatusDeleted, QStringLiteral("NOTES"), QStringLiteral("C:\\A.EXE"));
    QCOMPARE(record.size(), kRecordSize);
    QCOMPARE(record.left(2), QByteArray("\x03\x00", 2));
    QCOMPARE(record.mid(2, 8), QByteArray("C:\\A.EXE"));
    QCOMPARE(record.mid(10, 248), spaces(248));
    QCOMPARE(record.mid(258), QByteArray("NOTES") + spaces(45));
    const std::optional<KeywordRecord> decoded = decodeRecord(record);
    QVERIFY(decoded);
    QCOMPARE(decoded->status, kStatusDeleted);
    QCOMPARE(decoded->program, QStringLiteral("C:\\A.EXE") + QString(248, u' '));
    QVERIFY(!decodeRecord(QByteArrayView(record).first(kRecordSize - 1)));

    // Little-endian signed integers; Windows-1252 text.
    const QByteArray entry = entryBytes(1, 0x01020304, QStringLiteral("CAF\u00C9\u20AC"));
    QCOMPARE(entry, QByteArray("\x01\x00\x04\x03\x02\x01"
                               "CAF\xC9\x80",
                               11) +
                        spaces(20));
    const std::optional<IndexEntry> decodedEntry = decodeIndexEntry(entry);
    QVERIFY(decodedEntry);
    QCOMPARE(decodedEntry->recordNumber, 0x01020304);
    QCOMPARE(decodedEntry->key.left(5), QStringLiteral("CAF\u00C9\u20AC"));
    QCOMPARE(decodeIndexEntry(entryBytes(-2, -7, QString()))->recordNumber, -7);
    QVERIFY(!decodeIndexEntry(QByteArrayView(entry).first(30)));
}

void TestDatabase::roundedCountRoundsHalfToEven()
{
    QCOMPARE(roundedCount(0, kRecordSize), 0);
    QCOMPARE(roundedCount(153, kRecordSize), 0);
    QCOMPARE(roundedCount(154, kRecordSize), 0); // 0.5 -> 0
    QCOMPARE(roundedCount(155, kRecordSize), 1);
    QCOMPARE(roundedCount(308 + 154, kRecordSize), 2); // 1.5 -> 2
    QCOMPARE(roundedCount(616 + 154, kRecordSize), 2); // 2.5 -> 2
    QCOMPARE(roundedCount(31 * 4 + 15, kIndexEntrySize), 4);
    QCOMPARE(roundedCount(31 * 4 + 16, kIndexEntrySize), 5);
}

void TestDatabase::upperCaseKeepsWidthAndEncoding()
{
    // Sharp s has no one-character capital; micro's capital is Greek.
    QCOMPARE(upperCase(u"stra\u00DFe \u00B5s \u00E9t\u00E9 \u00FF\u0161\u0153"),
             QStringLiteral("STRA\u00DFE \u00B5S \u00C9T\u00C9 \u0178\u0160\u0152"));
    QCOMPARE(trimSpaces(u" \tA B\t  "), QStringLiteral("\tA B\t"));
}

void TestDatabase::keyWordLookup()
{
    KeywordDatabase database(m_home->path());
    QCOMPARE(add(database, QStringLiteral("notepad"), QStringLiteral("/usr/bin/gedit")), 1);
    QCOMPARE(add(database, QStringLiteral("notes"), QStringLiteral("/usr/bin/mousepad")), 2);
    QCOMPARE(add(database, QStringLiteral("notes"), QStringLiteral("/usr/bin/xterm")), 3);
    const QString longKeyWord = QStringLiteral("NOTESFORTHEMEETINGONMONDAYMORNING");
    QCOMPARE(add(database, longKeyWord, QStringLiteral("/usr/bin/true")), 4);
    QCOMPARE(add(database, QStringLiteral("note book"), QStringLiteral("/usr/bin/false")), 5);

    // Exact key word match only, though NOTE passes both substring filters.
    QVERIFY(database.findKeyword(QStringLiteral("NOTE")).isEmpty());
    QCOMPARE(recordNumbers(database.findKeyword(QStringLiteral("  notepad "))), QList<qint32>{1});
    QCOMPARE(recordNumbers(database.findKeyword(QStringLiteral("NOTE BOOK"))), QList<qint32>{5});
    // Duplicates come back in index order, whatever their records say.
    const QList<IndexHit> notes = database.findKeyword(QStringLiteral("notes"));
    QCOMPARE(recordNumbers(notes), (QList<qint32>{2, 3}));
    QCOMPARE(entryNumbers(notes), (QList<qint64>{2, 3}));
    QCOMPARE(notes.at(1).record.program.trimmed(), QStringLiteral("/USR/BIN/XTERM"));
    // Only 25 characters reach the index: a longer key word is never found.
    QCOMPARE(m_home->read(QStringLiteral("N.KWX")).mid(3 * 31 + 6, 25),
             longKeyWord.left(25).toLatin1());
    QVERIFY(database.findKeyword(longKeyWord).isEmpty());

    // A record deleted after indexing is skipped though its entry stays active.
    database.Delete_KeyWord(2);
    QCOMPARE(recordNumbers(database.findKeyword(QStringLiteral("NOTES"))), QList<qint32>{3});
    QCOMPARE(database.Get_Keyword_Record(2)->status, kStatusDeleted);
    QVERIFY(!database.Get_Keyword_Record(6));
    QVERIFY(!database.Get_Keyword_Record(0));

    // No index file for the first character: nothing found.
    QVERIFY(database.findKeyword(QStringLiteral("ZEBRA")).isEmpty());
    QVERIFY(database.findKeyword(QStringLiteral("   ")).isEmpty());
}

void TestDatabase::lookupLeavesNoFilesBehind()
{
    KeywordDatabase database(m_home->path());
    QVERIFY(database.findKeyword(QStringLiteral("NOTES")).isEmpty());
    QVERIFY(database.findApplication(QStringLiteral("/usr/bin/xterm")).isEmpty());
    QVERIFY(!database.Get_Keyword_Record(1));
    QCOMPARE(database.recordCount(), 0);
    database.Delete_KeyWord(1);
    database.ReIndex_Database();
    QCOMPARE(m_home->entries(), QStringList());
}

void TestDatabase::applicationSearchListsEachEntryOnce()
{
    KeywordDatabase database(m_home->path());
    // Both programs' keys fill all 25 characters and start with "P".
    const QString wanted = QStringLiteral("/opt/suite/PROGRAMS/ALPHA/EDITOR.BIN");
    const QString other = QStringLiteral("/opt/suite/PROGRAMS/OMEGA/VIEWER.BIN");
    const QString wantedKey = KeywordDatabase::applicationKey(wanted);
    QCOMPARE(wantedKey, QStringLiteral("PROGRAMS/ALPHA/EDITOR.BIN"));
    QVERIFY(database.appendRecord(QStringLiteral("EDIT"), wanted)); // 1
    QVERIFY(database.appendRecord(QStringLiteral("VIEW"), other));  // 2
    QVERIFY(database.appendRecord(QStringLiteral("GONE"), wanted)); // 3
    database.Delete_KeyWord(3);

    // 30 entries: the wanted program at block starts and ends (8, 16, 24), plus a
    // stale entry whose record holds another program and one for a deleted record.
    const QList<qint64> wantedAt = {1, 8, 9, 16, 24, 25};
    QByteArray index;
    for (qint64 entry = 1; entry <= 30; ++entry) {
        if (wantedAt.contains(entry))
            index += entryBytes(1, 1, wantedKey);
        else if (entry == 3)
            index += entryBytes(1, 2, wantedKey);
        else if (entry == 17)
            index += entryBytes(1, 3, wantedKey);
        else
            index += entryBytes(1, 2, KeywordDatabase::applicationKey(other));
    }
    m_home->write(QStringLiteral("P.APX"), index);

    const QList<IndexHit> hits = database.findApplication(wanted.toLower() + QStringLiteral("  "));
    QCOMPARE(entryNumbers(hits), wantedAt);
    QCOMPARE(recordNumbers(hits), QList<qint32>(6, 1));
    QCOMPARE(hits.first().record.keyWord, fitField(QStringLiteral("EDIT"), kKeyWordWidth));

    // The same through a rebuilt index: one entry per active record.
    database.ReIndex_Database();
    QCOMPARE(recordNumbers(database.findApplication(wanted)), QList<qint32>{1});
    QCOMPARE(recordNumbers(database.findApplication(other)), QList<qint32>{2});
    QVERIFY(database.findApplication(QStringLiteral("/opt/ALPHA/EDITOR.BIN")).isEmpty());
}

void TestDatabase::appendCutsFieldsAndKeepsLeadingSpaces()
{
    KeywordDatabase database(m_home->path());
    const QString longKeyWord = QString(60, u'k');
    const QString longProgram = QStringLiteral("/") + QString(300, u'p');
    QCOMPARE(database.appendRecord(QStringLiteral("  notes"), QStringLiteral("/bin/ls")), 1);
    QCOMPARE(database.appendRecord(longKeyWord, longProgram), 2);
    const QByteArray bytes = m_home->read(QStringLiteral("KeyWord.DAT"));
    QCOMPARE(bytes.size(), 2 * kRecordSize);
    QCOMPARE(bytes.mid(258, 50), QByteArray("  NOTES") + spaces(43));
    QCOMPARE(bytes.mid(308 + 2, 256), QByteArray("/") + QByteArray(255, 'P'));
    QCOMPARE(bytes.mid(308 + 258, 50), QByteArray(50, 'K'));

    // The index key is trimmed and cut to 25.
    database.Add_Index_Entry(QStringLiteral("  notes   "), 1, kKeywordIndexExtension);
    database.Add_Index_Entry(longKeyWord, 2, kKeywordIndexExtension);
    database.Add_Index_Entry(QStringLiteral("    "), 3, kKeywordIndexExtension);
    QCOMPARE(m_home->read(QStringLiteral("N.KWX")),
             QByteArray("\x01\x00\x01\x00\x00\x00NOTES", 11) + spaces(20));
    QCOMPARE(m_home->read(QStringLiteral("K.KWX")),
             QByteArray("\x01\x00\x02\x00\x00\x00", 6) + QByteArray(25, 'K'));
    QCOMPARE(m_home->entries(), (QStringList{QStringLiteral("K.KWX"), QStringLiteral("KeyWord.DAT"),
                                             QStringLiteral("N.KWX")}));
}

void TestDatabase::deleteMarksInPlace()
{
    KeywordDatabase database(m_home->path());
    for (int i = 1; i <= 5; ++i)
        add(database, QStringLiteral("word%1").arg(i), QStringLiteral("/bin/prog%1").arg(i));
    const QByteArray recordsBefore = m_home->read(QStringLiteral("KeyWord.DAT"));
    const QByteArray keyIndexBefore = m_home->read(QStringLiteral("W.KWX"));
    const QByteArray appIndexBefore = m_home->read(QStringLiteral("/.APX"));
    QCOMPARE(appIndexBefore.size(), 5 * 31);

    database.Delete_KeyWord(5);
    database.Delete_KeyWord(0);
    database.Delete_KeyWord(6);
    database.Delete_KeyWord(-1);
    const QByteArray recordsAfter = m_home->read(QStringLiteral("KeyWord.DAT"));
    QByteArray expected = recordsBefore;
    expected[4 * 308] = 3;
    QCOMPARE(recordsAfter, expected);
    QCOMPARE(m_home->read(QStringLiteral("W.KWX")), keyIndexBefore);
    QCOMPARE(m_home->read(QStringLiteral("/.APX")), appIndexBefore);
}

void TestDatabase::reindexRebuildsFromActiveRecords()
{
    KeywordDatabase database(m_home->path());
    add(database, QStringLiteral("alpha"), QStringLiteral("/bin/a"));
    add(database, QStringLiteral("beta"), QStringLiteral("/bin/b"));
    add(database, QStringLiteral("apple"), QStringLiteral("/bin/a"));
    database.Delete_KeyWord(1);
    // Stale index files in every case, a hidden one, and a file that must stay.
    QVERIFY(QFile::rename(m_home->file(QStringLiteral("A.KWX")),
                          m_home->file(QStringLiteral("a.kwx"))));
    m_home->write(QStringLiteral("Z.KwX"), entryBytes(1, 1, QStringLiteral("ZULU")));
    m_home->write(QStringLiteral(".KWX"), entryBytes(1, 1, QStringLiteral("/ZULU")));
    m_home->write(QStringLiteral("q.Apx"), entryBytes(1, 1, QStringLiteral("QUEBEC")));
    m_home->write(QStringLiteral("notes.txt"), "keep");
    const QByteArray records = m_home->read(QStringLiteral("KeyWord.DAT"));

    database.ReIndex_Database();
    QCOMPARE(m_home->entries(),
             (QStringList{QStringLiteral(".APX"), QStringLiteral("A.KWX"), QStringLiteral("B.KWX"),
                          QStringLiteral("KeyWord.DAT"), QStringLiteral("notes.txt")}));
    QCOMPARE(m_home->read(QStringLiteral("KeyWord.DAT")), records);
    QCOMPARE(m_home->read(QStringLiteral("A.KWX")), entryBytes(1, 3, QStringLiteral("APPLE")));
    QCOMPARE(m_home->read(QStringLiteral("B.KWX")), entryBytes(1, 2, QStringLiteral("BETA")));
    QCOMPARE(m_home->read(QStringLiteral(".APX")), entryBytes(1, 2, QStringLiteral("/BIN/B")) +
                                                       entryBytes(1, 3, QStringLiteral("/BIN/A")));
    QVERIFY(database.findKeyword(QStringLiteral("ALPHA")).isEmpty());
    QCOMPARE(recordNumbers(database.findKeyword(QStringLiteral("APPLE"))), QList<qint32>{3});
}

void TestDatabase::namesMatchWithoutRegardToCase()
{
    KeywordDatabase database(m_home->path());
    add(database, QStringLiteral("notes"), QStringLiteral("c:\\windows\\notepad.exe"));
    QVERIFY(QFile::rename(m_home->file(QStringLiteral("KeyWord.DAT")),
                          m_home->file(QStringLiteral("keyword.dat"))));
    QVERIFY(QFile::rename(m_home->file(QStringLiteral("N.KWX")),
                          m_home->file(QStringLiteral("n.kwx"))));
    QVERIFY(QFile::rename(m_home->file(QStringLiteral("C.APX")),
                          m_home->file(QStringLiteral("c.apx"))));

    QCOMPARE(database.recordFilePath(), m_home->file(QStringLiteral("keyword.dat")));
    QCOMPARE(recordNumbers(database.findKeyword(QStringLiteral("notes"))), QList<qint32>{1});
    QCOMPARE(recordNumbers(database.findApplication(QStringLiteral("C:\\WINDOWS\\NOTEPAD.EXE"))),
             QList<qint32>{1});
    // Writes reach the existing files instead of creating new spellings.
    QCOMPARE(add(database, QStringLiteral("nano"), QStringLiteral("c:\\windows\\nano.exe")), 2);
    database.Delete_KeyWord(1);
    QCOMPARE(m_home->entries(), (QStringList{QStringLiteral("c.apx"), QStringLiteral("keyword.dat"),
                                             QStringLiteral("n.kwx")}));
    QCOMPARE(m_home->read(QStringLiteral("keyword.dat")).size(), 2 * 308);
    QCOMPARE(m_home->read(QStringLiteral("keyword.dat")).at(0), '\x03');
    QCOMPARE(m_home->read(QStringLiteral("n.kwx")).size(), 2 * 31);
}

void TestDatabase::keysStartingWithSeparators()
{
    KeywordDatabase database(m_home->path());
    // The last 25 characters of this path begin with a backslash.
    const QString windowsPath = QStringLiteral("C:\\DATA\\ABCDEFGHIJKLMNOPQRSTUVWX");
    QCOMPARE(add(database, QStringLiteral("/ls"), QStringLiteral("/usr/bin/ls")), 1);
    QCOMPARE(add(database, QStringLiteral("abc"), windowsPath), 2);
    QCOMPARE(database.indexFilePath(QStringLiteral(" /ls"), kKeywordIndexExtension),
             m_home->file(QStringLiteral(".KWX")));
    QCOMPARE(m_home->entries(),
             (QStringList{QStringLiteral(".APX"), QStringLiteral(".KWX"), QStringLiteral("A.KWX"),
                          QStringLiteral("KeyWord.DAT"), QStringLiteral("\\.APX")}));
    QCOMPARE(recordNumbers(database.findKeyword(QStringLiteral("/LS"))), QList<qint32>{1});
    QCOMPARE(recordNumbers(database.findApplication(QStringLiteral("/usr/bin/ls"))),
             QList<qint32>{1});
    QCOMPARE(recordNumbers(database.findApplication(windowsPath)), QList<qint32>{2});
}

void TestDatabase::partialRecordsAndEntries()
{
    KeywordDatabase database(m_home->path());
    for (int i = 1; i <= 3; ++i)
        add(database, QStringLiteral("n%1").arg(i), QStringLiteral("/bin/p%1").arg(i));
    const QByteArray whole = m_home->read(QStringLiteral("KeyWord.DAT"));

    // A short tail: the count rounds it away.
    m_home->write(QStringLiteral("KeyWord.DAT"), whole + QByteArray(100, 'x'));
    QCOMPARE(database.recordCount(), 3);
    // A long tail: the count rounds up, but no record is made of it.
    const QByteArray tail =
        recordBytes(1, QStringLiteral("TAIL"), QStringLiteral("/bin/t")).left(200);
    m_home->write(QStringLiteral("KeyWord.DAT"), whole + tail);
    QCOMPARE(database.recordCount(), 4);
    QList<qint32> visited;
    database.forEachRecord([&visited](qint32 number, const KeywordRecord &) {
        visited.append(number);
        return true;
    });
    QCOMPARE(visited, (QList<qint32>{1, 2, 3}));
    QVERIFY(!database.Get_Keyword_Record(4));
    database.Delete_KeyWord(4);
    QCOMPARE(m_home->read(QStringLiteral("KeyWord.DAT")), whole + tail);

    // The next record replaces the partial one and keeps its number.
    QCOMPARE(database.appendRecord(QStringLiteral("n4"), QStringLiteral("/bin/p4")), 4);
    QCOMPARE(m_home->read(QStringLiteral("KeyWord.DAT")),
             whole + recordBytes(1, fitField(QStringLiteral("N4"), 50),
                                 fitField(QStringLiteral("/BIN/P4"), 256)));

    // An index entry cut short is never read, and the next entry replaces it.
    const QByteArray index = m_home->read(QStringLiteral("N.KWX"));
    m_home->write(QStringLiteral("N.KWX"), index + entryBytes(1, 4, QStringLiteral("N4")).left(20));
    QVERIFY(database.findKeyword(QStringLiteral("N4")).isEmpty());
    QCOMPARE(recordNumbers(database.findKeyword(QStringLiteral("N2"))), QList<qint32>{2});
    database.Add_Index_Entry(QStringLiteral("n4"), 4, kKeywordIndexExtension);
    QCOMPARE(m_home->read(QStringLiteral("N.KWX")), index + entryBytes(1, 4, QStringLiteral("N4")));
    QCOMPARE(recordNumbers(database.findKeyword(QStringLiteral("N4"))), QList<qint32>{4});
}

void TestDatabase::garbageIndexEntries()
{
    KeywordDatabase database(m_home->path());
    QVERIFY(database.appendRecord(QStringLiteral("NOTES"), QStringLiteral("/bin/notes")));
    // Entries that name no record, an inactive entry, and binary noise.
    QRandomGenerator random(42);
    QByteArray noise(31 * 40, Qt::Uninitialized);
    for (char &byte : noise)
        byte = char(random.bounded(256));
    m_home->write(QStringLiteral("N.KWX"), entryBytes(1, -5, QStringLiteral("NOTES")) +
                                               entryBytes(1, 0, QStringLiteral("NOTES")) +
                                               entryBytes(1, 999999, QStringLiteral("NOTES")) +
                                               entryBytes(2, 1, QStringLiteral("NOTES")) + noise +
                                               entryBytes(1, 1, QStringLiteral("NOTES")));
    const QList<IndexHit> hits = database.findKeyword(QStringLiteral("NOTES"));
    QCOMPARE(entryNumbers(hits), QList<qint64>{45});

    // A record file of noise: every whole record is visited, none invented.
    QByteArray records(308 * 7 + 11, Qt::Uninitialized);
    for (char &byte : records)
        byte = char(random.bounded(256));
    m_home->write(QStringLiteral("KeyWord.DAT"), records);
    int visited = 0;
    database.forEachRecord([&visited](qint32, const KeywordRecord &) {
        ++visited;
        return true;
    });
    QCOMPARE(visited, 7);
    QVERIFY(database.findKeyword(QStringLiteral("NOTES")).isEmpty());
    database.ReIndex_Database();
}

void TestDatabase::unreadableFiles()
{
    KeywordDatabase database(m_home->path());
    add(database, QStringLiteral("notes"), QStringLiteral("/bin/notes"));
    if (geteuid() == 0)
        QSKIP("root reads files whatever their permissions");
    QVERIFY(QFile::setPermissions(m_home->file(QStringLiteral("N.KWX")), {}));
    QVERIFY(database.findKeyword(QStringLiteral("NOTES")).isEmpty());
    QVERIFY(QFile::setPermissions(m_home->file(QStringLiteral("KeyWord.DAT")), {}));
    QVERIFY(!database.Get_Keyword_Record(1));
    QVERIFY(!database.appendRecord(QStringLiteral("more"), QStringLiteral("/bin/more")));
    QCOMPARE(database.recordCount(), 1);
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
