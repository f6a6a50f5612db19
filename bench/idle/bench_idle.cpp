// SPDX-License-Identifier: GPL-3.0-or-later
// CPU time an idle command center uses: starts the real korvane (no argument, an
// empty Application folder) and a bare Qt window, waits until both windows are
// mapped and both programs have gone quiet, then reads the CPU time of all their
// threads before and after the same stretch (30 seconds unless given).

#include "benchsupport.h"
#include "x11connection.h"

#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>

using namespace korvane::bench;

namespace {

constexpr int kQuietMs = 1000; // main thread idle this long before measuring

struct Watched
{
    const char *name;
    const char *key;
    const ChildProcess &child;
    double cpuBefore = -1;
};

} // namespace

int main(int argc, char *argv[])
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    X11Connection x11;
    if (!x11.display() || seconds <= 0) {
        std::fputs("usage: bench_idle [SECONDS], on an X display with a window manager "
                   "(xvfb-run + scripts/with-openbox).\n",
                   stderr);
        return 1;
    }
    const PrivateRuntimeFolder runtime;
    const QTemporaryDir home;
    qputenv("KORVANE_HOME", home.path().toLocal8Bit());

    // The bare window first, so the command center is the active window, as after a
    // start by hand.
    const ChildProcess bare(QStringLiteral(BARE_WINDOW));
    const bool bareShown =
        waitUntilShownAndIdle(x11, bare, QStringLiteral(BARE_WINDOW_TITLE), kQuietMs).readyMs >= 0;
    const ChildProcess korvane(QStringLiteral(KORVANE_BINARY));
    const bool korvaneShown =
        waitUntilShownAndIdle(x11, korvane, QStringLiteral("Korvane Command Center"), kQuietMs)
            .readyMs >= 0;
    if (!bareShown || !korvaneShown) {
        std::fprintf(stderr, "bench_idle: %s did not show its window and go idle\n",
                     korvaneShown ? "the bare window" : "korvane");
        return 1;
    }

    Watched watched[] = {{"korvane (command center)", "korvane", korvane},
                         {"bare Qt window", "bare", bare}};
    for (Watched &program : watched)
        program.cpuBefore = processCpuSeconds(program.child.pid());
    QThread::sleep(seconds);

    std::printf("CPU over %d s idle (all threads, utime + stime)\n", seconds);
    printResult(QStringLiteral("idle.seconds"), seconds, 0);
    for (const Watched &program : watched) {
        const double cpuAfter = processCpuSeconds(program.child.pid());
        if (cpuAfter < 0) {
            std::printf("%-26s ended during the measurement\n", program.name);
            continue;
        }
        const double cpu = cpuAfter - program.cpuBefore;
        const double percent = 100.0 * cpu / seconds;
        std::printf("%-26s %.2f s CPU (%.2f %% of one core)\n", program.name, cpu, percent);
        printResult(QStringLiteral("idle.%1.cpu_s").arg(QLatin1StringView(program.key)), cpu, 2);
        printResult(QStringLiteral("idle.%1.percent").arg(QLatin1StringView(program.key)), percent,
                    2);
    }
    return 0;
}
