// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11connection.h"

#include <QList>

// Xlib macros (Bool, Status, None) clash with Qt: X11 headers come last.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace korvane {

namespace {

// Xlib's default handler ends the process on any error, and a window can vanish
// between listing it and reading its title. Errors on our own connections are
// ignored (each call checks its results); others go to the handler found before.
QList<Display *> g_ownDisplays;
XErrorHandler g_previousHandler = nullptr;

int ignoreOwnErrors(Display *display, XErrorEvent *event)
{
    if (g_ownDisplays.contains(display) || !g_previousHandler)
        return 0;
    return g_previousHandler(display, event);
}

} // namespace

X11Connection::X11Connection() = default;

X11Connection::~X11Connection() = default;

void X11Connection::Closer::operator()(_XDisplay *display) const
{
    g_ownDisplays.removeAll(display);
    XCloseDisplay(display);
}

Display *X11Connection::display()
{
    if (!m_tried)
        open();
    return m_display.get();
}

QString X11Connection::unavailableReason()
{
    display();
    return m_reason;
}

void X11Connection::open()
{
    m_tried = true;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        m_reason = QStringLiteral("no X11 display (DISPLAY is not set)");
        return;
    }
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    int reason = 0;
    int unused = 0;
    std::unique_ptr<Display, Closer> display(
        XkbOpenDisplay(nullptr, &unused, &unused, &major, &minor, &reason));
    if (!display) {
        m_reason = reason == XkbOD_NonXkbServer
                       ? QStringLiteral("the X11 display %1 has no XKB extension")
                       : QStringLiteral("cannot open the X11 display %1");
        m_reason = m_reason.arg(qEnvironmentVariable("DISPLAY"));
        return;
    }
    g_ownDisplays.append(display.get());
    if (XErrorHandler previous = XSetErrorHandler(ignoreOwnErrors); previous != ignoreOwnErrors)
        g_previousHandler = previous;
    int event = 0;
    int error = 0;
    if (!XTestQueryExtension(display.get(), &event, &error, &major, &minor)) {
        m_reason = QStringLiteral("the X11 display has no XTest extension");
        return;
    }
    // Our own fake key events must not be grabbed from us by a held server grab.
    XTestGrabControl(display.get(), True);
    m_display = std::move(display);
}

} // namespace korvane
