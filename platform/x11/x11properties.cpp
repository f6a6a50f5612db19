// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11properties.h"

#include <memory>

// Xlib macros (Bool, Status, None) clash with Qt: X11 headers come last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace korvane::x11 {

namespace {

// Longer than any title or window list; Xlib counts it in 32-bit units.
constexpr long kMaxPropertyLength = 65536;

struct XFreeDeleter
{
    void operator()(void *data) const
    {
        if (data)
            XFree(data);
    }
};

struct Property
{
    Atom type = None;
    int format = 0; // bits per item: 8, 16 or 32
    unsigned long count = 0;
    std::unique_ptr<unsigned char, XFreeDeleter> data;
};

Property readProperty(Display *display, Window window, const char *name, Atom type, long length)
{
    Property property;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, window, atom(display, name), 0, length, False, type,
                           &property.type, &property.format, &property.count, &after,
                           &data) != Success)
        return {};
    property.data.reset(data);
    return property;
}

} // namespace

AtomId atom(Display *display, const char *name)
{
    return XInternAtom(display, name, False);
}

QList<unsigned long> listProperty(Display *display, WindowId window, const char *property,
                                  AtomId type)
{
    const Property read = readProperty(display, window, property, type, kMaxPropertyLength);
    if (read.type != type || read.format != 32 || !read.data)
        return {};
    // Xlib hands 32-bit items to clients as longs.
    const auto *items = reinterpret_cast<const unsigned long *>(read.data.get());
    return QList<unsigned long>(items, items + read.count);
}

bool hasProperty(Display *display, WindowId window, const char *property)
{
    return readProperty(display, window, property, AnyPropertyType, 0).type != None;
}

QString windowTitle(Display *display, WindowId window)
{
    const Atom utf8 = atom(display, "UTF8_STRING");
    const Property name = readProperty(display, window, "_NET_WM_NAME", utf8, kMaxPropertyLength);
    if (name.type == utf8 && name.format == 8 && name.data)
        return QString::fromUtf8(reinterpret_cast<const char *>(name.data.get()),
                                 qsizetype(name.count));
    XTextProperty legacy{};
    if (!XGetWMName(display, window, &legacy) || !legacy.value)
        return {};
    const std::unique_ptr<unsigned char, XFreeDeleter> owner(legacy.value);
    const auto *text = reinterpret_cast<const char *>(legacy.value);
    if (legacy.encoding == XA_STRING)
        return QString::fromLatin1(text, qsizetype(legacy.nitems));
    char **list = nullptr;
    int items = 0;
    if (Xutf8TextPropertyToTextList(display, &legacy, &list, &items) < Success || !list)
        return QString::fromUtf8(text, qsizetype(legacy.nitems));
    const QString title = items > 0 ? QString::fromUtf8(list[0]) : QString();
    XFreeStringList(list);
    return title;
}

qint64 windowPid(Display *display, WindowId window)
{
    return qint64(listProperty(display, window, "_NET_WM_PID", XA_CARDINAL).value(0));
}

WindowId parentOf(Display *display, WindowId window)
{
    Window root = None;
    Window parent = None;
    Window *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return None;
    if (children)
        XFree(children);
    return parent == root ? None : parent;
}

QList<WindowId> childrenOf(Display *display, WindowId window)
{
    Window root = None;
    Window parent = None;
    Window *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return {};
    const std::unique_ptr<Window, XFreeDeleter> owner(children);
    return QList<WindowId>(children, children + count);
}

void sendClientMessage(Display *display, WindowId destination, long eventMask, WindowId window,
                       AtomId type, const std::array<long, 3> &data)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    for (std::size_t i = 0; i < data.size(); ++i)
        event.xclient.data.l[i] = data[i];
    XSendEvent(display, destination, False, eventMask, &event);
}

} // namespace korvane::x11
