#include "Platform/CurrentDesktopWatcher.h"

#include "Platform/X11DisplayLoss.h"

#include <QSocketNotifier>

#include <X11/Xlib.h>

namespace corvanta {

CurrentDesktopWatcher::CurrentDesktopWatcher(const QByteArray& displayName, QObject* parent) : QObject(parent)
{
    Display* display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!display)
        return;
    X11DisplayLoss::adopt(display);
    m_display = display;
    m_atom = XInternAtom(display, "_NET_CURRENT_DESKTOP", False);
    XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
    XFlush(display);
    m_notifier = new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CurrentDesktopWatcher::readEvents);
}

CurrentDesktopWatcher::~CurrentDesktopWatcher()
{
    delete m_notifier;
    if (m_display && !X11DisplayLoss::isLost()) // Xlib may not be called on a broken connection
        XCloseDisplay(static_cast<Display*>(m_display));
}

void CurrentDesktopWatcher::readEvents()
{
    auto* display = static_cast<Display*>(m_display);
    if (X11DisplayLoss::isLost()) {
        m_notifier->setEnabled(false); // a closed socket stays readable
        return;
    }
    bool changed = false;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == PropertyNotify && event.xproperty.atom == m_atom)
            changed = true;
    }
    // One notice per batch: a desktop switch often rewrites the property more than once.
    if (changed)
        Q_EMIT currentDesktopChanged();
}

} // namespace corvanta
