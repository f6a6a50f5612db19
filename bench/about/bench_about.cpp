// SPDX-License-Identifier: GPL-3.0-or-later
// Plays the whole About presentation at its normal pace and prints the CPU time it
// took, then the CPU time of two idle seconds after the window closed.

#include "aboutwindow.h"
#include "benchsupport.h"
#include "fakeplatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QTemporaryDir home;
    qputenv("KORVANE_HOME", home.path().toLocal8Bit());
    korvane::FakePlatform platform;

    korvane::AboutWindow about(platform);
    QEventLoop loop;
    QObject::connect(&about, &korvane::AboutWindow::closed, &loop, &QEventLoop::quit);

    QElapsedTimer wall;
    wall.start();
    const double cpuStart = cpuSeconds();
    about.present();
    loop.exec();
    const double presentationWall = wall.elapsed() / 1000.0;
    const double presentationCpu = cpuSeconds() - cpuStart;

    const double idleStart = cpuSeconds();
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    loop.exec();
    const double idleCpu = cpuSeconds() - idleStart;

    std::printf("platform            %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("presentation        %.1f s wall, %d frames (%.1f frames/s)\n", presentationWall,
                about.framesRun(), about.framesRun() / presentationWall);
    std::printf("CPU while animating %.2f s (%.1f %% of one core)\n", presentationCpu,
                100.0 * presentationCpu / presentationWall);
    std::printf("CPU idle after close %.3f s over 2 s (%.2f %%)\n", idleCpu, 100.0 * idleCpu / 2.0);
    std::printf("timer active after close: %s\n", about.isAnimating() ? "yes" : "no");
    using korvane::bench::printResult;
    printResult(QStringLiteral("about.wall_s"), presentationWall);
    printResult(QStringLiteral("about.fps"), about.framesRun() / presentationWall);
    printResult(QStringLiteral("about.cpu_s"), presentationCpu, 2);
    printResult(QStringLiteral("about.percent"), 100.0 * presentationCpu / presentationWall);
    printResult(QStringLiteral("about.idle_cpu_s"), idleCpu, 3);
    return 0;
}
