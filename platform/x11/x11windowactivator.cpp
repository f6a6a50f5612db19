// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11windowactivator.h"
#include "x11connection.h"
#include "x11properties.h"

#include <QElapsedTimer>
#include <QThread>

// Xlib macros (Bool, Status, None) clash with Qt: X11 headers come last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace korvane {

using namespace x11;

namespace {

// Once the request is sent, the window manager needs a moment to move the focus;
// keys typed before it has would go to the old window. On a loaded machine (or a
// sanitizer build) that moment has been seen to pass a second; the wait ends as
// soon as the focus arrives, so a generous bound costs nothing.
constexpr int kFocusWaitMs = 5000;
constexpr int kFocusPollMs = 5;
// How deep below a top-level frame the client window is looked for: openbox and
// most window managers put it one or two levels down.
constexpr int kFrameDepth = 2;

// _NET_ACTIVE_WINDOW's source indication: who asks for the activation.
enum class ActivationSource : long {
    Application = 1,
    // A pager or tool acting for the user: window managers honour it without
    // their focus-stealing checks.
    Pager = 2,
};

// The client window below a window manager's frame: the one carrying WM_STATE.
WindowId findClient(Display *display, WindowId window, int depth)
{
    if (hasProperty(display, window, "WM_STATE"))
        return window;
    if (depth == 0)
        return None;
    for (const WindowId child : childrenOf(display, window)) {
        if (const WindowId client = findClient(display, child, depth - 1))
            return client;
    }
    return None;
}

bool isAncestorOrSelf(Display *display, WindowId ancestor, WindowId window)
{
    for (; window != None; window = parentOf(display, window)) {
        if (window == ancestor)
            return true;
    }
    return false;
}

} // namespace

X11WindowActivator::X11WindowActivator(std::shared_ptr<X11Connection> connection)
    : m_connection(connection ? std::move(connection) : std::make_shared<X11Connection>())
{
}

unsigned long X11WindowActivator::requestActivation(const QString &title)
{
    Display *display = m_connection->display();
    if (!display)
        return None;
    const QList<unsigned long> windows = clientWindows();
    QStringList titles;
    for (const unsigned long window : windows)
        titles.append(windowTitle(display, window));
    const qsizetype found = findWindowTitle(titles, title);
    if (found < 0)
        return None;
    const Window window = windows.at(found);
    if (windowManagerSupportsActivation()) {
        sendClientMessage(display, DefaultRootWindow(display),
                          SubstructureRedirectMask | SubstructureNotifyMask, window,
                          atom(display, "_NET_ACTIVE_WINDOW"),
                          {long(ActivationSource::Pager), CurrentTime, None});
    } else {
        XMapRaised(display, window);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    }
    XSync(display, False);
    return window;
}

bool X11WindowActivator::activate(const QString &title)
{
    const Window window = requestActivation(title);
    if (window == None)
        return false;
    waitUntilFocused(window);
    return true;
}

bool X11WindowActivator::bringForward(const QString &title)
{
    return requestActivation(title) != None;
}

QStringList X11WindowActivator::windowTitles()
{
    QStringList titles;
    Display *display = m_connection->display();
    if (!display)
        return titles;
    const QList<unsigned long> windows = clientWindows();
    for (const unsigned long window : windows)
        titles.append(windowTitle(display, window));
    return titles;
}

QList<unsigned long> X11WindowActivator::clientWindows()
{
    Display *display = m_connection->display();
    const Window root = DefaultRootWindow(display);
    QList<unsigned long> windows = listProperty(display, root, "_NET_CLIENT_LIST", XA_WINDOW);
    if (!windows.isEmpty())
        return windows;
    // No EWMH window manager: walk the root's children, finding each client below
    // a frame by WM_STATE, or taking a mapped top-level window as it is.
    for (const WindowId child : childrenOf(display, root)) {
        if (const WindowId client = findClient(display, child, kFrameDepth)) {
            windows.append(client);
            continue;
        }
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, child, &attributes) &&
            attributes.map_state == IsViewable && !attributes.override_redirect)
            windows.append(child);
    }
    return windows;
}

bool X11WindowActivator::windowManagerSupportsActivation()
{
    Display *display = m_connection->display();
    const Window root = DefaultRootWindow(display);
    if (listProperty(display, root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).isEmpty())
        return false;
    return listProperty(display, root, "_NET_SUPPORTED", XA_ATOM)
        .contains(atom(display, "_NET_ACTIVE_WINDOW"));
}

bool X11WindowActivator::waitUntilFocused(unsigned long window)
{
    Display *display = m_connection->display();
    QElapsedTimer waited;
    waited.start();
    while (true) {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        if (focus != None && focus != PointerRoot && isAncestorOrSelf(display, window, focus))
            return true;
        if (waited.elapsed() >= kFocusWaitMs)
            return false;
        QThread::msleep(kFocusPollMs);
    }
}

} // namespace korvane
