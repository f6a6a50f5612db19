// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminationsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace korvane {

namespace {

// A program stuck where neither the event loop nor a safe point is reached still
// ends this long after the signal, and a second signal ends it at once: the
// keyboard map is then given back by the next run instead.
constexpr unsigned kGraceSeconds = 3;

volatile std::sig_atomic_t g_signal = 0;
int g_pipe[2] = {-1, -1};
std::function<void()> g_beforeEnd;
bool g_ending = false;

// Only what is safe in a signal handler: the first signal is noted; the end by
// the noted signal comes on the next one or when the grace time is over.
void endBySignalNow(int)
{
    std::signal(g_signal, SIG_DFL);
    ::raise(g_signal);
}

void noteSignal(int signal)
{
    if (g_signal != 0) {
        endBySignalNow(signal);
        return;
    }
    const int savedErrno = errno;
    g_signal = signal;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    ::alarm(kGraceSeconds);
    errno = savedErrno;
}

} // namespace

void installTerminationHandling(std::function<void()> beforeEnd)
{
    g_beforeEnd = std::move(beforeEnd);
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    if (QCoreApplication *application = QCoreApplication::instance()) {
        auto *notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, application);
        QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                         [] { endIfTerminationRequested(); });
    }
    struct sigaction action = {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    action.sa_handler = endBySignalNow;
    sigaction(SIGALRM, &action, nullptr);
    action.sa_handler = noteSignal;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction previous = {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

void endIfTerminationRequested()
{
    const int signal = g_signal;
    if (signal == 0 || g_ending)
        return;
    g_ending = true; // what runs before the end may reach a safe point of its own
    if (g_beforeEnd)
        g_beforeEnd();
    std::fflush(nullptr);
    std::signal(signal, SIG_DFL);
    ::raise(signal);
    ::_exit(128 + signal); // only if the signal is blocked
}

} // namespace korvane
