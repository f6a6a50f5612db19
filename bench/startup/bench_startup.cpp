// SPDX-License-Identifier: GPL-3.0-or-later
// Measures how long the real korvane binary takes from process start until the
// "Korvane Command Center" window is mapped, and until it has loaded its lists and
// menus data and gone idle, for databases of 0, 10,000 and 100,000 records; and
// its resident memory then. A bare Qt window is measured the same way beside it.
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

constexpr int kRuns = 5;
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

// Medians of kRuns starts of `program` until its window `title` is shown and idle,
// after one start that is not counted (it brings the libraries into the page cache).
Figures measureStarts(X11Connection &x11, const QString &program, const QString &title)
{
    std::vector<double> mapped, ready, rss;
    for (int run = -1; run < kRuns; ++run) {
        const ChildProcess child(program);
        const StartTimes times = waitUntilShownAndIdle(x11, child, title);
        if (run < 0)
            continue;
        mapped.push_back(times.mappedMs);
        ready.push_back(times.readyMs);
        rss.push_back(times.readyMs < 0 ? -1 : double(residentKiB(child.pid())) / 1024.0);
    }
    return {median(mapped), median(ready), median(rss)};
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
    const Figures bare =
        measureStarts(x11, QStringLiteral(BARE_WINDOW), QStringLiteral(BARE_WINDOW_TITLE));
    report(QStringLiteral("bare Qt window"), QStringLiteral("bare"), bare);
    for (const int records : {0, 10'000, 100'000}) {
        QTemporaryDir home;
        QElapsedTimer writing;
        writing.start();
        writeDatabase(home.path(), records);
        const double writeSeconds = writing.elapsed() / 1000.0;
        qputenv("KORVANE_HOME", home.path().toLocal8Bit());
        const Figures korvane =
            measureStarts(x11, QStringLiteral(KORVANE_BINARY), kCommandCenterTitle);
        report(QString::number(records), QString::number(records), korvane);
        std::printf("%14s  (database written in %.1f s)\n", "", writeSeconds);
        std::fflush(stdout);
    }
    return 0;
}
