// Drives the real program on the virtual display: its environment, its log, the keyboard and the pointer.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QPoint>
#include <QPointF>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>

// gtest before Xlib: Xlib's macros (None, Bool...) would rewrite gtest's own names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace e2e {

struct Program {
    QTemporaryDir home{QDir::tempPath() + QStringLiteral("/corvanta-e2e-XXXXXX")};
    QProcess process;
    QMap<QString, QString> extraEnvironment;

    QString path(const char* relative) const { return home.path() + QLatin1Char('/') + QLatin1String(relative); }
    QString logFile() const { return path("state/Corvanta/Corvanta.log"); }
    QString layoutFile() const { return path("data/Corvanta/layout.json"); }
    QString launchLog() const { return path("launches.log"); }
    QString extraApplications() const { return path("extra-apps"); }

    // The one-time pinch question counts as answered, so a start by hand goes straight to the grid.
    void markPinchQuestionAsked() const
    {
        QSettings settings(path("config/Corvanta/Corvanta.conf"), QSettings::NativeFormat);
        settings.setValue(QStringLiteral("com.corvanta.didAskFourFingerPinchTakeover"), true);
        settings.sync();
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), path("data"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), path("state"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), path("cache"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("runtime"));
        env.insert(QStringLiteral("CORVANTA_APPLICATION_DIRS"), QStringLiteral(CORVANTA_SAMPLE_APPS ":") + extraApplications());
        env.insert(QStringLiteral("CORVANTA_SYSLOG"), QStringLiteral("0"));
        env.insert(QStringLiteral("CORVANTA_LAUNCH_LOG"), launchLog());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("CORVANTA_TEST_REAL_DISPLAY"));
        env.remove(QStringLiteral("QUORLA_SUCCESSION"));
        for (auto it = extraEnvironment.cbegin(); it != extraEnvironment.cend(); ++it)
            env.insert(it.key(), it.value());
        return env;
    }

    // Starts a copy of the program on this home; the first call's copy is `process`.
    void start() { start(process); }
    void start(QProcess& copy)
    {
        QDir().mkpath(path("runtime"));
        QFile::setPermissions(path("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QDir().mkpath(extraApplications());
        copy.setProcessEnvironment(environment());
        copy.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        copy.start(QStringLiteral(CORVANTA_BINARY_DIR "/corvanta"), {});
    }

    int logCount(const QString& text) const { return int(log().count(text)); }
    bool waitForLogCount(const QString& text, int count, int milliseconds = 20000) const
    {
        QDeadlineTimer deadline(milliseconds);
        while (logCount(text) < count) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(25);
        }
        return true;
    }
    bool launched(const QString& name) const
    {
        QFile launches(launchLog());
        return launches.open(QIODevice::ReadOnly) && QString::fromUtf8(launches.readAll()).contains(name);
    }

    QString log() const
    {
        QFile file(logFile());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // Waits (turning nothing but time) until the log holds `text`, or the deadline passes.
    bool waitForLog(const QString& text, int milliseconds = 20000) const { return waitForLogCount(text, 1, milliseconds); }
};

struct Keyboard {
    Display* display = XOpenDisplay(nullptr);
    ~Keyboard()
    {
        if (display)
            XCloseDisplay(display);
    }
    void tap(KeySym sym, KeySym modifier = NoSymbol)
    {
        const KeyCode code = XKeysymToKeycode(display, sym);
        const KeyCode mod = modifier == NoSymbol ? 0 : XKeysymToKeycode(display, modifier);
        if (mod)
            XTestFakeKeyEvent(display, mod, True, CurrentTime);
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        if (mod)
            XTestFakeKeyEvent(display, mod, False, CurrentTime);
        XFlush(display);
    }
    // A left click at a screen point.
    void click(double x, double y)
    {
        XTestFakeMotionEvent(display, -1, int(std::lround(x)), int(std::lround(y)), CurrentTime);
        XFlush(display);
        QThread::msleep(60);
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XFlush(display);
        QThread::msleep(40);
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
        XFlush(display);
    }
    // How many viewable top-level windows `pred` (their attributes) accepts.
    template <typename Pred> int viewableWindows(Pred pred)
    {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        int found = 0;
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
            for (unsigned int i = 0; i < count; ++i) {
                XWindowAttributes attributes;
                if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable && pred(attributes))
                    ++found;
            }
            XFree(children);
        }
        return found;
    }
    // A viewable top-level window covering the whole screen and the overlay's margin.
    bool overlayMapped()
    {
        const int screenWidth = DisplayWidth(display, DefaultScreen(display));
        const int screenHeight = DisplayHeight(display, DefaultScreen(display));
        return viewableWindows([&](const XWindowAttributes& window) {
                   return window.width >= screenWidth && window.height >= screenHeight;
               }) > 0;
    }
    // Viewable top-level windows narrower than the screen: menus, alerts, panels (not the overlay).
    int smallWindowsShown()
    {
        const int screenWidth = DisplayWidth(display, DefaultScreen(display));
        return viewableWindows([&](const XWindowAttributes& window) { return window.width < screenWidth; });
    }
    // Whether a window narrower than the screen (an alert, a question, a dialog; not the overlay)
    // has the keyboard, so that keys typed next reach it.
    bool keyboardInASmallWindow()
    {
        const int screenWidth = DisplayWidth(display, DefaultScreen(display));
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        XWindowAttributes attributes;
        return focus > PointerRoot && XGetWindowAttributes(display, focus, &attributes) && attributes.map_state == IsViewable
            && attributes.width < screenWidth;
    }
    void moveTo(int x, int y)
    {
        XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
        XFlush(display);
    }
    void button(unsigned int number, bool down)
    {
        XTestFakeButtonEvent(display, number, down ? True : False, CurrentTime);
        XFlush(display);
    }
    // The pointer to a point, and the left button.
    void moveTo(QPointF point)
    {
        XTestFakeMotionEvent(display, DefaultScreen(display), int(point.x()), int(point.y()), CurrentTime);
        XFlush(display);
    }
    void button(bool down)
    {
        XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
        XFlush(display);
    }
    template <typename Pred> bool waitFor(Pred done, int milliseconds = 10000)
    {
        QDeadlineTimer deadline(milliseconds);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(25);
        }
        return true;
    }
};

} // namespace e2e

using e2e::Keyboard;
using e2e::Program;

// Starts the program by hand (the pinch question already answered): it scans, and once its splash
// has run out it shows the overlay by itself.
inline void startAndShow(Program& program, Keyboard& keyboard)
{
    program.markPinchQuestionAsked();
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("应用扫描完成"))) << program.log().toStdString();
    ASSERT_NE(keyboard.display, nullptr);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));
}

