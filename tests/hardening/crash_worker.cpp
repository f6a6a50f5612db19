// Loops over the database writes or the script editor's Save until it is killed.
// Used by test_crash_consistency, which SIGKILLs it at random moments.
//
//   crash_worker database <folder> <seed>   add, delete and reindex key words
//   crash_worker save <file> <seed>         save two big texts in turn

#include "fakeplatform.h"
#include "keyworddatabase.h"
#include "maintenance.h"
#include "scripttext.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cstdio>

using namespace korvane;

namespace {

// Records stop growing here, so the database stays quick to check.
constexpr qint64 kMaxRecords = 1500;

[[noreturn]] void databaseLoop(const QString &folder, quint32 seed)
{
    QRandomGenerator random(seed);
    db::KeywordDatabase database(folder);
    FakePlatform platform;
    for (;;) {
        const int choice = random.bounded(100);
        const qint64 count = database.recordCount();
        if (choice < 70 && count < kMaxRecords) {
            // Key word and program carry the same number, so a record mixed from
            // two writes is seen at once.
            const quint32 n = random.generate();
            const QString tag = QString::number(n);
            db::addKeyWord(database, QStringLiteral("KW") + tag,
                           QStringLiteral("/USR/BIN/PROGRAM-") + tag);
        } else if (choice < 95 && count > 0) {
            database.markDeleted(qint32(random.bounded(count) + 1));
        } else {
            database.rebuildIndexes();
        }
    }
}

[[noreturn]] void saveLoop(const QString &file, quint32 seed)
{
    const QString first(1 << 19, u'a');
    const QString second = QString(1 << 18, u'b') + QStringLiteral("\n") + QString(1 << 18, u'c');
    for (int i = int(seed % 2);; ++i) {
        editor::writeScriptFile(file, i % 2 ? second : first);
        // The test times its kills by the first save.
        std::puts("saved");
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    const quint32 seed = args.at(3).toUInt();
    // The test waits for this line, so kills land inside the loop.
    std::puts("ready");
    std::fflush(stdout);
    if (args.at(1) == QLatin1String("database"))
        databaseLoop(args.at(2), seed);
    if (args.at(1) == QLatin1String("save"))
        saveLoop(args.at(2), seed);
    return 2;
}
