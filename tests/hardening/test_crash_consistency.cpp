// SPDX-License-Identifier: GPL-3.0-or-later
// Kills a process that writes the keyword database (or saves a script) at random
// moments, hundreds of times, and checks what is left on disk after each kill; lets
// two keyword editors change one database at once; reindexes a read-only folder.
// The processes are this program again, started as workers:
//
//   test_crash_consistency --worker database|editor <folder> <seed>   add, delete, reindex
//   test_crash_consistency --worker save <file> <seed>   save two texts in turn
//   test_crash_consistency --worker reindex <folder> 0   one reindex

#include "databasewatch.h"
#include "fakeplatform.h"
#include "keyworddatabase.h"
#include "keywordeditorwindow.h"
#include "maintenance.h"
#include "programwindows.h"
#include "recordlist.h"
#include "scripttext.h"
#include "testhome.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>
#include <QToolButton>

#include <cstdio>
#include <iostream>

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

// Adds (to five programs), deletes and reindexes through a keyword editor, with the
// command center loaded beside it, as a user running a second Korvane would; says
// what it did. Told to report, it waits for its windows to follow the last changes
// and lists what they show.
void editorWorker(const QString &folder, quint32 seed)
{
    qputenv("KORVANE_HOME", QFile::encodeName(folder));
    FakePlatform platform;
    ProgramWindows windows(platform);
    windows.commandCenter().reloadLists();
    KeywordEditorWindow &editor = windows.keywordEditor().loadedWindow();
    QRandomGenerator random(seed);
    RecordList *applications = editor.applicationsList();
    RecordList *keyWords = editor.programKeyWordsList();
    for (int step = 0; step < 300; ++step) {
        const quint32 choice = random.bounded(10);
        if (choice < 6) {
            const QString keyWord = u"W%1-%2"_s.arg(seed).arg(step);
            editor.programPathField()->setText(u"/usr/bin/tool%1"_s.arg(random.bounded(5)));
            editor.keyWordField()->setText(keyWord);
            editor.findChild<QToolButton *>(u"addButton"_s)->click();
            for (const db::RecordItem &item : keyWords->items()) {
                if (item.text == keyWord)
                    std::printf("added %d %s\n", item.recordNumber, qPrintable(keyWord));
            }
        } else if (choice < 9) {
            // The program's key words: this window's adds, or a program's as listed.
            if (choice < 8 && applications->count() > 0) {
                applications->setCurrentRow(random.bounded(applications->count()));
                emit applications->entryClicked();
            }
            if (keyWords->count() > 0) {
                keyWords->setCurrentRow(random.bounded(keyWords->count()));
                std::printf("deleted %d\n", keyWords->selectedItem().recordNumber);
                editor.findChild<QToolButton *>(u"deleteButton"_s)->click();
            }
        } else {
            editor.findChild<QAction *>(u"reindexAction"_s)->trigger();
        }
        QCoreApplication::processEvents();
    }
    for (const FakeDialogs::Box &box : std::as_const(platform.dialog.boxes))
        std::printf("box %s\n", qPrintable(box.text));
    std::puts("done");
    std::string told;
    std::getline(std::cin, told);
    const QList<db::DatabaseWatch *> watches =
        windows.commandCenter().findChildren<db::DatabaseWatch *>() +
        editor.findChildren<db::DatabaseWatch *>();
    do
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    while (std::any_of(watches.cbegin(), watches.cend(),
                       [](const db::DatabaseWatch *watch) { return watch->isPending(); }));
    for (const db::RecordItem &item : editor.usedKeyWordsList()->items())
        std::printf("editor %d %s\n", item.recordNumber, qPrintable(item.text));
    for (const db::RecordItem &item : windows.commandCenter().lists().keyWords)
        std::printf("center %d %s\n", item.recordNumber, qPrintable(item.text));
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

    // Two keyword editors in two processes add, delete and reindex at once.
    void twoProcessesChangeOneDatabase()
    {
        const QString folder = m_home.file(u"shared"_s);
        QVERIFY(QDir().mkpath(folder));
        QProcess workers[2];
        QByteArray said[2];
        for (QProcess &worker : workers)
            worker.start(QCoreApplication::applicationFilePath(),
                         {u"--worker"_s, u"editor"_s, folder,
                          QString::number(QRandomGenerator::global()->bounded(1u << 30))});
        for (int i : {0, 1}) {
            while (!said[i].contains("done\n") && workers[i].waitForReadyRead(60000))
                said[i] += workers[i].readAll();
            QVERIFY2(said[i].contains("done\n"), said[i].right(500).constData());
        }
        for (int i : {0, 1}) {
            workers[i].write("report\n");
            QVERIFY(workers[i].waitForFinished(60000));
            said[i] += workers[i].readAll();
        }

        // Every add has a record of its own, and a deletion changed its record only.
        QMap<qint32, QString> added;
        QSet<qint32> deletedBy[2];
        QMap<QString, QSet<qint32>> shown[2];
        for (int i : {0, 1}) {
            for (const QByteArray &line : said[i].split('\n')) {
                const QList<QByteArray> words = line.split(' ');
                QVERIFY2(!line.startsWith("box "), line.constData());
                if (words.first() == "added") {
                    QVERIFY(!added.contains(words.at(1).toInt()));
                    added.insert(words.at(1).toInt(), QString::fromLatin1(words.at(2)));
                } else if (words.first() == "deleted") {
                    deletedBy[i].insert(words.at(1).toInt());
                } else if (words.size() == 3) {
                    shown[i][QString::fromLatin1(words.first())].insert(words.at(1).toInt());
                }
            }
        }
        const QSet<qint32> deleted = deletedBy[0] + deletedBy[1];
        const KeywordDatabase database(folder);
        QCOMPARE(database.recordCount(), added.size());
        QSet<qint32> active;
        for (qint32 number = 1; number <= added.size(); ++number) {
            const std::optional<KeywordRecord> record = database.record(number);
            QVERIFY(record && trimSpaces(record->keyWord) == added.value(number));
            QCOMPARE(record->isActive(), !deleted.contains(number));
            if (record->isActive())
                active.insert(number);
        }
        QVERIFY(active.size() > 100 && deletedBy[0].size() > 10 && deletedBy[1].size() > 10);

        // Without the entries of records deleted since, the index files are exactly
        // what a rebuild writes.
        const QString rebuilt = m_home.file(u"rebuilt"_s);
        QVERIFY(QDir().mkpath(rebuilt) &&
                QFile::copy(database.recordFilePath(), rebuilt + u"/KeyWord.DAT"_s) &&
                KeywordDatabase(rebuilt).rebuildIndexes());
        const QStringList indexes{u"*.KWX"_s, u"*.APX"_s};
        QCOMPARE(QDir(folder).entryList(indexes, QDir::Files | QDir::Hidden),
                 QDir(rebuilt).entryList(indexes, QDir::Files | QDir::Hidden));
        for (const QString &name : QDir(rebuilt).entryList(indexes, QDir::Files | QDir::Hidden)) {
            QByteArray kept;
            const QByteArray entries = m_home.read(folder + u'/' + name);
            for (qsizetype at = 0; at < entries.size(); at += kIndexEntrySize) {
                if (!deleted.contains(decodeIndexEntry(entries.mid(at))->recordNumber))
                    kept += entries.mid(at, kIndexEntrySize);
            }
            QCOMPARE(kept, m_home.read(rebuilt + u'/' + name));
        }

        // The command center lists every active key word; the keyword editor too,
        // and of the others only those it deleted itself, as its own deletions leave
        // its list as it was.
        for (int i : {0, 1}) {
            QCOMPARE(shown[i].value(u"center"_s), active);
            const QSet<qint32> &listed = shown[i].value(u"editor"_s);
            QVERIFY(listed.contains(active));
            QVERIFY(deletedBy[i].contains(listed - active));
        }
    }

    // Where the folder cannot be written to (its files can), a reindex changes
    // nothing and says why.
    void reindexInReadOnlyFolder()
    {
        const QString folder = m_home.file(u"read-only"_s);
        KeywordDatabase database(folder);
        QVERIFY(QDir().mkpath(folder) && database.addLinkedRecord(u"A"_s, u"/A"_s) &&
                database.addLinkedRecord(u"B"_s, u"/B"_s) && database.markDeleted(1));
        const auto files = [&] {
            QByteArrayList all;
            for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
                all << name.toUtf8() + '=' + m_home.read(folder + u'/' + name).toHex();
            return all;
        };
        const QByteArrayList before = files();
        // Root too: as the owner, without privileges, in a user namespace of its own.
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        QProcess worker;
        worker.start(u"unshare"_s, {u"-U"_s, u"--map-user=1"_s, u"--map-group=1"_s,
                                    QCoreApplication::applicationFilePath(), u"--worker"_s,
                                    u"reindex"_s, folder, u"0"_s});
        QVERIFY(worker.waitForFinished(10000));
        QVERIFY(
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(files(), before);
        QCOMPARE(worker.readAll(), folder.toUtf8() + ": Permission denied\n");
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
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args.at(1) == u"--worker") {
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        if (args.at(2) == u"save")
            saveWorker(args.at(3), args.at(4).toUInt());
        if (args.at(2) == u"editor") {
            editorWorker(args.at(3), args.at(4).toUInt());
            return 0;
        }
        if (args.at(2) == u"reindex") {
            KeywordDatabase database(args.at(3));
            if (!database.rebuildIndexes())
                std::puts(qPrintable(database.errorString()));
            return 0;
        }
        std::puts("ready"); // the test waits for this line, so that kills land inside the loop
        databaseWorker(args.at(3), args.at(4).toUInt());
    }
    TestCrashConsistency test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_crash_consistency.moc"
