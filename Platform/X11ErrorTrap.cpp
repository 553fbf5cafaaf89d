#include "Platform/X11ErrorTrap.h"

#include <X11/Xlib.h>

namespace corvanta {

namespace {

bool g_failed = false;

int record(Display*, XErrorEvent*)
{
    g_failed = true;
    return 0;
}

} // namespace

X11ErrorTrap::X11ErrorTrap(Display* display, bool syncAtEnd) : m_display(display), m_syncAtEnd(syncAtEnd)
{
    g_failed = false;
    m_previous = reinterpret_cast<void (*)()>(XSetErrorHandler(&record));
}

X11ErrorTrap::~X11ErrorTrap()
{
    if (m_syncAtEnd)
        XSync(m_display, False);
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(m_previous));
}

bool X11ErrorTrap::failed() const
{
    return g_failed;
}

bool X11ErrorTrap::failedAfterSync()
{
    XSync(m_display, False);
    return g_failed;
}

} // namespace corvanta
