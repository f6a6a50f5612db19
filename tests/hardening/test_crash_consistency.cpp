// Kills a process that writes the keyword database (or saves a script) at random
// moments, hundreds of times, and checks what is left on disk after each kill.

#include "keyworddatabase.h"
#include "scripttext.h"

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
using namespace Qt::StringLiterals;

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

// The worker gives key word and program the same number: false for a record mixed
// from two writes, or not written whole.
bool isWorkersRecord(const KeywordRecord &record)
{
    static const QRegularExpression keyWord(u"^KW(\\d+)$"_s);
    const QRegularExpressionMatch k = keyWord.match(trimSpaces(record.keyWord));
    return k.hasMatch() && trimSpaces(record.program) == u"/USR/BIN/PROGRAM-"_s + k.captured(1);
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
    const auto record = [&records](qint64 number) {
        return *decodeRecord(
            QByteArrayView(records).sliced((number - 1) * kRecordSize, kRecordSize));
    };
    for (qint64 i = 1; i <= counts.records; ++i) {
        const KeywordRecord r = record(i);
        if (r.status != kStatusActive && r.status != kStatusDeleted)
            qFatal("record %lld has status %d", i, r.status);
        if (!isWorkersRecord(r))
            qFatal("record %lld is not whole: %s", i, qPrintable(r.keyWord));
        counts.deleted += r.status == kStatusDeleted;
    }

    const QStringList indexFiles =
        QDir(folder).entryList({u"*.KWX"_s, u"*.APX"_s}, QDir::Files | QDir::Hidden);
    for (const QString &name : indexFiles) {
        const QByteArray entries = readBytes(folder + u'/' + name);
        for (qint64 at = 0; at + kIndexEntrySize <= entries.size(); at += kIndexEntrySize) {
            ++counts.entries;
            const IndexEntry entry =
                *decodeIndexEntry(QByteArrayView(entries).sliced(at, kIndexEntrySize));
            if (entry.status != kStatusActive || entry.recordNumber < 1 ||
                entry.recordNumber > counts.records)
                qFatal("%s: entry at %lld points at record %d of %lld", qPrintable(name), at,
                       entry.recordNumber, counts.records);
            const KeywordRecord target = record(entry.recordNumber);
            const QString key = name.endsWith(u".KWX"_s)
                                    ? trimSpaces(target.keyWord).left(kIndexKeyWidth)
                                    : KeywordDatabase::applicationKey(target.program);
            if (trimSpaces(entry.key) != key)
                qFatal("%s: entry %s names record %d holding %s", qPrintable(name),
                       qPrintable(entry.key), entry.recordNumber, qPrintable(key));
        }
    }

    // The readers ignore a trailing partial record.
    qint64 visited = 0;
    database.forEachRecord([&visited](qint32, const KeywordRecord &) { return ++visited > 0; });
    if (visited != counts.records)
        qFatal("the reader visited %lld of %lld whole records", visited, counts.records);
    if (database.record(qint32(counts.records + 1)))
        qFatal("a partial record was read");
    return counts;
}

// After a reindex every active record is found by its key word and its program.
void checkFindableAfterReindex(const QString &folder)
{
    KeywordDatabase database(folder);
    database.rebuildIndexes();
    checkDatabase(folder);
    database.forEachRecord([&](qint32 number, const KeywordRecord &record) {
        const auto holds = [number](const QList<IndexHit> &hits) {
            return std::any_of(hits.cbegin(), hits.cend(), [number](const IndexHit &hit) {
                return hit.recordNumber == number;
            });
        };
        if (record.isActive() && !holds(database.findKeyword(KeyWord(record.keyWord))))
            qFatal("record %d (%s) is not found by its key word", number,
                   qPrintable(trimSpaces(record.keyWord)));
        if (record.isActive() && !holds(database.findApplication(record.program)))
            qFatal("record %d is not found by its program", number);
        return true;
    });
}

// Starts the worker, lets it run for a random moment after it is ready, kills it.
// With `afterFirstSave` the moment is measured in saves rather than milliseconds:
// up to two more saves after the first one, however slow the build (sanitizers)
// or the machine is.
void runAndKill(const QStringList &arguments, int maxMs, bool afterFirstSave = false)
{
    QProcess worker;
    worker.start(QCoreApplication::applicationDirPath() + u"/crash_worker"_s, arguments);
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
                folder = m_dir.filePath(u"db%1"_s.arg(kill / kKillsPerFolder));
                QVERIFY(QDir().mkpath(folder));
            }
            // Now and then a write cut short by a power failure: a partial record
            // and a partial index entry at the ends of their files.
            if (kill % 10 == 5) {
                const KeywordRecord cut{kStatusActive, fitField(u"/USR/BIN/CUT"_s, 256),
                                        fitField(u"CUT"_s, 50)};
                tornAppend(KeywordDatabase(folder).recordFilePath(), encodeRecord(cut),
                           random.bounded(1, kRecordSize));
                tornAppend(folder + u"/K.KWX"_s, encodeIndexEntry({kStatusActive, 1, u"KW1"_s}),
                           random.bounded(1, kIndexEntrySize));
            }
            runAndKill({u"database"_s, folder, QString::number(random.generate())}, 40);
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
        QVERIFY(total.records > 0 && total.deleted > 0 && total.entries > 0);
    }

    void scriptSave()
    {
        const QString path = m_dir.filePath(u"big.vlm"_s);
        // The two texts the worker saves in turn, as they land on disk.
        const QString first(1 << 19, u'a');
        const QString second = QString(1 << 18, u'b') + u'\n' + QString(1 << 18, u'c');
        const QByteArray firstBytes = (editor::toFileText(first) + u"\r\n"_s).toUtf8();
        const QByteArray secondBytes = (editor::toFileText(second) + u"\r\n"_s).toUtf8();
        QVERIFY(editor::writeScriptFile(path, first).ok);

        int seenFirst = 0;
        int seenSecond = 0;
        for (int kill = 0; kill < kSaveKills; ++kill) {
            runAndKill({u"save"_s, path, QString::number(kill)}, 0, true);
            const QByteArray bytes = readBytes(path);
            seenFirst += bytes == firstBytes;
            seenSecond += bytes == secondBytes;
            QVERIFY2(
                bytes == firstBytes || bytes == secondBytes,
                qPrintable(u"kill %1 left %2 bytes, neither text"_s.arg(kill).arg(bytes.size())));
        }
        qInfo("%d kills: the first text %d times, the second %d times", kSaveKills, seenFirst,
              seenSecond);
        QVERIFY(seenFirst > 0 && seenSecond > 0);
    }
};

QTEST_GUILESS_MAIN(TestCrashConsistency)
#include "test_crash_consistency.moc"
