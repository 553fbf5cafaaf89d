#include "Platform/X11Desktop.h"

#include "Platform/X11DisplayLoss.h"
#include "Platform/X11ErrorTrap.h"

#include <QGuiApplication>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace corvanta::X11Desktop {

namespace {

bool hasDockType(Display* display, Window window)
{
    static Atom typeAtom = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    static Atom dockAtom = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display, window, typeAtom, 0, 32, False, XA_ATOM, &actualType, &format, &count, &after, &data)
            == Success
        && data) {
        if (format == 32) {
            const auto* atoms = reinterpret_cast<const Atom*>(data);
            for (unsigned long i = 0; i < count && !found; ++i)
                found = atoms[i] == dockAtom;
        }
        XFree(data);
    }
    return found;
}

bool hasProperty(Display* display, Window window, Atom property)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(display, window, property, 0, 1, False, AnyPropertyType, &actualType, &format, &count,
                                          &after, &data)
            == Success
        && actualType != None;
    if (data)
        XFree(data);
    return found;
}

} // namespace

bool acceptsDrops(Display* display, unsigned long window)
{
    if (!display)
        return false;
    X11ErrorTrap trap(display);
    const Atom aware = XInternAtom(display, "XdndAware", False);
    if (hasProperty(display, window, aware))
        return true;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    bool found = false;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !found; ++i)
            found = hasProperty(display, children[i], aware);
        if (children)
            XFree(children);
    }
    return found;
}

Display* display()
{
    // Once the server is gone, Xlib calls on the connection crash: callers get none.
    if (X11DisplayLoss::isLost())
        return nullptr;
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return app ? app->display() : nullptr;
}

QList<TopLevel> dockWindows(Display* display)
{
    QList<TopLevel> out;
    if (!display)
        return out;
    X11ErrorTrap trap(display);
    const Window root = DefaultRootWindow(display);
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, root, &rootReturn, &parent, &children, &count))
        return out;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable)
            continue;
        bool dock = hasDockType(display, children[i]);
        if (!dock) { // a reparenting window manager puts the client one level down
            Window r = 0, p = 0;
            Window* grand = nullptr;
            unsigned int n = 0;
            if (XQueryTree(display, children[i], &r, &p, &grand, &n)) {
                for (unsigned int j = 0; j < n && !dock; ++j)
                    dock = hasDockType(display, grand[j]);
                if (grand)
                    XFree(grand);
            }
        }
        if (dock)
            out.append({children[i], QRect(attributes.x, attributes.y, attributes.width, attributes.height)});
    }
    if (children)
        XFree(children);
    return out;
}

unsigned long topLevelOf(Display* display, unsigned long window)
{
    if (!display || !window)
        return window;
    X11ErrorTrap trap(display);
    const Window root = DefaultRootWindow(display);
    Window current = window;
    for (int depth = 0; depth < 16; ++depth) {
        Window r = 0, parent = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(display, current, &r, &parent, &children, &n))
            return window;
        if (children)
            XFree(children);
        if (parent == root || parent == 0)
            return current;
        current = parent;
    }
    return window;
}

void focusWindow(Display* display, unsigned long window)
{
    if (!display || !window)
        return;
    X11ErrorTrap trap(display);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable)
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
}

void mapWhileDrawing(Display* display, unsigned long window, const std::function<void()>& draw)
{
    if (!display || !window)
        return;
    X11ErrorTrap trap(display); // the window may be gone; its errors end nothing
    XMapWindow(display, window);
    // Xlib's requests reach the connection only when flushed; the drawing must come after the map.
    XFlush(display);
    draw();
    XSync(display, False);
    XUnmapWindow(display, window);
}

bool isCompositing(Display* display)
{
    if (!display)
        return false;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(display));
    const Atom selection = XInternAtom(display, name.constData(), False);
    return XGetSelectionOwner(display, selection) != None;
}

} // namespace corvanta::X11Desktop
