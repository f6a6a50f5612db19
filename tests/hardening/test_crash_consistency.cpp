// Kills a process that writes the keyword database (or saves a script) at random
// moments, hundreds of times, and checks what is left on disk after each kill. The
// process is this program again, started as a worker:
//
//   test_crash_consistency --worker database <folder> <seed>   add, delete, reindex
//   test_crash_consistency --worker save <file> <seed>         save two texts in turn

#include "keyworddatabase.h"
#include "maintenance.h"
#include "scripttext.h"
#include "testhome.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>

using namespace korvane;
using namespace korvane::db;
using namespace Qt::StringLiterals;

namespace {

const QString kSavedTexts[] = {QString(1 << 19, u'a'),
                               QString(1 << 18, u'b') + u'\n' + QString(1 << 18, u'c')};

// Until killed. Key word and program carry the same number, so that a record mixed
// from two writes is seen at once; records stop growing at 1500.
[[noreturn]] void databaseWorker(const QString &folder, quint32 seed)
{
    QRandomGenerator random(seed);
    KeywordDatabase database(folder);
    for (;;) {
        const int choice = random.bounded(100);
        const qint64 count = database.recordCount();
        if (choice < 70 && count < 1500) {
            const QString tag = QString::number(random.generate());
            addKeyWord(database, u"KW"_s + tag, u"/USR/BIN/PROGRAM-"_s + tag);
        } else if (choice < 95 && count > 0) {
            database.markDeleted(qint32(random.bounded(count) + 1));
        } else {
            database.rebuildIndexes();
        }
    }
}

[[noreturn]] void saveWorker(const QString &file, quint32 seed)
{
    for (quint32 i = seed;; ++i) {
        editor::writeScriptFile(file, kSavedTexts[i % 2]);
        std::puts("saved"); // the test starts its clock at the first save
    }
}

// An append of `item` cut short by a power failure: like every append it starts
// after the last whole item, and only its first `length` bytes reach the disk.
void tornAppend(const QString &path, const QByteArray &item, qint64 length)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite) &&
            file.resize(file.size() / item.size() * item.size()) && file.seek(file.size()));
    QCOMPARE(file.write(item.left(length)), length);
}

// Starts a worker, waits for its first line (after the first save, for a save
// worker), sleeps for a random moment and kills it. Without `maxMs` the moment is
// at most as long again as the worker took to write that line, however slow the
// build (sanitizers) or the machine is.
void runAndKill(const QStringList &arguments, qint64 maxMs = -1)
{
    QProcess worker;
    QElapsedTimer clock;
    clock.start();
    worker.start(QCoreApplication::applicationFilePath(), QStringList{u"--worker"_s} + arguments);
    QVERIFY(worker.waitForStarted(10000) && worker.waitForReadyRead(10000));
    QThread::msleep(QRandomGenerator::global()->bounded((maxMs < 0 ? clock.elapsed() : maxMs) + 1));
    worker.kill();
    QVERIFY(worker.waitForFinished(10000));
}

} // namespace

class TestCrashConsistency : public QObject
{
    Q_OBJECT

    test::TempHome m_home;
    qint64 m_deletedSeen = 0;
    qint64 m_entriesSeen = 0;

    // Every whole record is one the worker wrote, whole (key word and program agree),
    // and every whole index entry names a record holding its key.
    void checkDatabase(const QString &folder)
    {
        static const QRegularExpression workers(u"^KW(\\d+) */USR/BIN/PROGRAM-\\1 *$"_s);
        const KeywordDatabase database(folder);
        QList<KeywordRecord> records;
        database.forEachRecord([&records](qint32, const KeywordRecord &record) {
            records.append(record);
            return true;
        });
        for (const KeywordRecord &record : std::as_const(records)) {
            QVERIFY2((record.isActive() || record.status == kStatusDeleted) &&
                         workers.match(record.keyWord + record.program).hasMatch(),
                     qPrintable(record.keyWord));
            m_deletedSeen += !record.isActive();
        }
        for (const QString &name :
             QDir(folder).entryList({u"*.KWX"_s, u"*.APX"_s}, QDir::Files | QDir::Hidden)) {
            QFile index(folder + u'/' + name);
            QVERIFY(index.open(QIODevice::ReadOnly));
            for (QByteArray bytes;
                 (bytes = index.read(kIndexEntrySize)).size() == kIndexEntrySize;) {
                const IndexEntry entry = *decodeIndexEntry(bytes);
                QVERIFY(entry.isActive() && entry.recordNumber >= 1 &&
                        entry.recordNumber <= records.size());
                const KeywordRecord &target = records.at(entry.recordNumber - 1);
                QCOMPARE(trimSpaces(entry.key),
                         name.endsWith(u".KWX"_s)
                             ? trimSpaces(target.keyWord)
                             : KeywordDatabase::applicationKey(target.program));
                ++m_entriesSeen;
            }
        }
    }

private slots:
    void database()
    {
        QRandomGenerator &random = *QRandomGenerator::global();
        for (int kill = 0; kill < 250 && !QTest::currentTestFailed(); ++kill) {
            // A fresh folder every 50 kills, so that the records stay few.
            const QString folder = m_home.file(u"db%1"_s.arg(kill / 50));
            QVERIFY(QDir().mkpath(folder));
            // Now and then a write cut short by a power failure: a partial record
            // and a partial index entry at the ends of their files.
            if (kill % 10 == 5) {
                tornAppend(KeywordDatabase(folder).recordFilePath(),
                           encodeRecord({kStatusActive, u"/USR/BIN/CUT"_s, u"CUT"_s}),
                           random.bounded(1, kRecordSize));
                tornAppend(folder + u"/K.KWX"_s, encodeIndexEntry({kStatusActive, 1, u"KW1"_s}),
                           random.bounded(1, kIndexEntrySize));
            }
            runAndKill({u"database"_s, folder, QString::number(random.generate())}, 40);
            checkDatabase(folder);
        }
        // The kills landed while the worker was writing, not before it began.
        QVERIFY(m_deletedSeen > 0 && m_entriesSeen > 0);
    }

    void scriptSave()
    {
        const QString path = m_home.file(u"big.vlm"_s);
        QVERIFY(editor::writeScriptFile(path, kSavedTexts[0]).ok);
        // The two texts as they land on disk: CR LF line ends, one after the last line.
        QByteArray saved[2];
        for (int i : {0, 1})
            saved[i] = kSavedTexts[i].toUtf8().replace("\n", "\r\n") + "\r\n";
        int seen[2] = {0, 0};
        for (int kill = 0; kill < 100; ++kill) {
            runAndKill({u"save"_s, path, QString::number(kill)});
            const QByteArray bytes = m_home.read(u"big.vlm"_s);
            QVERIFY2(bytes == saved[0] || bytes == saved[1],
                     qPrintable(u"kill %1 left %2 bytes"_s.arg(kill).arg(bytes.size())));
            ++seen[bytes == saved[1]];
        }
        QVERIFY(seen[0] > 0 && seen[1] > 0);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args.at(1) == u"--worker") {
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        if (args.at(2) == u"save")
            saveWorker(args.at(3), args.at(4).toUInt());
        std::puts("ready"); // the test waits for this line, so that kills land inside the loop
        databaseWorker(args.at(3), args.at(4).toUInt());
    }
    TestCrashConsistency test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_crash_consistency.moc"
