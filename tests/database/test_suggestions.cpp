// SPDX-License-Identifier: GPL-3.0-or-later
// The key words suggested while typing, read from real database files in a fresh
// folder: which words a lookup finds (stale entries, deleted records and words the
// lookup cannot reach left out), the two groups and their order, reserved words,
// and the rebuild on a worker thread.

#include "keyworddatabase.h"
#include "records.h"
#include "suggestions.h"
#include "testhome.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace korvane;
using namespace korvane::db;

namespace {

const QStringList kReserved = {"ADD KEYWORD", "DIR", "EXIT"};

void appendBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append) && file.write(bytes) == bytes.size());
}

} // namespace

class TestSuggestions : public QObject
{
    Q_OBJECT

private slots:
    void suggestsWhatTheLookupFindsInTwoGroups();
    void largeDatabaseIsBuiltOnAWorkerThread();
};

void TestSuggestions::suggestsWhatTheLookupFindsInTwoGroups()
{
    test::TempHome home;
    KeywordDatabase db(home.path());
    // Left out besides the stale entries below: a deleted record, a record no index
    // entry names, a word longer than an index key, a word with a "?", a record
    // stored in lower case.
    const QString links = "notepad=/usr/bin/gedit|Notepad=/usr/bin/kate -n|another note=/bin/other|"
                          "straße=/bin/street|µtorrent=/bin/mu|editor=/bin/ed|exit=/bin/never|"
                          "notebook?=/bin/book|note taking for the long winter=/bin/long";
    for (const QString &link : links.split('|'))
        QVERIFY(db.addLinkedRecord(link.section('=', 0, 0), link.section('=', 1)));
    const std::optional<qint32> notes = db.addLinkedRecord("notes", "/bin/notes");
    const std::optional<qint32> noted = db.addLinkedRecord("noted", "/bin/noted");
    QVERIFY(notes && noted);
    db.markDeleted(*noted);
    QVERIFY(db.appendRecord("notindexed", "/bin/x"));
    appendBytes(db.recordFilePath(),
                encodeRecord({kStatusActive, fitField("/bin/lower", kProgramWidth),
                              fitField("notelower", kKeyWordWidth)}));
    db.appendIndexEntry("NOTELOWER", qint32(db.recordCount()), kKeywordIndexExtension);

    // Stale entries that must not count: one whose key does not hold its record's
    // word, one past the end of the record file, one in another letter's file.
    db.appendIndexEntry("NOTIFY", *notes, kKeywordIndexExtension);
    db.appendIndexEntry("NOTHING", 9999, kKeywordIndexExtension);
    appendBytes(db.indexFilePath("E", kKeywordIndexExtension),
                encodeIndexEntry({kStatusActive, *notes, "ENOTES"}));
    // An inactive entry for a live record.
    appendBytes(db.indexFilePath("N", kKeywordIndexExtension),
                encodeIndexEntry({kStatusDeleted, *notes, "NOTES"}));

    const SuggestionIndex index = SuggestionIndex::build(db, kReserved);

    // Sorted, with the program count and first program the lookup Enter makes
    // finds, or "*" if reserved; EXIT is reserved, so its key word is not suggested.
    QStringList suggested;
    for (const Suggestion &s : index.suggestions())
        suggested.append(
            s.reserved
                ? s.keyWord + " *"
                : QString("%1 %2 %3").arg(s.keyWord).arg(s.programCount).arg(s.firstProgram));
    QCOMPARE(suggested.join(", "),
             "ADD KEYWORD *, ANOTHER NOTE 1 /BIN/OTHER, DIR *, EDITOR 1 /BIN/ED, "
             "EXIT *, NOTEPAD 2 /USR/BIN/GEDIT, NOTES 1 /BIN/NOTES, "
             "STRAßE 1 /BIN/STREET, µTORRENT 1 /BIN/MU");

    // Typed -> the prefix group | the containing group, each sorted.
    const char *cases[][2] = {
        {"note", "NOTEPAD, NOTES | ANOTHER NOTE"},
        {"  Notes ", "NOTES | "}, // spaces and case as key words
        {"OTE", " | ANOTHER NOTE, NOTEPAD, NOTES"},
        {"d", "DIR | ADD KEYWORD, EDITOR, NOTEPAD"}, // reserved words in both groups
        {"o", " | ADD KEYWORD, ANOTHER NOTE, EDITOR, NOTEPAD, NOTES, µTORRENT"}, // once each
        {"straße", "STRAßE | "},
        {"STRASSE", " | "}, // "ß" not spelt out
        {"µt", "µTORRENT | "},
        {"Tor", " | EDITOR, µTORRENT"},
        {"R N", " | ANOTHER NOTE"},
        {"   ", " | "},
        {"xyz", " | "},
    };
    for (const auto &[typed, expected] : cases) {
        const SuggestionMatches matches = index.match(KeyWord(QString::fromUtf8(typed)));
        QStringList groups[2];
        for (qsizetype n = 0; n < matches.count(); ++n)
            groups[n < matches.prefixCount() ? 0 : 1].append(
                index.suggestions().at(matches.at(n)).keyWord);
        QCOMPARE(groups[0].join(", ") + " | " + groups[1].join(", "), QString::fromUtf8(expected));
    }
}

void TestSuggestions::largeDatabaseIsBuiltOnAWorkerThread()
{
    // Enough records that the source builds on its worker thread.
    test::TempHome home;
    KeywordDatabase database(home.path());
    for (int i = 0; i < 2100; ++i)
        QVERIFY(
            database.addLinkedRecord(QString("BULK%1").arg(i, 4, 10, QChar(u'0')), "/bin/bulk"));
    SuggestionSource source(home.path(), kReserved);
    QSignalSpy changed(&source, &SuggestionSource::changed);
    source.reload();
    QCOMPARE(changed.size(), 0); // not yet: the window goes on meanwhile
    QVERIFY(changed.wait(20000));
    std::shared_ptr<const SuggestionIndex> index = source.index();
    QCOMPARE(index->match(KeyWord(u"BULK")).count(), 2100);

    // A reload sees what was added since; the index in hand stays as it was.
    QVERIFY(database.addLinkedRecord("BULKY", "/bin/y"));
    source.reload();
    QVERIFY(changed.wait(20000));
    QCOMPARE(source.index()->match(KeyWord(u"BULKY")).count(), 1);
    QCOMPARE(index->match(KeyWord(u"BULKY")).count(), 0);
}

QTEST_GUILESS_MAIN(TestSuggestions)
#include "test_suggestions.moc"
