// SPDX-License-Identifier: GPL-3.0-or-later
// Times the keyword database on generated databases of 1,000, 10,000 and 100,000
// records: key-word lookups (a hit, a near miss, a miss), the launch path with a
// recording launcher, the application search, building the two sorted lists,
// adding key words and rebuilding the indexes. Run by hand; prints a table.

#include "benchdatabase.h"
#include "benchsupport.h"
#include "fakeplatform.h"
#include "keyworddatabase.h"
#include "lookup.h"
#include "maintenance.h"
#include "records.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace korvane::db;

namespace {

constexpr int kRepeats = 25;
constexpr int kDistinctPrograms = 500;

QString keyWordFor(int i, bool oneLetter)
{
    const QChar letter = oneLetter ? QChar(u'K') : QChar(u'A' + i % 26);
    return letter + QStringLiteral("WORD%1").arg(i, 6, 10, QLatin1Char('0'));
}

QString programFor(int i)
{
    return QStringLiteral("/USR/LOCAL/BIN/TOOL-%1")
        .arg(i % kDistinctPrograms, 4, 10, QLatin1Char('0'));
}

// Median time of `repeats` runs, in microseconds.
double medianMicroseconds(const std::function<void()> &run, int repeats = kRepeats)
{
    QList<double> times;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.append(timer.nsecsElapsed() / 1000.0);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

void benchmark(int records, bool oneLetter)
{
    QTemporaryDir dir;
    korvane::bench::writeDatabase(dir.path(), records, [oneLetter](int i) {
        return std::pair{keyWordFor(i, oneLetter), programFor(i)};
    });
    KeywordDatabase database(dir.path());
    korvane::FakePlatform platform;

    const QString hitWord = keyWordFor(records / 2, oneLetter);
    const QString nearMiss = hitWord.left(hitWord.size() - 1);
    const QString miss = oneLetter ? QStringLiteral("KNOTHERE") : QStringLiteral("QNOTHERE");
    int found = 0;
    const double hit =
        medianMicroseconds([&] { found = database.findKeyword(KeyWord(hitWord)).size(); });
    const double near = medianMicroseconds([&] { database.findKeyword(KeyWord(nearMiss)); });
    const double none = medianMicroseconds([&] { database.findKeyword(KeyWord(miss)); });
    const double launch = medianMicroseconds([&] {
        for (const QString &commandLine : commandLinesFor(database, KeyWord(hitWord.toLower()), {}))
            platform.processes().start(commandLine);
    });
    int keyWordsOfProgram = 0;
    const double application = medianMicroseconds(
        [&] { keyWordsOfProgram = database.findApplication(programFor(7)).size(); });
    AvailableLists lists;
    const double listing =
        medianMicroseconds([&] { lists = buildAvailableLists(database, [] {}); }, 5);

    QElapsedTimer timer;
    timer.start();
    constexpr int kAdds = 200;
    for (int i = 0; i < kAdds; ++i)
        addKeyWord(database, QStringLiteral("added%1").arg(i), programFor(i));
    const double perAdd = timer.nsecsElapsed() / 1000.0 / kAdds;
    timer.restart();
    database.rebuildIndexes();
    const double reindex = timer.nsecsElapsed() / 1e6;

    std::printf("%8d %-8s %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f %10.1f\n", records,
                oneLetter ? "one" : "26", hit, near, none, launch, application, listing / 1000.0,
                perAdd, reindex);
    const QString key = QStringLiteral("lookup.%1.%2.").arg(records).arg(oneLetter ? "one" : "26");
    korvane::bench::printResult(key + QStringLiteral("hit_us"), hit);
    korvane::bench::printResult(key + QStringLiteral("near_us"), near);
    korvane::bench::printResult(key + QStringLiteral("miss_us"), none);
    if (found != 1 ||
        keyWordsOfProgram !=
            records / kDistinctPrograms + (7 <= records % kDistinctPrograms ? 1 : 0) ||
        lists.keyWords.size() != records ||
        lists.applications.size() != std::min(records, kDistinctPrograms))
        std::printf("         unexpected results: %d hit(s), %d key word(s) of the program, "
                    "%lld used, %lld applications\n",
                    found, keyWordsOfProgram, qlonglong(lists.keyWords.size()),
                    qlonglong(lists.applications.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::printf("Median times; lookups in microseconds, lists in ms, add in us each, "
                "rebuild in ms.\n");
    std::printf("Key words spread over 26 index files, or all in one (worst case).\n\n");
    std::printf("%8s %-8s %9s %9s %9s %9s %9s %9s %9s %10s\n", "records", "kwx", "hit", "near",
                "miss", "launch", "app", "lists", "add", "reindex");
    for (const bool oneLetter : {false, true}) {
        for (const int records : {1000, 10000, 100000})
            benchmark(records, oneLetter);
    }
    return 0;
}
