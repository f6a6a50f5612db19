// SPDX-License-Identifier: GPL-3.0-or-later
// The keyword database: byte layouts of records and index entries, lookups through
// the index files, adds, deletes and rebuilds, file-name case, damaged files, and
// what the windows get from it (command lines, list items).

#include "testhome.h"

#include "keyworddatabase.h"
#include "lookup.h"
#include "maintenance.h"

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace korvane::db;
using korvane::test::TempHome;

namespace {

QByteArray entryBytes(qint16 status, qint32 recordNumber, const QString &key)
{
    return encodeIndexEntry({status, recordNumber, key});
}

template<typename Item> QStringList numbered(const QList<Item> &items)
{
    QStringList result;
    for (const Item &item : items) {
        if constexpr (std::is_same_v<Item, RecordItem>)
            result.append(item.text + u'#' + QString::number(item.recordNumber));
        else
            result.append(QString::number(item.recordNumber));
    }
    return result;
}

QStringList found(const KeywordDatabase &database, const QString &keyWord)
{
    return numbered(database.findKeyword(KeyWord(keyWord)));
}

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<KeywordDatabase> m_database;

    KeywordDatabase &database() { return *m_database; }
    // Adds a record with its two index entries, as the editor's Add does.
    qint32 add(const QString &keyWord, const QString &program)
    {
        return database().addLinkedRecord(keyWord, program).value_or(0);
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TempHome>();
        m_database = std::make_unique<KeywordDatabase>(m_home->path());
    }
    void cleanup() { m_home.reset(); }

    void addWritesTheExactBytes()
    {
        const AddResult result = addKeyWord(database(), u"notes"_s, u"c:\\windows\\notepad.exe"_s);
        QCOMPARE(result.outcome, AddOutcome::Added);
        QCOMPARE(result.listItem,
                 (RecordItem{u"NOTES"_s, 1, u"NOTES"_s + QString(124, u' ') + u" 1"_s}));
        QCOMPARE(m_home->entries(), (QStringList{u"C.APX"_s, u"KeyWord.DAT"_s, u"N.KWX"_s}));
        QCOMPARE(m_home->read(u"KeyWord.DAT"_s), "\x01\x00"_ba + "C:\\WINDOWS\\NOTEPAD.EXE" +
                                                     QByteArray(234, ' ') + "NOTES" +
                                                     QByteArray(45, ' '));
        QCOMPARE(m_home->read(u"N.KWX"_s),
                 "\x01\x00\x01\x00\x00\x00NOTES"_ba + QByteArray(20, ' '));
        QCOMPARE(m_home->read(u"C.APX"_s),
                 "\x01\x00\x01\x00\x00\x00"_ba + "C:\\WINDOWS\\NOTEPAD.EXE" + QByteArray(3, ' '));
        // What Add does not reach: a deleted status, numbers above one byte and below zero.
        QCOMPARE(encodeRecord({kStatusDeleted, u"P"_s, u"K"_s}).left(3), "\x03\x00P"_ba);
        QCOMPARE(entryBytes(1, 0x01020304, u"K"_s).left(7), "\x01\x00\x04\x03\x02\x01K"_ba);
        QCOMPARE(decodeIndexEntry(entryBytes(-2, -7, QString()))->recordNumber, -7);
        QCOMPARE(decodeRecord(encodeRecord({kStatusDeleted, {}, {}}))->status, kStatusDeleted);
    }

    void countsRoundHalfToEvenAndCaseKeepsWidth()
    {
        const QList<std::pair<qint64, qint64>> lengths = {
            {154, 0}, {155, 1}, {308 + 154, 2}, {616 + 154, 2}, {0, 0}};
        for (const auto &[length, count] : lengths)
            QCOMPARE(roundedCount(length, kRecordSize), count);
        // Sharp s has no one-character capital; micro's capital is Greek.
        QCOMPARE(upperCase(u"stra\u00DFe \u00B5s \u00E9t\u00E9 \u00FF\u0161\u0153"),
                 u"STRA\u00DFE \u00B5S \u00C9T\u00C9 \u0178\u0160\u0152"_s);
        QCOMPARE(trimSpaces(u" \tA B\t  "), u"\tA B\t"_s);
    }

