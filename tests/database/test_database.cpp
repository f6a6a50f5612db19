// The keyword database files: byte layouts, lookups through the index files,
// writes and rebuilds, file-name case, and damaged files.

#include "databasetest.h"

#include "keyworddatabase.h"
#include "records.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;
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
    void entriesNamingNoActiveRecordAreSkipped();

private:
    std::unique_ptr<TempHome> m_home;
};

// The full record and entry layouts are checked through the editor's Add; these are
// the parts it does not reach: a deleted status, numbers above one byte and below zero.
void TestDatabase::recordLayout()
{
    const QByteArray record = encodeRecord({kStatusDeleted, u"C:\\A.EXE"_s, u"NOTES"_s});
    QCOMPARE(record.left(10), QByteArray("\x03\x00"
                                         "C:\\A.EXE",
                                         10));
    QCOMPARE(decodeRecord(record)->status, kStatusDeleted);
    const QByteArray entry = entryBytes(1, 0x01020304, u"KEY"_s);
    QCOMPARE(entry.left(9), QByteArray("\x01\x00\x04\x03\x02\x01KEY", 9));
    QCOMPARE(decodeIndexEntry(entry)->recordNumber, 0x01020304);
    QCOMPARE(decodeIndexEntry(entryBytes(-2, -7, QString()))->recordNumber, -7);
}

void TestDatabase::roundedCountRoundsHalfToEven()
{
    QCOMPARE(roundedCount(154, kRecordSize), 0); // 0.5 -> 0
    QCOMPARE(roundedCount(155, kRecordSize), 1);
    QCOMPARE(roundedCount(308 + 154, kRecordSize), 2); // 1.5 -> 2
    QCOMPARE(roundedCount(616 + 154, kRecordSize), 2); // 2.5 -> 2
}

void TestDatabase::upperCaseKeepsWidthAndEncoding()
{
    // Sharp s has no one-character capital; micro's capital is Greek.
    QCOMPARE(upperCase(u"stra\u00DFe \u00B5s \u00E9t\u00E9 \u00FF\u0161\u0153"),
             u"STRA\u00DFE \u00B5S \u00C9T\u00C9 \u0178\u0160\u0152"_s);
    QCOMPARE(trimSpaces(u" \tA B\t  "), u"\tA B\t"_s);
}

void TestDatabase::keyWordLookup()
{
    KeywordDatabase database(m_home->path());
    add(database, u"notepad"_s, u"/usr/bin/gedit"_s);
    add(database, u"notes"_s, u"/usr/bin/mousepad"_s);
    add(database, u"notes"_s, u"/usr/bin/xterm"_s);
    const QString longKeyWord = u"NOTESFORTHEMEETINGONMONDAYMORNING"_s;
    add(database, longKeyWord, u"/usr/bin/true"_s);
    QCOMPARE(add(database, u"note book"_s, u"/usr/bin/false"_s), 5);

    // Exact key word match only, though NOTE passes both substring filters.
    QVERIFY(database.findKeyword(KeyWord(u"NOTE"_s)).isEmpty());
    QCOMPARE(recordNumbers(database.findKeyword(KeyWord(u"  notepad "_s))), QList<qint32>{1});
    QCOMPARE(recordNumbers(database.findKeyword(KeyWord(u"NOTE BOOK"_s))), QList<qint32>{5});
    const QList<IndexHit> notes = database.findKeyword(KeyWord(u"notes"_s));
    QCOMPARE(recordNumbers(notes), (QList<qint32>{2, 3}));
    QCOMPARE(notes.at(1).record.program.trimmed(), u"/USR/BIN/XTERM"_s);
    // Only 25 characters reach the index: a longer key word is never found.
    QVERIFY(database.findKeyword(KeyWord(longKeyWord)).isEmpty());

    // A record deleted after indexing is skipped though its entry stays active.
    database.markDeleted(2);
    QCOMPARE(recordNumbers(database.findKeyword(KeyWord(u"NOTES"_s))), QList<qint32>{3});
    QCOMPARE(database.record(2)->status, kStatusDeleted);
    QVERIFY(!database.record(6));
    QVERIFY(database.findKeyword(KeyWord(u"ZEBRA"_s)).isEmpty());
}

