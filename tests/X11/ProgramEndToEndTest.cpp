// The real program on the virtual display: started like a user would, driven with the keyboard.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

// gtest before Xlib: Xlib's macros (None, Bool...) would rewrite gtest's own names.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

struct Program {
    QTemporaryDir home{QDir::tempPath() + QStringLiteral("/corvanta-e2e-XXXXXX")};
    QProcess process;
    QProcessEnvironment extraEnvironment;

    QString path(const char* relative) const { return home.path() + QLatin1Char('/') + QLatin1String(relative); }
    QString logFile() const { return path("state/Corvanta/Corvanta.log"); }
    QString layoutFile() const { return path("data/Corvanta/layout.json"); }
    QString launchLog() const { return path("launches.log"); }

    void start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), path("data"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), path("state"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), path("cache"));
        env.insert(QStringLiteral("CORVANTA_APPLICATION_DIRS"), QStringLiteral(CORVANTA_SAMPLE_APPS));
        env.insert(QStringLiteral("CORVANTA_SYSLOG"), QStringLiteral("0"));
        env.insert(QStringLiteral("CORVANTA_LAUNCH_LOG"), launchLog());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("CORVANTA_TEST_REAL_DISPLAY"));
        env.insert(extraEnvironment);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(CORVANTA_BINARY_DIR "/corvanta"), {});
    }

    QString log() const
    {
        QFile file(logFile());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // Waits (turning nothing but time) until the log holds `text`, or the deadline passes.
    bool waitForLog(const QString& text, int milliseconds = 20000) const
    {
        QDeadlineTimer deadline(milliseconds);
        while (!log().contains(text)) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(25);
        }
        return true;
    }
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
    // A viewable top-level window covering the whole screen and the overlay's margin.
    bool overlayMapped()
    {
        const int screenWidth = DisplayWidth(display, DefaultScreen(display));
        const int screenHeight = DisplayHeight(display, DefaultScreen(display));
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        bool found = false;
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
            for (unsigned int i = 0; i < count && !found; ++i) {
                XWindowAttributes attributes;
                if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable &&
                    attributes.width >= screenWidth && attributes.height >= screenHeight)
                    found = true;
            }
            XFree(children);
        }
        return found;
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

} // namespace

// Starts the program, waits until it has scanned, and shows the overlay with the hot key.
static void startAndShow(Program& program, Keyboard& keyboard)
{
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("应用扫描完成"))) << program.log().toStdString();
    ASSERT_NE(keyboard.display, nullptr);
    keyboard.tap(XK_F4);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));
}

TEST(ProgramEndToEnd, HotKeyShowsTheOverlayEscHidesItAndSigtermWritesTheLayout)
{
    Program program;
    ASSERT_TRUE(program.home.isValid());
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));

    // Ready: resident, windowless, the sample applications scanned into the layout.
    ASSERT_TRUE(program.waitForLog(QStringLiteral("应用扫描完成"))) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("=== Corvanta starting ===")));
    EXPECT_TRUE(program.log().contains(QStringLiteral("Tilehall window created (hidden until shown)")));
    Keyboard keyboard;
    ASSERT_NE(keyboard.display, nullptr);
    EXPECT_FALSE(keyboard.overlayMapped());

    keyboard.tap(XK_F4);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("Shortcut triggered — toggling tilehall")));
    EXPECT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));

    // Esc goes to the overlay, which has the keyboard, and closes it.
    keyboard.tap(XK_Escape);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall hidden"))) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("AppDelegate received .tilehallShouldClose (launchedApp=false)")));
    EXPECT_TRUE(keyboard.waitFor([&] { return !keyboard.overlayMapped(); }));

    // Termination writes the layout at once, whatever the debounced save did before.
    QThread::msleep(700);
    QFile::remove(program.layoutFile());
    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);
    EXPECT_TRUE(program.log().contains(QStringLiteral("=== Corvanta terminating ===")));
    EXPECT_TRUE(QFile::exists(program.layoutFile()));
}

TEST(ProgramEndToEnd, ControlQOnTheOverlayQuitsThroughTheSameTermination)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;

    QThread::msleep(700);
    QFile::remove(program.layoutFile());
    keyboard.tap(XK_q, XK_Control_L);
    ASSERT_TRUE(program.process.waitForFinished(10000)) << program.log().toStdString();
    EXPECT_EQ(program.process.exitCode(), 0);
    EXPECT_TRUE(program.log().contains(QStringLiteral("Cmd+Q pressed — terminating Corvanta")));
    EXPECT_TRUE(program.log().contains(QStringLiteral("=== Corvanta terminating ===")));
    EXPECT_TRUE(QFile::exists(program.layoutFile()));
}

TEST(ProgramEndToEnd, TypingANameAndReturnLaunchesItAndHidesTheOverlay)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;

    // The search field takes the keyboard a moment after the overlay appears.
    QThread::msleep(600);
    // Esc in the field first clears the text, and the overlay stays.
    keyboard.tap(XK_x);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Search performed: 'x'"))) << program.log().toStdString();
    keyboard.tap(XK_Escape);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("ESC — clearing search text first"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.overlayMapped());
    for (const KeySym key : {XK_g, XK_l, XK_a, XK_c, XK_i, XK_e, XK_r})
        keyboard.tap(key);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Search performed: 'glacier' — results: 1"))) << program.log().toStdString();
    keyboard.tap(XK_Return);

    ASSERT_TRUE(program.waitForLog(QStringLiteral("Search submit — launching first result: Glacier"))) << program.log().toStdString();
    EXPECT_TRUE(program.waitForLog(QStringLiteral("AppDelegate received .tilehallShouldClose (launchedApp=true)")))
        << program.log().toStdString();
    EXPECT_TRUE(keyboard.waitFor([&] { return !keyboard.overlayMapped(); }));
    EXPECT_TRUE(keyboard.waitFor([&] {
        QFile launches(program.launchLog());
        return launches.open(QIODevice::ReadOnly) && launches.readAll().contains("Glacier");
    }));

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

