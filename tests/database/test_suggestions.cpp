// SPDX-License-Identifier: GPL-3.0-or-later
// The key words suggested while typing, read from real database files in a fresh
// folder: which words a lookup finds (stale entries, deleted records and words the
// lookup cannot reach left out), the two groups and their order, reserved words,
// and the rebuild on a worker thread.

#include "keyworddatabase.h"
#include "lookup.h"
#include "records.h"
#include "suggestions.h"
#include "testhome.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace korvane;
using namespace korvane::db;

namespace {

const QStringList kReserved = {QStringLiteral("ADD KEYWORD"), QStringLiteral("DIR"),
                               QStringLiteral("EXIT")};

void appendBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The words of `matches`, the second group after a "|".
QStringList shown(const SuggestionIndex &index, const SuggestionMatches &matches)
{
    QStringList words;
    for (qsizetype n = 0; n < matches.count(); ++n) {
        if (n == matches.prefixCount())
            words.append(QStringLiteral("|"));
        words.append(index.suggestions().at(matches.at(n)).keyWord);
    }
    if (matches.prefixCount() == matches.count())
        words.append(QStringLiteral("|"));
    return words;
}

} // namespace

class TestSuggestions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void suggestsWhatTheLookupFinds();
    void groupsAndOrder_data();
    void groupsAndOrder();
    void reservedWordTakesThePlaceOfAKeyWord();
    void largeDatabaseIsBuiltOnAWorkerThread();

private:
    std::unique_ptr<test::TempHome> m_home;
    std::unique_ptr<KeywordDatabase> m_database;
    SuggestionIndex m_index;
};

void TestSuggestions::init()
{
    m_home.reset();
    m_home = std::make_unique<test::TempHome>();
    m_database = std::make_unique<KeywordDatabase>(m_home->path());
    KeywordDatabase &db = *m_database;
    QVERIFY(db.addLinkedRecord(QStringLiteral("notepad"), QStringLiteral("/usr/bin/gedit")));
    QVERIFY(db.addLinkedRecord(QStringLiteral("Notepad"), QStringLiteral("/usr/bin/kate -n")));
    const std::optional<qint32> notes =
        db.addLinkedRecord(QStringLiteral("notes"), QStringLiteral("/bin/notes"));
    QVERIFY(notes);
    QVERIFY(db.addLinkedRecord(QStringLiteral("another note"), QStringLiteral("/bin/other")));
    QVERIFY(db.addLinkedRecord(QStringLiteral("straße"), QStringLiteral("/bin/street")));
    QVERIFY(db.addLinkedRecord(QStringLiteral("µtorrent"), QStringLiteral("/bin/mu")));
    QVERIFY(db.addLinkedRecord(QStringLiteral("editor"), QStringLiteral("/bin/ed")));
    QVERIFY(db.addLinkedRecord(QStringLiteral("exit"), QStringLiteral("/bin/never")));

    // Left out: a deleted record, a record no index entry names, a word longer
    // than an index key, a word with a "?", a record stored in lower case.
    const std::optional<qint32> noted =
        db.addLinkedRecord(QStringLiteral("noted"), QStringLiteral("/bin/noted"));
    QVERIFY(noted);
    db.markDeleted(*noted);
    QVERIFY(db.appendRecord(QStringLiteral("notindexed"), QStringLiteral("/bin/x")));
    QVERIFY(db.addLinkedRecord(QStringLiteral("note taking for the long winter"),
                               QStringLiteral("/bin/long")));
    QVERIFY(db.addLinkedRecord(QStringLiteral("notebook?"), QStringLiteral("/bin/book")));
    KeywordRecord lower{kStatusActive, fitField(QStringLiteral("/bin/lower"), kProgramWidth),
                        fitField(QStringLiteral("notelower"), kKeyWordWidth)};
    appendBytes(db.recordFilePath(), encodeRecord(lower));
    db.appendIndexEntry(QStringLiteral("NOTELOWER"), qint32(db.recordCount()),
                        kKeywordIndexExtension);

    // Stale entries that must not count: one whose key does not hold its record's
    // word, one past the end of the record file, one in another letter's file.
    db.appendIndexEntry(QStringLiteral("NOTIFY"), *notes, kKeywordIndexExtension);
    db.appendIndexEntry(QStringLiteral("NOTHING"), 9999, kKeywordIndexExtension);
    appendBytes(db.indexFilePath(QStringLiteral("E"), kKeywordIndexExtension),
                encodeIndexEntry({kStatusActive, *notes, QStringLiteral("ENOTES")}));
    // An inactive entry for a live record.
    appendBytes(db.indexFilePath(QStringLiteral("N"), kKeywordIndexExtension),
                encodeIndexEntry({kStatusDeleted, *notes, QStringLiteral("NOTES")}));

    m_index = SuggestionIndex::build(db, kReserved);
}

void TestSuggestions::cleanup()
{
    m_database.reset();
    m_home.reset();
}

