// SPDX-License-Identifier: GPL-3.0-or-later
#include "qteventloop.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace korvane {

void QtEventLoop::doEvents()
{
    QCoreApplication::processEvents();
}

void QtEventLoop::waitForEvents(int maxMs)
{
    if (maxMs <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    // The timer is the event that ends the wait when nothing else arrives first;
    // the thread sleeps in the event dispatcher meanwhile.
    QTimer tick;
    tick.setSingleShot(true);
    tick.setTimerType(Qt::PreciseTimer);
    tick.start(maxMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtEventLoop::endProgram(int exitCode)
{
    // The program stops on the spot: quitting the event loop would let windows
    // run their close handlers and std::exit() would run static destructors of
    // Qt objects. Every file Korvane writes is closed or committed when the call
    // that wrote it returns, so only buffered console output needs flushing.
    std::fflush(nullptr);
    ::_exit(exitCode);
}

} // namespace korvane
