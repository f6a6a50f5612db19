// SPDX-License-Identifier: GPL-3.0-or-later
// What hostile sizes cost a script run: "`E" of a path of 400,000 "/." components
// (its resolution must grow with the path, not its square), and one keystroke line
// of 10 MB (read and typed in memory a small multiple of the line). Prints the
// times of the path resolution alone at three lengths, then the CPU of the real
// korvane running each script, with its peak resident memory beside that of a run
// of a one-line script. The keystroke line needs an X display: its keys go to
// whatever has the focus (under bench/run, nothing).
//
//   bench_limits [MEGABYTES]

#include "benchsupport.h"
#include "launchplan.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace korvane;
using namespace korvane::bench;

namespace {

// Runs the real korvane on a script of `line` and what it cost.
ChildProcess::Exit runScript(const QTemporaryDir &home, const QByteArray &line, double &wallSeconds)
{
    const QString script = home.filePath(QStringLiteral("limits.vlm"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(line + "\r\n") != line.size() + 2)
        return {};
    file.close();
    QElapsedTimer wall;
    wall.start();
    ChildProcess korvane(QStringLiteral(KORVANE_BINARY), {script});
    const ChildProcess::Exit exit = korvane.waitForExit();
    wallSeconds = wall.elapsed() / 1000.0;
    return exit;
}

QByteArray dotPath(int components, const QString &program)
{
    return QByteArray("/.").repeated(components) + QFile::encodeName(program);
}

} // namespace

int main(int argc, char **argv)
{
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 10;
    const QTemporaryDir home;
    if (!home.isValid())
        return 1;
    const PrivateRuntimeFolder runtime;
    qputenv("KORVANE_HOME", home.path().toLocal8Bit());
    const bool onDisplay = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (!onDisplay)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString program = findProgramOnPath(QStringLiteral("true"));
    bool withinBounds = true;

    // The resolution alone: twice the components should take about twice the time.
    double perComponentNs = 0;
    for (const int components : {100000, 200000, 400000}) {
        const QString line = QString::fromLocal8Bit(dotPath(components, program));
        QElapsedTimer timer;
        timer.start();
        const std::optional<LaunchPlan> plan = planLaunch(line);
        const double ms = timer.nsecsElapsed() / 1e6;
        perComponentNs = ms * 1e6 / components;
        std::printf("`E path of %d \"/.\" components: resolved in %.1f ms (%.0f ns a component)"
                    " to %s\n",
                    components, ms, perComponentNs, plan ? qPrintable(plan->program) : "nothing");
        withinBounds = withinBounds && plan && plan->program == program;
        printResult(QStringLiteral("limits.resolve.%1_ms").arg(components), ms, 1);
    }

    double wallSeconds = 0;
    const ChildProcess::Exit small = runScript(home, "`SET x", wallSeconds);
    std::printf("korvane, a one-line script: CPU %.2f s, peak memory %.1f MiB\n", small.cpuSeconds,
                small.peakResidentKiB / 1024.0);
    const ChildProcess::Exit path = runScript(home, "`E " + dotPath(400000, program), wallSeconds);
    std::printf("korvane, `E of the 400,000-component path: CPU %.2f s, exit %d\n", path.cpuSeconds,
                path.status);
    printResult(QStringLiteral("limits.execute.cpu_s"), path.cpuSeconds, 2);
    // The probe that found the fault measured 14.8 s.
    withinBounds = withinBounds && path.status == 0 && path.cpuSeconds < 1.0;

    if (onDisplay) {
        const qsizetype bytes = qsizetype(megabytes) << 20;
        const QByteArray line =
            QByteArray("abcdefghijklmnopqrstuvwxyz ").repeated(bytes / 27 + 1).left(bytes);
        const ChildProcess::Exit keys = runScript(home, line, wallSeconds);
        const double extraMiB = (keys.peakResidentKiB - small.peakResidentKiB) / 1024.0;
        const double perByte = extraMiB / megabytes;
        std::printf("korvane, a keystroke line of %d MB: wall %.1f s (%.0f keys/s), CPU %.1f s, "
                    "peak memory %.1f MiB: %.1f MiB more than the one-line script, %.1f bytes "
                    "a byte of the line, exit %d\n",
                    megabytes, wallSeconds, bytes / wallSeconds, keys.cpuSeconds,
                    keys.peakResidentKiB / 1024.0, extraMiB, perByte, keys.status);
        printResult(QStringLiteral("limits.keys.megabytes"), megabytes, 0);
        printResult(QStringLiteral("limits.keys.wall_s"), wallSeconds, 1);
        printResult(QStringLiteral("limits.keys.peak_mib"), keys.peakResidentKiB / 1024.0, 1);
        printResult(QStringLiteral("limits.keys.bytes_per_byte"), perByte, 1);
        // The fault: 46 bytes of memory a byte of the line.
        withinBounds = withinBounds && keys.status == 0 && perByte < 8;
    } else {
        std::printf("No X display: the keystroke line is not measured.\n");
    }
    std::printf("%s\n", withinBounds ? "Within bounds." : "OUT OF BOUNDS.");
    return withinBounds ? 0 : 1;
}
