#include "Platform/X11InputConnection.h"

#include "Platform/X11DisplayLoss.h"

#include <QSocketNotifier>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace corvanta {

X11InputConnection::X11InputConnection(int minorVersion, const QByteArray& displayName, QObject* parent) : QObject(parent)
{
    m_display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!m_display)
        return;
    // A broken connection must leave the failing call, not the process: termination still saves.
    X11DisplayLoss::adopt(m_display);
    m_root = DefaultRootWindow(m_display);
    int event = 0, error = 0;
    int major = 2, minor = minorVersion;
    // The server answers with the version it speaks, which may be older than asked for.
    if (!XQueryExtension(m_display, "XInputExtension", &m_opcode, &event, &error) || XIQueryVersion(m_display, &major, &minor) != Success ||
        major < 2 || (major == 2 && minor < minorVersion))
        m_opcode = -1;
}

X11InputConnection::~X11InputConnection()
{
    stopListening();
    if (m_display && !X11DisplayLoss::isLost()) // Xlib may not be called on a broken connection
        XCloseDisplay(m_display);
}

bool X11InputConnection::isAvailable() const { return m_display && m_opcode >= 0; }

Display* X11InputConnection::display() const { return m_display; }

unsigned long X11InputConnection::root() const { return m_root; }

void X11InputConnection::select(const std::vector<int>& types)
{
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    for (int type : types)
        XISetMask(bits, type);
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof bits;
    mask.mask = bits;
    XISelectEvents(m_display, m_root, &mask, 1);
    XFlush(m_display);
}

bool X11InputConnection::listen(const std::vector<int>& types, std::function<void(int, const void*)> onEvent,
                                std::function<void()> afterBatch)
{
    stopListening();
    if (!isAvailable())
        return false;
    m_onEvent = std::move(onEvent);
    m_afterBatch = std::move(afterBatch);
    select(types);
    m_notifier = new QSocketNotifier(ConnectionNumber(m_display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11InputConnection::readEvents);
    return true;
}

void X11InputConnection::stopListening()
{
    if (!m_notifier)
        return;
    if (!X11DisplayLoss::isLost())
        select({});
    // May run inside the notifier's own signal: let the event loop delete it.
    m_notifier->setEnabled(false);
    m_notifier->deleteLater();
    m_notifier = nullptr;
    m_onEvent = nullptr;
    m_afterBatch = nullptr;
}

void X11InputConnection::readEvents()
{
    m_rereadPosted = false;
    while (m_notifier && XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != m_opcode || !XGetEventData(m_display, cookie))
            continue;
        if (m_onEvent)
            m_onEvent(cookie->evtype, cookie->data);
        XFreeEventData(m_display, cookie);
    }
    if (m_afterBatch)
        m_afterBatch();
    // A round trip made after the batch (the pointer query) reads whatever arrived meanwhile into
    // Xlib's queue, where the socket no longer signals it: those events make the next batch, or
    // the last move into a hot corner would wait for a move after it. Through the event loop, not
    // in a loop here: on a slow connection each round trip could bring new moves for as long as
    // the pointer moves, and painting must go on meanwhile.
    if (m_notifier && !m_rereadPosted && XEventsQueued(m_display, QueuedAlready) > 0) {
        m_rereadPosted = true;
        QMetaObject::invokeMethod(this, &X11InputConnection::readEvents, Qt::QueuedConnection);
    }
}

} // namespace corvanta