void TestDatabase::lookupLeavesNoFilesBehind()
{
    KeywordDatabase database(m_home->path());
    QVERIFY(database.findKeyword(KeyWord(u"NOTES"_s)).isEmpty());
    QVERIFY(database.findApplication(u"/usr/bin/xterm"_s).isEmpty());
    QVERIFY(!database.record(1));
    database.markDeleted(1);
    database.rebuildIndexes();
    QCOMPARE(m_home->entries(), QStringList());
}

void TestDatabase::applicationSearchListsEachEntryOnce()
{
    KeywordDatabase database(m_home->path());
    // Both programs' keys fill all 25 characters and start with "P".
    const QString wanted = u"/opt/suite/PROGRAMS/ALPHA/EDITOR.BIN"_s;
    const QString other = u"/opt/suite/PROGRAMS/OMEGA/VIEWER.BIN"_s;
    const QString wantedKey = KeywordDatabase::applicationKey(wanted);
    QCOMPARE(wantedKey, u"PROGRAMS/ALPHA/EDITOR.BIN"_s);
    QVERIFY(database.appendRecord(u"EDIT"_s, wanted)); // 1
    QVERIFY(database.appendRecord(u"VIEW"_s, other));  // 2
    QVERIFY(database.appendRecord(u"GONE"_s, wanted)); // 3
    database.markDeleted(3);

    // 30 entries: the wanted program (W) at block starts and ends (8, 16, 24), plus a
    // stale entry (S) whose record holds another program and one for a deleted record (D).
    const QString layout = u"WOSOOOOWWOOOOOOWDOOOOOOWWOOOOO"_s;
    QList<qint64> wantedAt;
    QByteArray index;
    for (qsizetype i = 0; i < layout.size(); ++i) {
        const QChar kind = layout.at(i);
        if (kind == u'W')
            wantedAt.append(i + 1);
        index += kind == u'O' ? entryBytes(1, 2, KeywordDatabase::applicationKey(other))
                              : entryBytes(1, QString(u"?WSD"_s).indexOf(kind), wantedKey);
    }
    m_home->write(u"P.APX"_s, index);

    const QList<IndexHit> hits = database.findApplication(wanted.toLower() + u"  "_s);
    QCOMPARE(entryNumbers(hits), wantedAt);
    QCOMPARE(recordNumbers(hits), QList<qint32>(6, 1));
    QCOMPARE(hits.first().record.keyWord, fitField(u"EDIT"_s, kKeyWordWidth));
}

void TestDatabase::appendCutsFieldsAndKeepsLeadingSpaces()
{
    KeywordDatabase database(m_home->path());
    const QString longKeyWord = QString(60, u'k');
    QCOMPARE(database.appendRecord(u"  notes"_s, u"/bin/ls"_s), 1);
    QCOMPARE(database.appendRecord(longKeyWord, u"/"_s + QString(300, u'p')), 2);
    const QByteArray bytes = m_home->read(u"KeyWord.DAT"_s);
    QCOMPARE(bytes.size(), 2 * kRecordSize);
    QCOMPARE(bytes.mid(258, 50), QByteArray("  NOTES") + spaces(43));
    QCOMPARE(bytes.mid(308 + 2, 256), QByteArray("/") + QByteArray(255, 'P'));
    QCOMPARE(bytes.mid(308 + 258, 50), QByteArray(50, 'K'));

    // The index key is trimmed and cut to 25; a blank key makes no entry.
    database.appendIndexEntry(u"  notes   "_s, 1, kKeywordIndexExtension);
    database.appendIndexEntry(longKeyWord, 2, kKeywordIndexExtension);
    database.appendIndexEntry(u"    "_s, 3, kKeywordIndexExtension);
    QCOMPARE(m_home->read(u"N.KWX"_s),
             QByteArray("\x01\x00\x01\x00\x00\x00NOTES", 11) + spaces(20));
    QCOMPARE(m_home->read(u"K.KWX"_s),
             QByteArray("\x01\x00\x02\x00\x00\x00", 6) + QByteArray(25, 'K'));
    QCOMPARE(m_home->entries(), (QStringList{u"K.KWX"_s, u"KeyWord.DAT"_s, u"N.KWX"_s}));
}

