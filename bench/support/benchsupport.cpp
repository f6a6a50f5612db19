#include "benchsupport.h"

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

// Windows of killed programs vanish while we look at them: ignore such errors.
int ignoreXErrors(Display *, XErrorEvent *)
{
    return 0;
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
            seconds(usage.ru_utime) + seconds(usage.ru_stime)};
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

XDisplay::XDisplay()
    : m_display(XOpenDisplay(nullptr))
{
    XSetErrorHandler(ignoreXErrors);
}

XDisplay::~XDisplay()
{
    if (m_display)
        XCloseDisplay(m_display);
}

bool XDisplay::hasMappedWindow(pid_t pid, const QString &title) const
{
    if (!m_display)
        return false;
    const Atom clientList = XInternAtom(m_display, "_NET_CLIENT_LIST", False);
    const Atom wmPid = XInternAtom(m_display, "_NET_WM_PID", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(m_display, DefaultRootWindow(m_display), clientList, 0, 4096, False,
                           XA_WINDOW, &type, &format, &count, &after, &data) != Success ||
        !data)
        return false;
    const std::vector<Window> windows(reinterpret_cast<Window *>(data),
                                      reinterpret_cast<Window *>(data) + count);
    XFree(data);
    const QByteArray wanted = title.toUtf8();
    for (const Window window : windows) {
        unsigned char *pidData = nullptr;
        if (XGetWindowProperty(m_display, window, wmPid, 0, 1, False, XA_CARDINAL, &type, &format,
                               &count, &after, &pidData) != Success ||
            !pidData)
            continue;
        const auto owner = pid_t(*reinterpret_cast<unsigned long *>(pidData));
        XFree(pidData);
        if (owner != pid)
            continue;
        char *name = nullptr;
        const bool titled = XFetchName(m_display, window, &name) && name && wanted == name;
        if (name)
            XFree(name);
        XWindowAttributes attributes;
        if (titled && XGetWindowAttributes(m_display, window, &attributes) &&
            attributes.map_state == IsViewable)
            return true;
    }
    return false;
}

StartTimes waitUntilShownAndIdle(const XDisplay &display, const ChildProcess &child,
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
            if (display.hasMappedWindow(child.pid(), title)) {
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
