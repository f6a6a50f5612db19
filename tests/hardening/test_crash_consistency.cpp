// Kills a process that writes the keyword database (or saves a script) at random
// moments, hundreds of times, and checks what is left on disk after each kill.

#include "keyworddatabase.h"
#include "scripterfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace korvane;
using namespace korvane::db;

namespace {

constexpr int kDatabaseKills = 250;
constexpr int kKillsPerFolder = 50;
constexpr int kSaveKills = 100;

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An append of `item` cut short by a power failure: like every append it starts
// after the last whole item, and only its first `length` bytes reach the disk.
void tornAppend(const QString &path, const QByteArray &item, qint64 length)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.resize(file.size() / item.size() * item.size()));
    QVERIFY(file.seek(file.size()));
    QCOMPARE(file.write(item.left(length)), length);
}

// The number both fields of a worker's record carry, or -1 when they disagree
// (a record mixed from two writes, or not written whole).
qint64 recordTag(const KeywordRecord &record)
{
    static const QRegularExpression keyWord(QStringLiteral("^KW(\\d+)$"));
    static const QRegularExpression program(QStringLiteral("^/USR/BIN/PROGRAM-(\\d+)$"));
    const QRegularExpressionMatch k = keyWord.match(trimSpaces(record.keyWord));
    const QRegularExpressionMatch p = program.match(trimSpaces(record.program));
    if (!k.hasMatch() || !p.hasMatch() || k.captured(1) != p.captured(1))
        return -1;
    return k.captured(1).toLongLong();
}

struct Counts
{
    qint64 records = 0;
    qint64 deleted = 0;
    qint64 entries = 0;
};

// Every whole record is one the worker wrote, every whole index entry points at
// a whole record with its key, and the readers see exactly the whole records.
Counts checkDatabase(const QString &folder)
{
    Counts counts;
    const KeywordDatabase database(folder);
    const QByteArray records = readBytes(database.recordFilePath());
    counts.records = records.size() / kRecordSize;
    for (qint64 i = 0; i < counts.records; ++i) {
        const KeywordRecord record =
            *decodeRecord(QByteArrayView(records).sliced(i * kRecordSize, kRecordSize));
        if (record.status != kStatusActive && record.status != kStatusDeleted)
            qFatal("record %lld has status %d", i + 1, record.status);
        if (recordTag(record) < 0)
            qFatal("record %lld is not whole: %s", i + 1, qPrintable(record.keyWord));
        if (record.status == kStatusDeleted)
            ++counts.deleted;
    }

    const QStringList indexFiles = QDir(folder).entryList(
        {QStringLiteral("*.KWX"), QStringLiteral("*.APX")}, QDir::Files | QDir::Hidden);
    for (const QString &name : indexFiles) {
        const bool keyWordIndex = name.endsWith(QLatin1String(".KWX"));
        const QByteArray entries = readBytes(folder + u'/' + name);
        for (qint64 offset = 0; offset + kIndexEntrySize <= entries.size();
             offset += kIndexEntrySize) {
            ++counts.entries;
            const IndexEntry entry =
                *decodeIndexEntry(QByteArrayView(entries).sliced(offset, kIndexEntrySize));
            if (entry.status != kStatusActive || entry.recordNumber < 1 ||
                entry.recordNumber > counts.records)
                qFatal("%s: entry at %lld points at record %d of %lld", qPrintable(name), offset,
                       entry.recordNumber, counts.records);
            const KeywordRecord record = *decodeRecord(QByteArrayView(records).sliced(
                (entry.recordNumber - 1) * kRecordSize, kRecordSize));
            const QString key = keyWordIndex ? trimSpaces(record.keyWord).left(kIndexKeyWidth)
                                             : KeywordDatabase::applicationKey(record.program);
            if (trimSpaces(entry.key) != key)
                qFatal("%s: entry %s names record %d holding %s", qPrintable(name),
                       qPrintable(entry.key), entry.recordNumber, qPrintable(key));
        }
    }

    // The readers ignore a trailing partial record.
    qint64 visited = 0;
    database.forEachRecord([&visited](qint32, const KeywordRecord &) {
        ++visited;
        return true;
    });
    if (visited != counts.records)
        qFatal("the reader visited %lld of %lld whole records", visited, counts.records);
    if (database.Get_Keyword_Record(qint32(counts.records + 1)))
        qFatal("a partial record was read");
    return counts;
}

// After a reindex every active record is found by its key word and its program.
void checkFindableAfterReindex(const QString &folder)
{
    KeywordDatabase database(folder);
    database.ReIndex_Database();
    checkDatabase(folder);
    qint64 active = 0;
    database.forEachRecord([&](qint32 number, const KeywordRecord &record) {
        if (!record.isActive())
            return true;
        ++active;
        const auto holds = [number](const QList<IndexHit> &hits) {
            return std::any_of(hits.cbegin(), hits.cend(), [number](const IndexHit &hit) {
                return hit.recordNumber == number;
            });
        };
        if (!holds(database.findKeyword(record.keyWord)))
            qFatal("record %d (%s) is not found by its key word", number,
                   qPrintable(trimSpaces(record.keyWord)));
        if (!holds(database.findApplication(record.program)))
            qFatal("record %d is not found by its program", number);
        return true;
    });
    qInfo("%s: %lld active records found after the reindex", qPrintable(QDir(folder).dirName()),
          active);
}