TEST(ProgramEndToEnd, RightClickOnTheGridOpensTheMenuAndItsFirstItemRescans)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    QThread::msleep(600);
    const int scansBefore = int(program.log().count(QStringLiteral("应用扫描完成")));

    // Left of the search bar there is no icon and no field; the menu opens below and right of
    // the pointer, its first item "重新扫描应用" on top.
    keyboard.moveTo(60, 40);
    keyboard.button(3, true);
    keyboard.button(3, false);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("右键菜单 — 窗口坐标=("))) << program.log().toStdString();
    QThread::msleep(400);
    keyboard.moveTo(100, 52);
    QThread::msleep(100);
    keyboard.button(1, true);
    keyboard.button(1, false);
    EXPECT_TRUE(keyboard.waitFor([&] { return program.log().count(QStringLiteral("应用扫描完成")) > scansBefore; }))
        << program.log().toStdString();
    EXPECT_TRUE(keyboard.overlayMapped()) << "the menu leaves the overlay open";

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

namespace {

// A strip across the bottom of the screen that says it is the desktop's Dock.
struct FixtureDockWindow {
    Display* display = XOpenDisplay(nullptr);
    Window window = 0;
    FixtureDockWindow(int x, int y, int width, int height)
    {
        if (!display)
            return;
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, unsigned(width), unsigned(height), 0, 0, 0x336699);
        const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
        const Atom dock = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
        XChangeProperty(display, window, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&dock), 1);
        XMapRaised(display, window);
        XSync(display, False);
    }
    ~FixtureDockWindow()
    {
        if (display) {
            XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
    }
};

} // namespace

TEST(ProgramEndToEnd, DraggingAnAppOntoTheDockStripPinsItInTheDockDomain)
{
    Program program;
    Keyboard keyboard;
    const QString preferences = program.path("Preferences");
    ASSERT_TRUE(QDir().mkpath(preferences));
    const QString domain = preferences + QStringLiteral("/com.apple.dock.plist");
    ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANTA_TEST_FIXTURES "/dock/com.apple.dock.plist"), domain));
    QFile::setPermissions(domain, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    program.extraEnvironment.insert(QStringLiteral("CORVANTA_DOCK_PREFERENCES_DIR"), preferences);
    const int width = DisplayWidth(keyboard.display, DefaultScreen(keyboard.display));
    const int height = DisplayHeight(keyboard.display, DefaultScreen(keyboard.display));
    FixtureDockWindow dock(0, height - 48, width, 48);
    ASSERT_NE(dock.window, 0u);
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    QThread::msleep(600);

    // Find an icon of the first row: press along it until the engine reports a hit; a press that
    // missed is turned into a short page drag, so it closes nothing.
    bool hit = false;
    for (int y = 110; y < 420 && !hit; y += 15) {
        for (int x = 80; x < 420 && !hit; x += 40) {
            const int hitsBefore = int(program.log().count(QStringLiteral("mouseDown hit entry")));
            keyboard.moveTo(x, y);
            keyboard.button(1, true);
            QThread::msleep(80);
            hit = program.log().count(QStringLiteral("mouseDown hit entry")) > hitsBefore
                || keyboard.waitFor([&] { return program.log().count(QStringLiteral("mouseDown hit entry")) > hitsBefore; }, 150);
            if (!hit) {
                keyboard.moveTo(x + 30, y);
                QThread::msleep(30);
                keyboard.button(1, false);
                QThread::msleep(450);
            }
        }
    }
    ASSERT_TRUE(hit) << program.log().toStdString();

    // Drag it down onto the Dock's strip and let go there.
    int x = 0, y = 0;
    {
        Window root = 0, child = 0;
        int wx = 0, wy = 0;
        unsigned int mask = 0;
        XQueryPointer(keyboard.display, DefaultRootWindow(keyboard.display), &root, &child, &x, &y, &wx, &wy, &mask);
    }
    for (int step = 1; step <= 20; ++step) {
        keyboard.moveTo(x + step * 10, y + (height - 20 - y) * step / 20);
        QThread::msleep(30);
    }
    ASSERT_TRUE(program.waitForLog(QStringLiteral("InteractionManager: 进入程序坞投放区"))) << program.log().toStdString();
    QThread::msleep(100);
    keyboard.button(1, false);

    ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段38：已加入程序坞 — "))) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("系统拖拽启动失败 — 回退自绘拖拽"))) << "the fixture Dock takes no dropped files";
    EXPECT_TRUE(program.waitForLog(QStringLiteral("跳过重启 Dock")));
    EXPECT_TRUE(keyboard.waitFor([&] { return !keyboard.overlayMapped(); }));

    QFile file(domain);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    EXPECT_TRUE(written.startsWith("<?xml")) << "written back in the form found";
    EXPECT_EQ(written.count("<key>tile-type</key>"), 5) << "the four tiles found and the new one";
    EXPECT_TRUE(written.contains("file://" CORVANTA_SAMPLE_APPS)) << written.toStdString();
    EXPECT_TRUE(written.contains("<key>persistent-others</key>"));

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}
