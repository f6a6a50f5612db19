#include "x11windowactivator.h"
#include "x11connection.h"

#include <QElapsedTimer>
#include <QThread>

// Xlib macros (Bool, Status, None) clash with Qt: X11 headers come last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace korvane {

namespace {

// Once the request is sent, the window manager needs a moment to move the focus;
// keys typed before it has would go to the old window. On a loaded machine (or a
// sanitizer build) that moment has been seen to pass a second; the wait ends as
// soon as the focus arrives, so a generous bound costs nothing.
constexpr int kFocusWaitMs = 5000;
constexpr int kFocusPollMs = 5;
// _NET_ACTIVE_WINDOW source indication: a pager or tool acting for the user, which
// window managers honour without focus-stealing checks.
constexpr long kSourcePager = 2;

struct XFreeDeleter
{
    void operator()(void *data) const
    {
        if (data)
            XFree(data);
    }
};

// A property as a list of 32-bit items (windows, atoms); empty when absent.
QList<unsigned long> listProperty(Display *display, Window window, Atom property, Atom type)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 65536, False, type, &actualType, &format,
                           &count, &after, &data) != Success)
        return {};
    const std::unique_ptr<unsigned char, XFreeDeleter> owner(data);
    if (actualType != type || format != 32 || !data)
        return {};
    const auto *items = reinterpret_cast<const unsigned long *>(data);
    return QList<unsigned long>(items, items + count);
}

bool hasProperty(Display *display, Window window, Atom property)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType,
                                          &actualType, &format, &count, &after, &data);
    if (data)
        XFree(data);
    return status == Success && actualType != None;
}

// The client window below a window manager's frame: the one carrying WM_STATE.
Window findClient(Display *display, Window window, Atom wmState, int depth)
{
    if (hasProperty(display, window, wmState))
        return window;
    if (depth == 0)
        return None;
    Window root = None;
    Window parent = None;
    Window *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return None;
    const std::unique_ptr<Window, XFreeDeleter> owner(children);
    for (unsigned i = 0; i < count; ++i) {
        if (const Window client = findClient(display, children[i], wmState, depth - 1))
            return client;
    }
    return None;
}

bool isAncestorOrSelf(Display *display, Window ancestor, Window window)
{
    while (window != None) {
        if (window == ancestor)
            return true;
        Window root = None;
        Window parent = None;
        Window *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            return false;
        if (children)
            XFree(children);
        if (parent == root)
            return parent == ancestor;
        window = parent;
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
        titles.append(titleOf(window));
    const qsizetype found = findWindowTitle(titles, title);
    if (found < 0)
        return None;
    const Window window = windows.at(found);
    const Window root = DefaultRootWindow(display);
    if (windowManagerSupportsActivation()) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = kSourcePager;
        event.xclient.data.l[1] = CurrentTime;
        event.xclient.data.l[2] = None;
        XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
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
    if (!m_connection->display())
        return titles;
    const QList<unsigned long> windows = clientWindows();
    for (const unsigned long window : windows)
        titles.append(titleOf(window));
    return titles;
}

QList<unsigned long> X11WindowActivator::clientWindows()
{
    Display *display = m_connection->display();
    const Window root = DefaultRootWindow(display);
    QList<unsigned long> windows =
        listProperty(display, root, XInternAtom(display, "_NET_CLIENT_LIST", False), XA_WINDOW);
    if (!windows.isEmpty())
        return windows;
    // No EWMH window manager: walk the root's children, finding each client below
    // a frame by WM_STATE, or taking a mapped top-level window as it is.
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    Window rootReturn = None;
    Window parent = None;
    Window *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, root, &rootReturn, &parent, &children, &count))
        return windows;
    const std::unique_ptr<Window, XFreeDeleter> owner(children);
    for (unsigned i = 0; i < count; ++i) {
        if (const Window client = findClient(display, children[i], wmState, 2)) {
            windows.append(client);
            continue;
        }
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable && !attributes.override_redirect)
            windows.append(children[i]);
    }
    return windows;
}

QString X11WindowActivator::titleOf(unsigned long window)
{
    Display *display = m_connection->display();
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 65536,
                           False, utf8, &actualType, &format, &count, &after, &data) == Success) {
        const std::unique_ptr<unsigned char, XFreeDeleter> owner(data);
        if (actualType == utf8 && format == 8 && data)
            return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(count));
    }
    XTextProperty name{};
    if (!XGetWMName(display, window, &name) || !name.value)
        return {};
    const std::unique_ptr<unsigned char, XFreeDeleter> owner(name.value);
    if (name.encoding == XA_STRING)
        return QString::fromLatin1(reinterpret_cast<const char *>(name.value),
                                   qsizetype(name.nitems));
    char **list = nullptr;
    int items = 0;
    if (Xutf8TextPropertyToTextList(display, &name, &list, &items) < Success || !list)
        return QString::fromUtf8(reinterpret_cast<const char *>(name.value),
                                 qsizetype(name.nitems));
    const QString title = items > 0 ? QString::fromUtf8(list[0]) : QString();
    XFreeStringList(list);
    return title;
}

bool X11WindowActivator::windowManagerSupportsActivation()
{
    Display *display = m_connection->display();
    const Window root = DefaultRootWindow(display);
    const QList<unsigned long> check = listProperty(
        display, root, XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False), XA_WINDOW);
    if (check.isEmpty())
        return false;
    const QList<unsigned long> supported =
        listProperty(display, root, XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM);
    return supported.contains(XInternAtom(display, "_NET_ACTIVE_WINDOW", False));
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
