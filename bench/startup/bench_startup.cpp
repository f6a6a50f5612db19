// Measures how long the real korvane binary takes from process start until the
// "Korvane Command Center" window is mapped, and until it has loaded its lists and
// menus data and gone idle, for databases of 0, 10,000 and 100,000 records; and
// its resident memory then. Observed from outside: the mapped window through
// Xlib, the work done through the main thread's CPU time in /proc.

#include "keyworddatabase.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr int kRuns = 5;
constexpr qint64 kQuietNs = 200'000'000; // idle this long after the last work: ready
constexpr qint64 kBusyCpuNs = 200'000;   // CPU time that counts as work
constexpr qint64 kGiveUpNs = 60'000'000'000;

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

std::optional<unsigned long> windowOfProcess(Display *display, pid_t pid)
{
    const Atom clientList = XInternAtom(display, "_NET_CLIENT_LIST", False);
    const Atom wmPid = XInternAtom(display, "_NET_WM_PID", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display), clientList, 0, 4096, False,
                           XA_WINDOW, &type, &format, &count, &after, &data) != Success ||
        !data)
        return std::nullopt;
    std::vector<Window> windows(reinterpret_cast<Window *>(data),
                                reinterpret_cast<Window *>(data) + count);
    XFree(data);
    for (const Window window : windows) {
        unsigned char *pidData = nullptr;
        if (XGetWindowProperty(display, window, wmPid, 0, 1, False, XA_CARDINAL, &type, &format,
                               &count, &after, &pidData) != Success ||
            !pidData)
            continue;
        const auto owner = pid_t(*reinterpret_cast<unsigned long *>(pidData));
        XFree(pidData);
        char *name = nullptr;
        const bool titled = XFetchName(display, window, &name) && name &&
                            std::strcmp(name, "Korvane Command Center") == 0;
        if (name)
            XFree(name);
        XWindowAttributes attributes;
        if (owner == pid && titled && XGetWindowAttributes(display, window, &attributes) &&
            attributes.map_state == IsViewable)
            return window;
    }
    return std::nullopt;
}

qint64 mainThreadCpuNs(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/task/%1/schedstat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().split(' ').value(0).toLongLong();
}

long residentKiB(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

struct Sample
{
    double mappedMs = -1;
    double readyMs = -1;
    long rssKiB = -1;
};

Sample measureStart(Display *display, const QString &home)
{
    qputenv("KORVANE_HOME", home.toLocal8Bit());
    char program[] = KORVANE_BINARY;
    char *argv[] = {program, nullptr};
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0)
        return {};

    Sample sample;
    qint64 mappedAt = -1, lastWorkAt = -1, cpuAtLastWork = 0;
    while (clock.nsecsElapsed() < kGiveUpNs) {
        const qint64 now = clock.nsecsElapsed();
        if (mappedAt < 0) {
            if (windowOfProcess(display, pid)) {
                mappedAt = lastWorkAt = now;
                cpuAtLastWork = mainThreadCpuNs(pid);
            }
        } else {
            const qint64 cpu = mainThreadCpuNs(pid);
            if (cpu - cpuAtLastWork > kBusyCpuNs) {
                lastWorkAt = now;
                cpuAtLastWork = cpu;
            } else if (now - lastWorkAt > kQuietNs) {
                sample.mappedMs = mappedAt / 1e6;
                sample.readyMs = lastWorkAt / 1e6;
                sample.rssKiB = residentKiB(pid);
                break;
            }
        }
        usleep(500);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return sample;
}

// Windows of killed runs vanish while we look at them: ignore such errors.
int ignoreXErrors(Display *, XErrorEvent *)
{
    return 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

} // namespace

int main()
{
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("bench_startup needs an X display with a window manager (xvfb-run + "
                   "scripts/with-openbox).\n",
                   stderr);
        return 1;
    }
    XSetErrorHandler(ignoreXErrors);
    std::printf("korvane start-up, median of %d runs (binary %s)\n", kRuns, KORVANE_BINARY);
    std::printf("%10s  %12s  %14s  %12s  %10s\n", "records", "write db s", "window mapped",
                "lists ready", "VmRSS");
    for (const int records : {0, 10'000, 100'000}) {
        QTemporaryDir home;
        QElapsedTimer writing;
        writing.start();
        writeDatabase(home.path(), records);
        const double writeSeconds = writing.elapsed() / 1000.0;

        std::vector<double> mapped, ready, rss;
        for (int run = 0; run < kRuns; ++run) {
            const Sample sample = measureStart(display, home.path());
            mapped.push_back(sample.mappedMs);
            ready.push_back(sample.readyMs);
            rss.push_back(double(sample.rssKiB));
        }
        std::printf("%10d  %12.1f  %11.1f ms  %9.1f ms  %7.1f MiB\n", records, writeSeconds,
                    median(mapped), median(ready), median(rss) / 1024.0);
        std::fflush(stdout);
    }
    XCloseDisplay(display);
    return 0;
}