void TestDatabase::deleteMarksInPlace()
{
    KeywordDatabase database(m_home->path());
    for (int i = 1; i <= 5; ++i)
        add(database, u"word%1"_s.arg(i), u"/bin/prog%1"_s.arg(i));
    const QByteArray records = m_home->read(u"KeyWord.DAT"_s);
    const QByteArray keyIndex = m_home->read(u"W.KWX"_s);
    const QByteArray appIndex = m_home->read(u"/.APX"_s);

    for (const qint32 number : {5, 0, 6, -1})
        database.markDeleted(number);
    QByteArray expected = records;
    expected[4 * 308] = 3;
    QCOMPARE(m_home->read(u"KeyWord.DAT"_s), expected);
    QCOMPARE(m_home->read(u"W.KWX"_s), keyIndex);
    QCOMPARE(m_home->read(u"/.APX"_s), appIndex);
}

void TestDatabase::reindexRebuildsFromActiveRecords()
{
    KeywordDatabase database(m_home->path());
    add(database, u"alpha"_s, u"/bin/a"_s);
    add(database, u"beta"_s, u"/bin/b"_s);
    add(database, u"apple"_s, u"/bin/a"_s);
    database.markDeleted(1);
    // Stale index files in every case, hidden or with wildcard names, and files that must stay.
    QVERIFY(QFile::rename(m_home->file(u"A.KWX"_s), m_home->file(u"a.kwx"_s)));
    m_home->write(u"*.KwX"_s, entryBytes(1, 1, u"ZULU"_s));
    m_home->write(u".KWX"_s, entryBytes(1, 1, u"/ZULU"_s));
    m_home->write(u"?.Apx"_s, entryBytes(1, 1, u"QUEBEC"_s));
    m_home->write(u"apx"_s, "keep");
    m_home->write(u"notes.kwx.bak"_s, "keep");
    const QByteArray records = m_home->read(u"KeyWord.DAT"_s);

    database.rebuildIndexes();
    QCOMPARE(m_home->entries(), (QStringList{u".APX"_s, u"A.KWX"_s, u"B.KWX"_s, u"KeyWord.DAT"_s,
                                             u"apx"_s, u"notes.kwx.bak"_s}));
    QCOMPARE(m_home->read(u"KeyWord.DAT"_s), records);
    QCOMPARE(m_home->read(u"A.KWX"_s), entryBytes(1, 3, u"APPLE"_s));
    QCOMPARE(m_home->read(u"B.KWX"_s), entryBytes(1, 2, u"BETA"_s));
    QCOMPARE(m_home->read(u".APX"_s),
             entryBytes(1, 2, u"/BIN/B"_s) + entryBytes(1, 3, u"/BIN/A"_s));
}

void TestDatabase::namesMatchWithoutRegardToCase()
{
    KeywordDatabase database(m_home->path());
    add(database, u"notes"_s, u"c:\\windows\\notepad.exe"_s);
    for (const char *name : {"KeyWord.DAT", "N.KWX", "C.APX"})
        QVERIFY(QFile::rename(m_home->file(QString::fromLatin1(name)),
                              m_home->file(QString::fromLatin1(name).toLower())));

    QCOMPARE(recordNumbers(database.findKeyword(KeyWord(u"notes"_s))), QList<qint32>{1});
    QCOMPARE(recordNumbers(database.findApplication(u"C:\\WINDOWS\\NOTEPAD.EXE"_s)),
             QList<qint32>{1});
    // Writes reach the existing files instead of creating new spellings.
    QCOMPARE(add(database, u"nano"_s, u"c:\\windows\\nano.exe"_s), 2);
    database.markDeleted(1);
    QCOMPARE(m_home->entries(), (QStringList{u"c.apx"_s, u"keyword.dat"_s, u"n.kwx"_s}));
    QCOMPARE(m_home->read(u"keyword.dat"_s).size(), 2 * 308);
    QCOMPARE(m_home->read(u"keyword.dat"_s).at(0), '\x03');
    QCOMPARE(m_home->read(u"n.kwx"_s).size(), 2 * 31);
}

