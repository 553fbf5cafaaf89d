// The real program on the virtual display: started like a user would, driven with the keyboard.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

// gtest before Xlib: Xlib's macros (None, Bool...) would rewrite gtest's own names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

struct Program {
    QTemporaryDir home{QDir::tempPath() + QStringLiteral("/corvanta-e2e-XXXXXX")};
    QProcess process;

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

TEST(ProgramEndToEnd, ThePointerInTheChosenHotCornerTogglesTheOverlay)
{
    Program program;
    ASSERT_TRUE(program.home.isValid());
    {
        // The settings as the program keeps them, with the top-left corner chosen.
        QSettings settings(program.path("config/Corvanta/Corvanta.conf"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("com.corvanta.settings"), QByteArray(R"({"hotCorner":"topLeft"})"));
    }
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("应用扫描完成"))) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("Setting up hot corner: topLeft")));
    EXPECT_TRUE(program.log().contains(QStringLiteral("触控角监听已安装 — corner=topLeft，角点=1，CGEventTap=true")));

    Keyboard pointer;
    ASSERT_NE(pointer.display, nullptr);
    const auto moveTo = [&](int x, int y) {
        XTestFakeMotionEvent(pointer.display, -1, x, y, CurrentTime);
        XFlush(pointer.display);
    };
    moveTo(400, 300);
    QThread::msleep(100);
    EXPECT_FALSE(pointer.overlayMapped());
    moveTo(0, 0);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("触控角命中 — corner=topLeft")));
    EXPECT_TRUE(pointer.waitFor([&] { return pointer.overlayMapped(); }));

    // Leaving the corner re-arms it; touching it again hides the overlay.
    moveTo(400, 300);
    QThread::msleep(300);
    moveTo(1, 1);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall hidden"))) << program.log().toStdString();
    EXPECT_TRUE(pointer.waitFor([&] { return !pointer.overlayMapped(); }));

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}