// Starts the worker, lets it run for a random moment after it is ready, kills it.
// With `afterFirstSave` the moment is measured in saves rather than milliseconds:
// up to two more saves after the first one, however slow the build (sanitizers)
// or the machine is.
void runAndKill(const QStringList &arguments, int maxMs, bool afterFirstSave = false)
{
    QProcess worker;
    worker.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/crash_worker"));
    worker.setArguments(arguments);
    worker.start();
    QVERIFY2(worker.waitForStarted(10000), qPrintable(worker.errorString()));
    QVERIFY(worker.waitForReadyRead(10000));
    if (afterFirstSave) {
        QElapsedTimer save;
        save.start();
        while (!worker.readAll().contains("saved"))
            QVERIFY(worker.waitForReadyRead(10000));
        maxMs = int(2 * save.elapsed());
    }
    QThread::msleep(QRandomGenerator::global()->bounded(maxMs + 1));
    worker.kill();
    QVERIFY(worker.waitForFinished(10000));
    QCOMPARE(worker.exitStatus(), QProcess::CrashExit);
}

} // namespace

class TestCrashConsistency : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("KORVANE_HOME", m_dir.path().toUtf8());
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void database()
    {
        QRandomGenerator &random = *QRandomGenerator::global();
        Counts total;
        QString folder;
        for (int kill = 0; kill < kDatabaseKills; ++kill) {
            if (kill % kKillsPerFolder == 0) {
                if (!folder.isEmpty())
                    checkFindableAfterReindex(folder);
                folder = m_dir.filePath(QStringLiteral("db%1").arg(kill / kKillsPerFolder));
                QVERIFY(QDir().mkpath(folder));
            }
            // Now and then a write cut short by a power failure: a partial record
            // and a partial index entry at the ends of their files.
            if (kill % 10 == 5) {
                KeywordRecord record{kStatusActive, fitField(QStringLiteral("/USR/BIN/CUT"), 256),
                                     fitField(QStringLiteral("CUT"), 50)};
                tornAppend(KeywordDatabase(folder).recordFilePath(), encodeRecord(record),
                           random.bounded(1, kRecordSize));
                tornAppend(folder + QStringLiteral("/K.KWX"),
                           encodeIndexEntry({kStatusActive, 1, QStringLiteral("KW1")}),
                           random.bounded(1, kIndexEntrySize));
            }
            runAndKill({QStringLiteral("database"), folder, QString::number(random.generate())},
                       40);
            const Counts counts = checkDatabase(folder);
            if (kill % kKillsPerFolder == kKillsPerFolder - 1) {
                total.records += counts.records;
                total.deleted += counts.deleted;
                total.entries += counts.entries;
            }
        }
        checkFindableAfterReindex(folder);
        qInfo("%d kills: %lld records, %lld deleted, %lld index entries", kDatabaseKills,
              total.records, total.deleted, total.entries);
        // The kills landed while the worker was writing, not before it began.
        QVERIFY(total.records > 0);
        QVERIFY(total.deleted > 0);
        QVERIFY(total.entries > 0);
    }

    void scriptSave()
    {
        const QString path = m_dir.filePath(QStringLiteral("big.vlm"));
        const QString first(1 << 19, u'a');
        const QString second =
            QString(1 << 18, u'b') + QStringLiteral("\n") + QString(1 << 18, u'c');
        const QByteArray firstBytes = (editor::toFileText(first) + QStringLiteral("\r\n")).toUtf8();
        const QByteArray secondBytes =
            (editor::toFileText(second) + QStringLiteral("\r\n")).toUtf8();
        QVERIFY(editor::writeScriptFile(path, first).ok);

        int seenFirst = 0;
        int seenSecond = 0;
        for (int kill = 0; kill < kSaveKills; ++kill) {
            runAndKill({QStringLiteral("save"), path, QString::number(kill)}, 0, true);
            const QByteArray bytes = readBytes(path);
            if (bytes == firstBytes)
                ++seenFirst;
            else if (bytes == secondBytes)
                ++seenSecond;
            else
                QFAIL(qPrintable(QStringLiteral("kill %1 left %2 bytes, neither text")
                                     .arg(kill)
                                     .arg(bytes.size())));
        }
        qInfo("%d kills: the first text %d times, the second %d times", kSaveKills, seenFirst,
              seenSecond);
        QVERIFY(seenFirst > 0);
        QVERIFY(seenSecond > 0);
    }
};

QTEST_GUILESS_MAIN(TestCrashConsistency)
#include "test_crash_consistency.moc"
