// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers the benchmarks share: machine-readable result lines for bench/run, and
// watching a started program from outside (its windows, CPU time and memory).

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <vector>

#include <sys/types.h>

namespace korvane {
class X11Connection;
}

namespace korvane::bench {

using korvane::X11Connection;

// "@result<TAB>key<TAB>value": one figure for the table bench/run prints.
void printResult(const QString &key, double value, int decimals = 1);
void printResult(const QString &key, const QString &value);

double median(std::vector<double> values);

// Gives the programs a bench starts a runtime folder of their own (korvane keeps
// its single-instance lock there), removed with this object.
class PrivateRuntimeFolder
{
public:
    PrivateRuntimeFolder();

private:
    QTemporaryDir m_folder;
};

// A program started with the bench's environment; killed and reaped when the
// object goes, unless it was waited for.
class ChildProcess
{
public:
    ChildProcess(const QString &program, const QStringList &arguments = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    bool started() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }
    // Nanoseconds since just before the program was started.
    qint64 elapsedNs() const { return m_clock.nsecsElapsed(); }

    struct Exit
    {
        int status = -1;           // exit status, or -1 when it did not end normally
        double cpuSeconds = -1;    // user + system time of all its threads
        long peakResidentKiB = -1; // the most memory it ever held resident
    };
    Exit waitForExit();

private:
    pid_t m_pid = 0;
    QElapsedTimer m_clock;
};

// User + system CPU time of all threads of a process, from /proc/PID/stat;
// -1 when the process is gone.
double processCpuSeconds(pid_t pid);
// Whether the process exists and has not ended (a zombie has).
bool isRunning(pid_t pid);
// CPU time of the main thread in nanoseconds (scheduler accounting), -1 when gone.
qint64 mainThreadCpuNs(pid_t pid);
// VmRSS in KiB, -1 when gone.
long residentKiB(pid_t pid);

// Whether `pid` has a viewable top-level window titled `title`, as listed by the
// window manager in _NET_CLIENT_LIST.
bool hasMappedWindow(X11Connection &x11, pid_t pid, const QString &title);

struct StartTimes
{
    double mappedMs = -1; // until the titled window was viewable
    double readyMs = -1;  // until the main thread last worked before going quiet
};

// Polls a starting program until its window `title` is mapped and its main thread
// then stays idle (under a tenth of a core) for `quietMs`; times count from its start.
// Empty times when that does not happen within a minute.
StartTimes waitUntilShownAndIdle(X11Connection &x11, const ChildProcess &child,
                                 const QString &title, int quietMs = 200);

} // namespace korvane::bench
