// SPDX-License-Identifier: GPL-3.0-or-later
// CPU used by a script that waits: runs the real korvane on a script holding one
// "`W 10" line and prints the wall time and the CPU time the process used, from
// wait4's resource usage. Without an X display korvane runs offscreen.

#include "benchsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace korvane::bench;

int main(int argc, char **argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const QTemporaryDir home;
    const QString script = home.filePath(QStringLiteral("wait.vlm"));
    QFile file(script);
    if (!home.isValid() || !file.open(QIODevice::WriteOnly) ||
        file.write(QStringLiteral("`W %1\r\n").arg(seconds).toLatin1()) < 0)
        return 1;
    file.close();
    const PrivateRuntimeFolder runtime;
    qputenv("KORVANE_HOME", home.path().toLocal8Bit());
    const bool onDisplay = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (!onDisplay)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QElapsedTimer wall;
    wall.start();
    ChildProcess korvane(QStringLiteral(KORVANE_BINARY), {script});
    const ChildProcess::Exit exit = korvane.waitForExit();
    const double wallSeconds = wall.elapsed() / 1000.0;
    const double percent = 100.0 * exit.cpuSeconds / wallSeconds;
    std::printf("`W %d (%s): wall %.2f s, CPU %.3f s (%.2f%% of one core, start-up "
                "included), exit %d\n",
                seconds, onDisplay ? "on the display" : "offscreen", wallSeconds, exit.cpuSeconds,
                percent, exit.status);
    printResult(QStringLiteral("wait.seconds"), seconds, 0);
    printResult(QStringLiteral("wait.wall_s"), wallSeconds, 2);
    printResult(QStringLiteral("wait.cpu_s"), exit.cpuSeconds, 3);
    printResult(QStringLiteral("wait.percent"), percent, 2);
    return exit.status == 0 ? 0 : 1;
}
