// SPDX-License-Identifier: GPL-3.0-or-later
// Measures how long the real korvane binary takes from process start until the
// "Korvane Command Center" window is mapped, and until it has loaded its lists and
// menus data and gone idle, for databases of 0, 10,000 and 100,000 records; and
// its resident memory then. A bare Qt window is measured the same way beside it,
// its starts taking turns with korvane's so that both see the same machine load,
// and the ratio of the mapped times is printed.
// Observed from outside: the mapped window through Xlib, the work done through the
// main thread's CPU time in /proc.

#include "benchsupport.h"
#include "keyworddatabase.h"
#include "x11connection.h"

#include <QElapsedTimer>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace korvane::bench;

namespace {

constexpr int kRuns = 9;
const QString kCommandCenterTitle = QStringLiteral("Korvane Command Center");

// Key words over all first letters; about one program per ten key words.
void writeDatabase(const QString &folder, int records)
{
    korvane::db::KeywordDatabase database(folder);
    for (int i = 0; i < records; ++i) {
        const QString keyWord = QStringLiteral("%1WORD%2").arg(QChar(u'A' + i % 26)).arg(i);
        const QString program =
            QStringLiteral("/usr/bin/program%1 --option").arg(i % (records / 10 + 1));
        database.addLinkedRecord(keyWord, program);
    }
}

struct Figures
{
    double mappedMs = -1;
    double readyMs = -1;
    double rssMiB = -1;
};

struct Start
{
    StartTimes times;
    double rssMiB = -1;
};

// One start of `program` until its window `title` is shown and idle.
Start startOnce(X11Connection &x11, const QString &program, const QString &title)
{
    const ChildProcess child(program);
    const StartTimes times = waitUntilShownAndIdle(x11, child, title);
    return {times, times.readyMs < 0 ? -1 : double(residentKiB(child.pid())) / 1024.0};
}

Figures medians(const std::vector<Start> &starts)
{
    std::vector<double> mapped, ready, rss;
    for (const Start &start : starts) {
        mapped.push_back(start.times.mappedMs);
        ready.push_back(start.times.readyMs);
        rss.push_back(start.rssMiB);
    }
    return {median(mapped), median(ready), median(rss)};
}

// Medians of kRuns starts of korvane and as many of the bare window, taking turns,
// after one start of each that is not counted (it brings the libraries into the
// page cache).
std::pair<Figures, Figures> measureSideBySide(X11Connection &x11)
{
    std::vector<Start> korvane, bare;
    for (int run = -1; run < kRuns; ++run) {
        Start bareStart =
            startOnce(x11, QStringLiteral(BARE_WINDOW), QStringLiteral(BARE_WINDOW_TITLE));
        Start korvaneStart = startOnce(x11, QStringLiteral(KORVANE_BINARY), kCommandCenterTitle);
        if (run < 0)
            continue;
        bare.push_back(bareStart);
        korvane.push_back(korvaneStart);
    }
    return {medians(korvane), medians(bare)};
}

void report(const QString &name, const QString &key, const Figures &figures)
{
    std::printf("%14s  %11.1f ms  %9.1f ms  %7.1f MiB\n", qPrintable(name), figures.mappedMs,
                figures.readyMs, figures.rssMiB);
    printResult(QStringLiteral("startup.%1.mapped_ms").arg(key), figures.mappedMs);
    printResult(QStringLiteral("startup.%1.ready_ms").arg(key), figures.readyMs);
    printResult(QStringLiteral("startup.%1.rss_mib").arg(key), figures.rssMiB);
}

} // namespace

int main()
{
    X11Connection x11;
    if (!x11.display()) {
        std::fputs("bench_startup needs an X display with a window manager (xvfb-run + "
                   "scripts/with-openbox).\n",
                   stderr);
        return 1;
    }
    const PrivateRuntimeFolder runtime;
    std::printf("Start-up, median of %d runs (binary %s)\n", kRuns, KORVANE_BINARY);
    std::printf("%14s  %14s  %12s  %11s\n", "records", "window mapped", "lists ready", "VmRSS");
    for (const int records : {0, 10'000, 100'000}) {
        QTemporaryDir home;
        QElapsedTimer writing;
        writing.start();
        writeDatabase(home.path(), records);
        const double writeSeconds = writing.elapsed() / 1000.0;
        qputenv("KORVANE_HOME", home.path().toLocal8Bit());
        const auto [korvane, bare] = measureSideBySide(x11);
        if (records == 0)
            report(QStringLiteral("bare Qt window"), QStringLiteral("bare"), bare);
        report(QString::number(records), QString::number(records), korvane);
        const double ratio = korvane.mappedMs / bare.mappedMs;
        std::printf("%14s  (mapped in %.2f times the bare window's %.1f ms beside it; database "
                    "written in %.1f s)\n",
                    "", ratio, bare.mappedMs, writeSeconds);
        printResult(QStringLiteral("startup.%1.mapped_ratio").arg(records), ratio, 2);
        std::fflush(stdout);
    }
    return 0;
}