    void addOutcomes()
    {
        // Only the program is asked for when both are empty; a path of spaces passes,
        // a key word of spaces does not.
        QCOMPARE(addKeyWord(database(), {}, {}).outcome, AddOutcome::MissingProgram);
        QCOMPARE(addKeyWord(database(), u"   "_s, u"  "_s).outcome, AddOutcome::MissingKeyWord);
        // An emoji (a surrogate pair) and Greek have no Windows-1252 byte; each is named once.
        const AddResult refused = addKeyWord(database(), u"s"_s, u"/\U0001F600/\u03A9/\u03A9"_s);
        QCOMPARE(refused.outcome, AddOutcome::NotRepresentable);
        QCOMPARE(refused.unstorable, u"\U0001F600\u03A9"_s);
        QCOMPARE(m_home->entries(), QStringList());

        // Accented letters and the euro sign are stored as their single bytes.
        QCOMPARE(addKeyWord(database(), u"caf\u00e9\u20ac"_s, u"/opt/ed"_s).recordNumber, 1);
        QCOMPARE(m_home->read(u"C.KWX"_s).mid(6, 5), "CAF\xC9\x80"_ba);
    }

    // What root meets too: a loop, a folder, a FIFO (which must not hang) or a link
    // into a missing folder in a data file's place. Each read, add and rebuild fails
    // with the file and the reason, and changes nothing.
    void unreadableFilesAreToldAndKept_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        for (const QString &name : {u"KeyWord.DAT"_s, u"N.KWX"_s}) {
            QTest::addRow("%s loop", qPrintable(name)) << name << u"symbolic links"_s;
            QTest::addRow("%s directory", qPrintable(name)) << name << u"irectory"_s;
            QTest::addRow("%s FIFO", qPrintable(name)) << name << u"FIFO"_s;
            QTest::addRow("%s link into a missing folder", qPrintable(name))
                << name << u"No such file"_s;
        }
    }
    void unreadableFilesAreToldAndKept()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        add(u"notes"_s, u"/bin/notes"_s);
        add(u"zap"_s, u"/bin/zap"_s);
        database().markDeleted(2); // a rebuild would drop its entries
        const QString path = m_home->file(name);
        const QString row = QString::fromLatin1(QTest::currentDataTag());
        QVERIFY(QFile::remove(path));
        QVERIFY(row.endsWith(u"loop"_s)        ? QFile::link(path, path)
                : row.endsWith(u"FIFO"_s)      ? mkfifo(QFile::encodeName(path), 0600) == 0
                : row.endsWith(u"directory"_s) ? QDir().mkdir(path)
                                               : QFile::link(u"gone/file"_s, path));
        const auto files = [this] {
            QByteArrayList all;
            for (const QString &entry : m_home->entries())
                all << (QFileInfo(m_home->file(entry)).isFile() ? m_home->read(entry)
                                                                : entry.toUtf8());
            return all;
        };
        const QByteArrayList before = files();
        const auto toldAndKept = [&](const QString &error) {
            QVERIFY2(error.contains(path) && error.contains(reason), qPrintable(error));
            QCOMPARE(files(), before);
        };

        QVERIFY(found(database(), u"notes"_s).isEmpty());
        toldAndKept(database().errorString());
        const AddResult added = addKeyWord(database(), u"new"_s, u"/bin/new"_s);
        QCOMPARE(added.outcome, AddOutcome::WriteFailed);
        toldAndKept(added.error);
        QVERIFY(!database().rebuildIndexes());
        toldAndKept(database().errorString());
    }

    void keyWordLookup()
    {
        // Lookups in an empty folder create nothing.
        QVERIFY(database().findKeyword(KeyWord(u"NOTES"_s)).isEmpty());
        QVERIFY(database().findApplication(u"/usr/bin/xterm"_s).isEmpty());
        QVERIFY(!database().record(1));
        database().markDeleted(1);
        database().rebuildIndexes();
        QCOMPARE(m_home->entries(), QStringList());

        add(u"notepad"_s, u"/usr/bin/gedit"_s);
        add(u"notes"_s, u"/usr/bin/mousepad"_s);
        add(u"notes"_s, u"/usr/bin/xterm"_s);
        const QString longKeyWord = u"NOTESFORTHEMEETINGONMONDAYMORNING"_s;
        add(longKeyWord, u"/usr/bin/true"_s);
        QCOMPARE(add(u"stra\u00DFe book"_s, u"/usr/bin/false"_s), 5);
        // Exact key word match only, though NOTE passes both substring filters.
        QVERIFY(found(database(), u"NOTE"_s).isEmpty());
        QCOMPARE(found(database(), u"  notepad "_s), QStringList{u"1"_s});
        // Typed in any case: a sharp s has no one-character capital, so it stays.
        QCOMPARE(found(database(), u"Stra\u00DFe Book"_s), QStringList{u"5"_s});
        QCOMPARE(found(database(), u"notes"_s), (QStringList{u"2"_s, u"3"_s}));
        // Only 25 characters reach the index: a longer key word is never found.
        QVERIFY(found(database(), longKeyWord).isEmpty());
        // A record deleted after indexing is skipped though its entry stays active.
        database().markDeleted(2);
        QCOMPARE(found(database(), u"NOTES"_s), QStringList{u"3"_s});
    }

    void applicationSearchListsEachEntryOnce()
    {
        // Both programs' keys fill all 25 characters and start with "P".
        const QString wanted = u"/opt/suite/PROGRAMS/ALPHA/EDITOR.BIN"_s;
        const QString other = u"/opt/suite/PROGRAMS/OMEGA/VIEWER.BIN"_s;
        const QString wantedKey = KeywordDatabase::applicationKey(wanted);
        QCOMPARE(wantedKey, u"PROGRAMS/ALPHA/EDITOR.BIN"_s);
        QVERIFY(database().appendRecord(u"EDIT"_s, wanted)); // 1
        QVERIFY(database().appendRecord(u"VIEW"_s, other));  // 2
        QVERIFY(database().appendRecord(u"GONE"_s, wanted)); // 3
        database().markDeleted(3);

        // 30 entries: the wanted program (W) at block starts and ends (8, 16, 24), plus a
        // stale entry (S) whose record holds another program and one for a deleted record (D).
        const QString layout = u"WOSOOOOWWOOOOOOWDOOOOOOWWOOOOO"_s;
        QStringList wantedAt;
        QByteArray index;
        for (qsizetype i = 0; i < layout.size(); ++i) {
            const QChar kind = layout.at(i);
            if (kind == u'W')
                wantedAt.append(QString::number(i + 1));
            index += kind == u'O' ? entryBytes(1, 2, KeywordDatabase::applicationKey(other))
                                  : entryBytes(1, QString(u"?WSD"_s).indexOf(kind), wantedKey);
        }
        m_home->write(u"P.APX"_s, index);

        const QList<IndexHit> hits = database().findApplication(wanted.toLower() + u"  "_s);
        QStringList entryNumbers;
        for (const IndexHit &hit : hits)
            entryNumbers.append(QString::number(hit.entryNumber));
        QCOMPARE(entryNumbers, wantedAt);
        QCOMPARE(numbered(hits), QStringList(6, u"1"_s));
    }

    void appendCutsFieldsAndKeepsLeadingSpaces()
    {
        const QString longKeyWord = QString(60, u'k');
        QCOMPARE(database().appendRecord(u"  notes"_s, u"/bin/ls"_s), 1);
        QCOMPARE(database().appendRecord(longKeyWord, u"/"_s + QString(300, u'p')), 2);
        const QByteArray bytes = m_home->read(u"KeyWord.DAT"_s);
        QCOMPARE(bytes.size(), 2 * kRecordSize);
        QCOMPARE(bytes.mid(258, 50), "  NOTES"_ba + QByteArray(43, ' '));
        QCOMPARE(bytes.mid(308 + 2, 256), "/"_ba + QByteArray(255, 'P'));
        QCOMPARE(bytes.mid(308 + 258, 50), QByteArray(50, 'K'));

        // The index key is trimmed and cut to 25; a blank key makes no entry.
        database().appendIndexEntry(u"  notes   "_s, 1, kKeywordIndexExtension);
        database().appendIndexEntry(longKeyWord, 2, kKeywordIndexExtension);
        database().appendIndexEntry(u"    "_s, 3, kKeywordIndexExtension);
        QCOMPARE(m_home->read(u"N.KWX"_s),
                 "\x01\x00\x01\x00\x00\x00NOTES"_ba + QByteArray(20, ' '));
        QCOMPARE(m_home->read(u"K.KWX"_s), "\x01\x00\x02\x00\x00\x00"_ba + QByteArray(25, 'K'));
        QCOMPARE(m_home->entries(), (QStringList{u"K.KWX"_s, u"KeyWord.DAT"_s, u"N.KWX"_s}));
    }

    void deleteMarksTheRecordInPlace()
    {
        for (int i = 1; i <= 5; ++i)
            add(u"word%1"_s.arg(i), u"/bin/prog%1"_s.arg(i));
        const QByteArray records = m_home->read(u"KeyWord.DAT"_s);
        const QByteArray keyIndex = m_home->read(u"W.KWX"_s);
        const QByteArray appIndex = m_home->read(u"/.APX"_s);

        for (const qint32 number : {5, 0, 6, -1})
            database().markDeleted(number);
        QByteArray expected = records;
        expected[4 * 308] = 3;
        QCOMPARE(m_home->read(u"KeyWord.DAT"_s), expected);
        QCOMPARE(m_home->read(u"W.KWX"_s), keyIndex);
        QCOMPARE(m_home->read(u"/.APX"_s), appIndex);
    }

    void rebuildIndexesFromActiveRecords()
    {
        add(u"alpha"_s, u"/bin/a"_s);
        add(u"beta"_s, u"/bin/b"_s);
        add(u"apple"_s, u"/bin/a"_s);
        add(u":colon"_s, u"/bin/c"_s); // its index, ":.KWX", is no Qt resource
        database().markDeleted(1);
        // Stale index files in every case, hidden or with wildcard names, and files that stay.
        QVERIFY(QFile::rename(m_home->file(u"A.KWX"_s), m_home->file(u"a.kwx"_s)));
        m_home->write(u"*.KwX"_s, entryBytes(1, 1, u"ZULU"_s));
        m_home->write(u".KWX"_s, entryBytes(1, 1, u"/ZULU"_s));
        m_home->write(u"?.Apx"_s, entryBytes(1, 1, u"QUEBEC"_s));
        m_home->write(u"apx"_s, "keep");
        m_home->write(u"notes.kwx.bak"_s, "keep");
        const QByteArray records = m_home->read(u"KeyWord.DAT"_s);

        database().rebuildIndexes();
        QCOMPARE(m_home->entries(), (QStringList{u".APX"_s, u":.KWX"_s, u"A.KWX"_s, u"B.KWX"_s,
                                                 u"KeyWord.DAT"_s, u"apx"_s, u"notes.kwx.bak"_s}));
        QCOMPARE(m_home->read(u":.KWX"_s), entryBytes(1, 4, u":COLON"_s));
        QCOMPARE(m_home->read(u"KeyWord.DAT"_s), records);
        QCOMPARE(m_home->read(u"A.KWX"_s), entryBytes(1, 3, u"APPLE"_s));
        QCOMPARE(m_home->read(u"B.KWX"_s), entryBytes(1, 2, u"BETA"_s));
        QCOMPARE(m_home->read(u".APX"_s),
                 entryBytes(1, 2, u"/BIN/B"_s) + entryBytes(1, 3, u"/BIN/A"_s) +
                     entryBytes(1, 4, u"/BIN/C"_s));
    }

    void namesMatchWithoutRegardToCase()
    {
        add(u"notes"_s, u"c:\\windows\\notepad.exe"_s);
        add(u"/ls"_s, u"/usr/bin/ls"_s);
        // The last 25 characters of this path begin with a backslash.
        QCOMPARE(add(u"abc"_s, u"C:\\DATA\\ABCDEFGHIJKLMNOPQRSTUVWX"_s), 3);
        QCOMPARE(m_home->entries(), (QStringList{u".APX"_s, u".KWX"_s, u"A.KWX"_s, u"C.APX"_s,
                                                 u"KeyWord.DAT"_s, u"N.KWX"_s, u"\\.APX"_s}));
        for (const QString &name : m_home->entries())
            QVERIFY(QFile::rename(m_home->file(name), m_home->file(name.toLower())));

        QCOMPARE(found(database(), u"notes"_s), QStringList{u"1"_s});
        QCOMPARE(found(database(), u"/LS"_s), QStringList{u"2"_s});
        QCOMPARE(numbered(database().findApplication(u"C:\\DATA\\ABCDEFGHIJKLMNOPQRSTUVWX"_s)),
                 QStringList{u"3"_s});
        // Writes reach the existing files instead of creating new spellings.
        add(u"nano"_s, u"c:\\windows\\nano.exe"_s);
        add(u"/lsd"_s, u"/usr/bin/lsd"_s);
        database().markDeleted(1);
        QCOMPARE(m_home->entries(), (QStringList{u".apx"_s, u".kwx"_s, u"\\.apx"_s, u"a.kwx"_s,
                                                 u"c.apx"_s, u"keyword.dat"_s, u"n.kwx"_s}));
        QCOMPARE(m_home->read(u"keyword.dat"_s).at(0), '\x03');
    }

    // Torn appends at random lengths are also made by the crash-consistency test; these
    // are the reads and writes of a partial item it does not check.
    void partialRecordsAndEntries()
    {
        for (int i = 1; i <= 3; ++i)
            add(u"n%1"_s.arg(i), u"/bin/p%1"_s.arg(i));
        const QByteArray whole = m_home->read(u"KeyWord.DAT"_s);

        // A long tail: the count rounds up, but no record is made of it or written to.
        const QByteArray tail = encodeRecord({1, u"/bin/t"_s, u"TAIL"_s}).left(200);
        m_home->write(u"KeyWord.DAT"_s, whole + tail);
        QCOMPARE(database().recordCount(), 4);
        QVERIFY(!database().record(4));
        database().markDeleted(4);
        QCOMPARE(m_home->read(u"KeyWord.DAT"_s), whole + tail);
        // The next record replaces the partial one and keeps its number.
        QCOMPARE(database().appendRecord(u"n4"_s, u"/bin/p4"_s), 4);
        QCOMPARE(m_home->read(u"KeyWord.DAT"_s), whole + encodeRecord({1, u"/BIN/P4"_s, u"N4"_s}));

        // An index entry cut short is never read, and the next entry replaces it.
        const QByteArray index = m_home->read(u"N.KWX"_s);
        m_home->write(u"N.KWX"_s, index + entryBytes(1, 4, u"N4"_s).left(20));
        QVERIFY(found(database(), u"N4"_s).isEmpty());
        database().appendIndexEntry(u"n4"_s, 4, kKeywordIndexExtension);
        QCOMPARE(m_home->read(u"N.KWX"_s), index + entryBytes(1, 4, u"N4"_s));
        QCOMPARE(found(database(), u"N4"_s), QStringList{u"4"_s});
    }

    void entriesNamingNoActiveRecordAreSkipped()
    {
        QVERIFY(database().appendRecord(u"NOTES"_s, u"/bin/notes"_s));
        m_home->write(u"N.KWX"_s, entryBytes(1, -5, u"NOTES"_s) + entryBytes(1, 0, u"NOTES"_s) +
                                      entryBytes(1, 999999, u"NOTES"_s) +
                                      entryBytes(2, 1, u"NOTES"_s) + entryBytes(1, 1, u"NOTES"_s));
        QCOMPARE(database().findKeyword(KeyWord(u"NOTES"_s)).value(0).entryNumber, 5);
        QCOMPARE(database().findKeyword(KeyWord(u"NOTES"_s)).size(), 1);
    }

    void commandLinesOfEveryMatch()
    {
        const QStringList programs{u"/usr/bin/gedit"_s, u"/usr/bin/xterm -e vi"_s,
                                   u"/usr/bin/mousepad"_s, u"/usr/bin/deleted"_s};
        for (const QString &program : programs)
            database().appendRecord(program == programs[0] ? u"notepad"_s : u"notes"_s, program);
        // Index order is what counts: record 3 is indexed before record 2.
        for (const qint32 number : {1, 3, 2, 4})
            database().appendIndexEntry(database().record(number)->keyWord, number,
                                        kKeywordIndexExtension);
        database().markDeleted(4);

        QCOMPARE(commandLinesFor(database(), KeyWord(u"  notes "), {}),
                 (QStringList{u"/USR/BIN/MOUSEPAD"_s, u"/USR/BIN/XTERM -E VI"_s}));
        // The field's padding stays between the program and its argument.
        QCOMPARE(commandLinesFor(database(), KeyWord(u"notepad"), u"/home/me/a.txt"_s),
                 QStringList{fitField(u"/USR/BIN/GEDIT"_s, 256) + u" /home/me/a.txt"_s});
        QVERIFY(commandLinesFor(database(), KeyWord(u"note"), {}).isEmpty());
    }

    void listItemsAreSortedAndCarryTheirRecord()
    {
        const KeywordRecord vi{kStatusActive, fitField(u"/usr/bin/vi"_s, 256),
                               fitField(u"VI"_s, 50)};
        QCOMPARE(keyWordOfApplicationItem(vi, 123456789),
                 (RecordItem{u"VI"_s, 123456789,
                             fitField(u"VI"_s, 50) + QString(74, u' ') + u" 123456789"_s}));
        QCOMPARE(keyWordItem(vi, 12).shown, fitField(u"VI"_s, 50) + QString(53, u' ') + u" 12"_s);
        QCOMPARE(applicationItem(vi, 7).shown,
                 fitField(u"/USR/BIN/VI"_s, 256) + QString(17, u' ') + u" 7"_s);

        // Sorted by what is shown, ignoring case; equal texts by their number.
        QList<RecordItem> list;
        for (const auto &[text, number] : QList<std::pair<QString, qint32>>{{u"banana"_s, 2},
                                                                            {u"NOTEPAD"_s, 1},
                                                                            {u"NOTE"_s, 14},
                                                                            {u"Apple"_s, 3},
                                                                            {u"NOTE"_s, 4}})
            insertSorted(list, addedKeyWordItem(text, number));
        QCOMPARE(numbered(list), (QStringList{u"Apple#3"_s, u"banana#2"_s, u"NOTE#14"_s,
                                              u"NOTE#4"_s, u"NOTEPAD#1"_s}));

        // The command center's lists: one item per active record, one per program
        // (compared trimmed: the first record of each stands).
        database().appendRecord(u"zap"_s, u"/usr/bin/zap"_s);   // 1
        database().appendRecord(u"edit"_s, u"/usr/bin/vi"_s);   // 2
        database().appendRecord(u"gone"_s, u"/usr/bin/gone"_s); // 3
        database().appendRecord(u"vi"_s, u"  /usr/bin/vi"_s);   // 4
        database().appendRecord(u"apple"_s, u"/usr/bin/zap"_s); // 5
        database().markDeleted(3);
        const AvailableLists lists = buildAvailableLists(database());
        QCOMPARE(numbered(lists.keyWords),
                 (QStringList{u"APPLE#5"_s, u"EDIT#2"_s, u"VI#4"_s, u"ZAP#1"_s}));
        QCOMPARE(numbered(lists.applications),
                 (QStringList{u"/USR/BIN/VI#2"_s, u"/USR/BIN/ZAP#1"_s}));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