void TestSuggestions::suggestsWhatTheLookupFinds()
{
    QList<Suggestion> expected = {
        {QStringLiteral("ADD KEYWORD"), 0, QString(), true},
        {QStringLiteral("ANOTHER NOTE"), 1, QStringLiteral("/BIN/OTHER"), false},
        {QStringLiteral("DIR"), 0, QString(), true},
        {QStringLiteral("EDITOR"), 1, QStringLiteral("/BIN/ED"), false},
        {QStringLiteral("EXIT"), 0, QString(), true},
        {QStringLiteral("NOTEPAD"), 2, QStringLiteral("/USR/BIN/GEDIT"), false},
        {QStringLiteral("NOTES"), 1, QStringLiteral("/BIN/NOTES"), false},
        {QStringLiteral("STRAßE"), 1, QStringLiteral("/BIN/STREET"), false},
        {QStringLiteral("µTORRENT"), 1, QStringLiteral("/BIN/MU"), false},
    };
    std::sort(expected.begin(), expected.end(),
              [](const Suggestion &a, const Suggestion &b) { return a.keyWord < b.keyWord; });
    QCOMPARE(m_index.suggestions(), expected);

    // Each suggestion is found by the lookup Enter makes, with as many programs.
    for (const Suggestion &suggestion : m_index.suggestions()) {
        if (suggestion.reserved)
            continue;
        const QStringList lines = commandLinesFor(*m_database, KeyWord(suggestion.keyWord), {});
        QCOMPARE(lines.size(), suggestion.programCount);
        QCOMPARE(lines.first(), suggestion.firstProgram);
    }
}

void TestSuggestions::groupsAndOrder_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("words"); // "|" between the two groups

    const auto words = [](const char *list) {
        return QString::fromUtf8(list)
            .split(u' ', Qt::SkipEmptyParts)
            .replaceInStrings(QStringLiteral("_"), QStringLiteral(" "));
    };
    QTest::newRow("prefix, then containing") << "note" << words("NOTEPAD NOTES | ANOTHER_NOTE");
    QTest::newRow("spaces and case as key words") << "  Notes " << words("NOTES |");
    QTest::newRow("only containing") << "OTE" << words("| ANOTHER_NOTE NOTEPAD NOTES");
    QTest::newRow("reserved in both groups") << "d" << words("DIR | ADD_KEYWORD EDITOR NOTEPAD");
    QTest::newRow("listed once however often contained")
        << "o" << words("| ANOTHER_NOTE ADD_KEYWORD EDITOR NOTEPAD NOTES µTORRENT");
    QTest::newRow("sharp s kept") << "straße" << words("STRAßE |");
    QTest::newRow("sharp s not spelt out") << "STRASSE" << words("|");
    QTest::newRow("micro sign kept") << "µt" << words("µTORRENT |");
    QTest::newRow("micro sign contained") << "Tor" << words("| EDITOR µTORRENT");
    QTest::newRow("a space inside") << "R N" << words("| ANOTHER_NOTE");
    QTest::newRow("empty suggests nothing") << "   " << words("|");
    QTest::newRow("unknown") << "xyz" << words("|");
}

void TestSuggestions::groupsAndOrder()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, words);
    QStringList expected = words;
    // The containing group is in sorted order whatever order the table lists.
    const qsizetype bar = expected.indexOf(QStringLiteral("|"));
    std::sort(expected.begin() + bar + 1, expected.end());
    QCOMPARE(shown(m_index, m_index.match(KeyWord(typed))), expected);
}

void TestSuggestions::reservedWordTakesThePlaceOfAKeyWord()
{
    const SuggestionMatches matches = m_index.match(KeyWord(u"exit"));
    QCOMPARE(matches.count(), 1);
    const Suggestion &exit = m_index.suggestions().at(matches.at(0));
    QVERIFY(exit.reserved);
    QCOMPARE(exit.programCount, 0);
}

void TestSuggestions::largeDatabaseIsBuiltOnAWorkerThread()
{
    // Enough records that the source builds on its worker thread.
    for (int i = 0; i < 2100; ++i)
        QVERIFY(m_database->addLinkedRecord(QStringLiteral("BULK%1").arg(i, 4, 10, QChar(u'0')),
                                            QStringLiteral("/bin/bulk")));
    SuggestionSource source(m_home->path(), kReserved);
    QSignalSpy changed(&source, &SuggestionSource::changed);
    source.reload();
    QCOMPARE(changed.size(), 0); // not yet: the window goes on meanwhile
    QVERIFY(changed.wait(20000));
    std::shared_ptr<const SuggestionIndex> index = source.index();
    QCOMPARE(index->match(KeyWord(u"BULK")).count(), 2100);
    QCOMPARE(index->match(KeyWord(u"BULK2099")).count(), 1);

    // A reload sees what was added since; the index in hand stays as it was.
    QVERIFY(m_database->addLinkedRecord(QStringLiteral("BULKY"), QStringLiteral("/bin/y")));
    source.reload();
    QVERIFY(changed.wait(20000));
    QCOMPARE(source.index()->match(KeyWord(u"BULKY")).count(), 1);
    QCOMPARE(index->match(KeyWord(u"BULKY")).count(), 0);
}

QTEST_GUILESS_MAIN(TestSuggestions)
#include "test_suggestions.moc"
