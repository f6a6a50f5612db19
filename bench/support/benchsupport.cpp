// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchsupport.h"

#include "x11connection.h"
#include "x11properties.h"

#include <QFile>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace korvane::bench {

namespace {

// A program is working while its main thread uses over a tenth of a core in 10 ms
// slices; a timer that wakes it now and then does not count.
constexpr qint64 kSliceNs = 10'000'000;
constexpr qint64 kBusySliceCpuNs = kSliceNs / 10;
constexpr qint64 kGiveUpNs = 60'000'000'000;

QByteArray readProcFile(pid_t pid, const QString &name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The fields of /proc/PID/stat from the third (the state) on; the command name
// before them may hold spaces.
QList<QByteArray> statFields(pid_t pid)
{
    const QByteArray stat = readProcFile(pid, QStringLiteral("stat"));
    const qsizetype nameEnd = stat.lastIndexOf(')');
    return nameEnd < 0 ? QList<QByteArray>() : stat.mid(nameEnd + 2).split(' ');
}

double seconds(const timeval &time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

} // namespace

void printResult(const QString &key, double value, int decimals)
{
    printResult(key, QString::number(value, 'f', decimals));
}

void printResult(const QString &key, const QString &value)
{
    std::printf("@result\t%s\t%s\n", qPrintable(key), qPrintable(value));
    std::fflush(stdout);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

PrivateRuntimeFolder::PrivateRuntimeFolder()
{
    qputenv("XDG_RUNTIME_DIR", m_folder.path().toLocal8Bit());
}

ChildProcess::ChildProcess(const QString &program, const QStringList &arguments)
{
    std::vector<QByteArray> texts{program.toLocal8Bit()};
    for (const QString &argument : arguments)
        texts.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    m_clock.start();
    if (posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        m_pid = 0;
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

ChildProcess::Exit ChildProcess::waitForExit()
{
    if (m_pid <= 0)
        return {};
    int status = 0;
    rusage usage{};
    const pid_t ended = wait4(m_pid, &status, 0, &usage);
    m_pid = 0;
    if (ended < 0)
        return {};
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss};
}

double processCpuSeconds(pid_t pid)
{
    const QList<QByteArray> fields = statFields(pid);
    // utime and stime are fields 14 and 15 of the whole line.
    constexpr int kUtime = 14 - 3;
    constexpr int kStime = 15 - 3;
    if (fields.size() <= kStime)
        return -1;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields.at(kUtime).toDouble() + fields.at(kStime).toDouble()) / ticks;
}

bool isRunning(pid_t pid)
{
    const QList<QByteArray> fields = statFields(pid);
    return !fields.isEmpty() && fields.first() != "Z" && fields.first() != "X";
}

qint64 mainThreadCpuNs(pid_t pid)
{
    const QByteArray schedstat = readProcFile(pid, QStringLiteral("task/%1/schedstat").arg(pid));
    return schedstat.isEmpty() ? -1 : schedstat.split(' ').value(0).toLongLong();
}

long residentKiB(pid_t pid)
{
    for (const QByteArray &line : readProcFile(pid, QStringLiteral("status")).split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

bool hasMappedWindow(X11Connection &x11, pid_t pid, const QString &title)
{
    Display *display = x11.display();
    if (!display)
        return false;
    const QList<unsigned long> windows =
        x11::listProperty(display, DefaultRootWindow(display), "_NET_CLIENT_LIST", XA_WINDOW);
    return std::any_of(windows.cbegin(), windows.cend(), [&](unsigned long window) {
        XWindowAttributes attributes{};
        return x11::windowPid(display, window) == pid &&
               x11::windowTitle(display, window) == title &&
               XGetWindowAttributes(display, window, &attributes) &&
               attributes.map_state == IsViewable;
    });
}

StartTimes waitUntilShownAndIdle(X11Connection &x11, const ChildProcess &child,
                                 const QString &title, int quietMs)
{
    const qint64 quietNs = qint64(quietMs) * 1'000'000;
    qint64 mappedAt = -1;
    qint64 lastWorkAt = -1; // end of the last busy slice's work
    qint64 lastRunAt = -1;  // when its CPU time last grew
    qint64 sliceStart = -1;
    qint64 cpuAtSliceStart = 0;
    qint64 previousCpu = 0;
    while (child.started() && child.elapsedNs() < kGiveUpNs && isRunning(child.pid())) {
        const qint64 now = child.elapsedNs();
        const qint64 cpu = mainThreadCpuNs(child.pid());
        if (mappedAt < 0) {
            if (hasMappedWindow(x11, child.pid(), title)) {
                mappedAt = lastWorkAt = lastRunAt = sliceStart = now;
                cpuAtSliceStart = previousCpu = cpu;
            }
        } else {
            if (cpu > previousCpu)
                lastRunAt = now;
            previousCpu = cpu;
            if (now - sliceStart >= kSliceNs) {
                if (cpu - cpuAtSliceStart > kBusySliceCpuNs)
                    lastWorkAt = lastRunAt;
                sliceStart = now;
                cpuAtSliceStart = cpu;
            }
            if (now - lastWorkAt > quietNs)
                return {mappedAt / 1e6, lastWorkAt / 1e6};
        }
        usleep(500);
    }
    return {};
}

} // namespace korvane::bench