void TestDatabase::keysStartingWithSeparators()
{
    KeywordDatabase database(m_home->path());
    // The last 25 characters of this path begin with a backslash.
    const QString windowsPath = u"C:\\DATA\\ABCDEFGHIJKLMNOPQRSTUVWX"_s;
    QCOMPARE(add(database, u"/ls"_s, u"/usr/bin/ls"_s), 1);
    QCOMPARE(add(database, u"abc"_s, windowsPath), 2);
    QCOMPARE(m_home->entries(),
             (QStringList{u".APX"_s, u".KWX"_s, u"A.KWX"_s, u"KeyWord.DAT"_s, u"\\.APX"_s}));
    QCOMPARE(recordNumbers(database.findKeyword(KeyWord(u"/LS"_s))), QList<qint32>{1});
    QCOMPARE(recordNumbers(database.findApplication(u"/usr/bin/ls"_s)), QList<qint32>{1});
    QCOMPARE(recordNumbers(database.findApplication(windowsPath)), QList<qint32>{2});
}

// Torn appends at random lengths are also made by the crash-consistency test; these
// are the reads and writes of a partial item it does not check.
void TestDatabase::partialRecordsAndEntries()
{
    KeywordDatabase database(m_home->path());
    for (int i = 1; i <= 3; ++i)
        add(database, u"n%1"_s.arg(i), u"/bin/p%1"_s.arg(i));
    const QByteArray whole = m_home->read(u"KeyWord.DAT"_s);

    // A long tail: the count rounds up, but no record is made of it or written to.
    const QByteArray tail = encodeRecord({1, u"/bin/t"_s, u"TAIL"_s}).left(200);
    m_home->write(u"KeyWord.DAT"_s, whole + tail);
    QCOMPARE(database.recordCount(), 4);
    QVERIFY(!database.record(4));
    database.markDeleted(4);
    QCOMPARE(m_home->read(u"KeyWord.DAT"_s), whole + tail);

    // The next record replaces the partial one and keeps its number.
    QCOMPARE(database.appendRecord(u"n4"_s, u"/bin/p4"_s), 4);
    QCOMPARE(m_home->read(u"KeyWord.DAT"_s),
             whole + encodeRecord({1, fitField(u"/BIN/P4"_s, kProgramWidth),
                                   fitField(u"N4"_s, kKeyWordWidth)}));

    // An index entry cut short is never read, and the next entry replaces it.
    const QByteArray index = m_home->read(u"N.KWX"_s);
    m_home->write(u"N.KWX"_s, index + entryBytes(1, 4, u"N4"_s).left(20));
    QVERIFY(database.findKeyword(KeyWord(u"N4"_s)).isEmpty());
    database.appendIndexEntry(u"n4"_s, 4, kKeywordIndexExtension);
    QCOMPARE(m_home->read(u"N.KWX"_s), index + entryBytes(1, 4, u"N4"_s));
    QCOMPARE(recordNumbers(database.findKeyword(KeyWord(u"N4"_s))), QList<qint32>{4});
}

void TestDatabase::entriesNamingNoActiveRecordAreSkipped()
{
    KeywordDatabase database(m_home->path());
    QVERIFY(database.appendRecord(u"NOTES"_s, u"/bin/notes"_s));
    m_home->write(u"N.KWX"_s, entryBytes(1, -5, u"NOTES"_s) + entryBytes(1, 0, u"NOTES"_s) +
                                  entryBytes(1, 999999, u"NOTES"_s) + entryBytes(2, 1, u"NOTES"_s) +
                                  entryBytes(1, 1, u"NOTES"_s));
    QCOMPARE(entryNumbers(database.findKeyword(KeyWord(u"NOTES"_s))), QList<qint64>{5});
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
