#include "Platform/X11GlobalHotKey.h"

#include "Platform/X11DisplayLoss.h"
#include "Services/ShortcutParser.h"
#include "Support/Logger.h"

#include <QSocketNotifier>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <atomic>

namespace corvanta {

namespace {

// Xlib reports errors through a process-wide handler; a grab that fails (BadAccess: another
// client holds the key) must be noticed, not end the process as the default handler would.
std::atomic<int> g_lastGrabError{0};

int recordError(Display*, XErrorEvent* event)
{
    g_lastGrabError = event->error_code;
    return 0;
}

} // namespace

struct X11GlobalHotKey::Connection {
    Display* display = nullptr;
    Window root = 0;
    unsigned int numLockMask = 0;
    ~Connection()
    {
        // A broken connection is left alone: Xlib may not be called on it again.
        if (display && !X11DisplayLoss::isLost())
            XCloseDisplay(display);
    }
};

X11GlobalHotKey::X11GlobalHotKey(const QByteArray& displayName, QObject* parent)
    : QObject(parent), m_x(std::make_unique<Connection>())
{
    m_x->display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!m_x->display) {
        CLOG_WARN(QStringLiteral("No X display: no global hot key is available"));
        return;
    }
    X11DisplayLoss::adopt(m_x->display);
    m_x->root = DefaultRootWindow(m_x->display);

    // A held key must give one press, not a stream of press/release pairs.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(m_x->display, True, &supported);

    // Find the modifier bit NumLock sits on, so the grab also works with NumLock on.
    const KeyCode numLock = XKeysymToKeycode(m_x->display, XK_Num_Lock);
    if (XModifierKeymap* map = XGetModifierMapping(m_x->display)) {
        for (int mod = 0; mod < 8; ++mod)
            for (int k = 0; k < map->max_keypermod; ++k)
                if (numLock && map->modifiermap[mod * map->max_keypermod + k] == numLock)
                    m_x->numLockMask = 1u << mod;
        XFreeModifiermap(map);
    }

    m_notifier = new QSocketNotifier(ConnectionNumber(m_x->display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11GlobalHotKey::readEvents);
}

X11GlobalHotKey::~X11GlobalHotKey()
{
    unregisterHotKey();
}

bool X11GlobalHotKey::isAvailable() const { return m_x->display != nullptr; }

void X11GlobalHotKey::installHandler(std::function<void()> onPressed) { m_handler = std::move(onPressed); }

void X11GlobalHotKey::removeHandler() { m_handler = nullptr; }

unsigned long X11GlobalHotKey::keysymForKeyCode(quint32 keyCode)
{
    switch (keyCode) {
    case 122: return XK_F1;
    case 120: return XK_F2;
    case 99: return XK_F3;
    case 118: return XK_F4;
    case 96: return XK_F5;
    case 97: return XK_F6;
    case 98: return XK_F7;
    case 100: return XK_F8;
    case 101: return XK_F9;
    case 109: return XK_F10;
    case 103: return XK_F11;
    case 111: return XK_F12;
    case 49: return XK_space;
    default: break;
    }
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        if (letterKeyCode(QChar(c)) == keyCode && keyCode != 0)
            return XK_a + (c - u'A');
    return 0;
}

unsigned int X11GlobalHotKey::xModifiersFor(quint32 modifiers)
{
    unsigned int state = 0;
    if (modifiers & HotKeyModifier::command)
        state |= Mod4Mask; // the Super key stands where the Command key does
    if (modifiers & HotKeyModifier::shift)
        state |= ShiftMask;
    if (modifiers & HotKeyModifier::option)
        state |= Mod1Mask;
    if (modifiers & HotKeyModifier::control)
        state |= ControlMask;
    return state;
}

bool X11GlobalHotKey::registerHotKey(quint32 keyCode, quint32 modifiers)
{
    unregisterHotKey();
    if (!m_x->display || X11DisplayLoss::isLost())
        return false;
    const unsigned long keysym = keysymForKeyCode(keyCode);
    const KeyCode code = keysym ? XKeysymToKeycode(m_x->display, keysym) : 0;
    if (!code) {
        CLOG_WARN(QStringLiteral("Hot key %1 has no key on this keyboard").arg(keyCode));
        return false;
    }
    const unsigned int state = xModifiersFor(modifiers);
    const unsigned int variants[] = {0u, unsigned(LockMask), m_x->numLockMask, unsigned(LockMask) | m_x->numLockMask};

    XSync(m_x->display, False);
    g_lastGrabError = 0;
    auto previous = XSetErrorHandler(recordError);
    for (unsigned int extra : variants)
        XGrabKey(m_x->display, code, state | extra, m_x->root, False, GrabModeAsync, GrabModeAsync);
    XSync(m_x->display, False); // checked: wait for the server's verdict before trusting the grab
    XSetErrorHandler(previous);

    m_keycode = code;
    m_xModifiers = state;
    if (g_lastGrabError != 0) {
        CLOG_WARN(QStringLiteral("Hot key is already taken by another program (X error %1); it stays inactive")
                      .arg(int(g_lastGrabError)));
        unregisterHotKey();
        return false;
    }
    return true;
}

void X11GlobalHotKey::unregisterHotKey()
{
    if (!m_x->display || !m_keycode || X11DisplayLoss::isLost())
        return;
    const unsigned int variants[] = {0u, unsigned(LockMask), m_x->numLockMask, unsigned(LockMask) | m_x->numLockMask};
    auto previous = XSetErrorHandler(recordError);
    for (unsigned int extra : variants)
        XUngrabKey(m_x->display, int(m_keycode), m_xModifiers | extra, m_x->root);
    XSync(m_x->display, False);
    XSetErrorHandler(previous);
    m_keycode = 0;
    m_xModifiers = 0;
    m_keyDown = false;
}

void X11GlobalHotKey::readEvents()
{
    if (X11DisplayLoss::isLost()) {
        m_notifier->setEnabled(false); // a closed socket stays readable
        return;
    }
    while (XPending(m_x->display) > 0) {
        XEvent event;
        XNextEvent(m_x->display, &event);
        if (event.xkey.keycode != m_keycode)
            continue;
        if (event.type == KeyPress) {
            if (m_keyDown)
                continue; // auto-repeat of a held key
            m_keyDown = true;
            if (m_handler)
                m_handler();
        } else if (event.type == KeyRelease) {
            m_keyDown = false;
        }
    }
}

} // namespace corvanta
