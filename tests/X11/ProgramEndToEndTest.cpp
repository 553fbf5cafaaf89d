// The real program on the virtual display: started like a user would, driven with the keyboard.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMap>
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

// Starts the program by hand (the pinch question already answered): it scans, and once its splash
// has run out it shows the overlay by itself.
static void startAndShow(Program& program, Keyboard& keyboard)
{
    program.markPinchQuestionAsked();
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("应用扫描完成"))) << program.log().toStdString();
    ASSERT_NE(keyboard.display, nullptr);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));
}

TEST(ProgramEndToEnd, AStartByHandAsksThePinchQuestionEndsWithTheGridShownAndTheHotKeyTogglesIt)
{
    Program program;
    ASSERT_TRUE(program.home.isValid());
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    Keyboard keyboard;
    ASSERT_NE(keyboard.display, nullptr);

    // The splash runs while the grid is prepared hidden; then the one-time question comes up.
    ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段154/155：展示冷启动进度小窗（0.9s）"))) << program.log().toStdString();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段29/160：后台预热完成"))) << program.log().toStdString();
    EXPECT_FALSE(program.log().contains(QStringLiteral("Tilehall shown")));
    // Esc answers "暂不启用" once the question has the keyboard; a tap waits long enough for its
    // answer to be logged, so no spare Esc reaches the grid that follows.
    ASSERT_TRUE(keyboard.waitFor([&] {
        if (program.log().contains(QStringLiteral("阶段150：")))
            return true;
        keyboard.tap(XK_Escape);
        return program.waitForLog(QStringLiteral("阶段150："), 1000);
    }, 20000)) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("阶段150：用户选择暂不启用四指捏合")));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Showing tilehall after cold-start splash"))) << program.log().toStdString();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));

    // The hot key hides it and shows it again.
    keyboard.tap(XK_F4);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall hidden"))) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("Shortcut triggered — toggling tilehall")));
    EXPECT_TRUE(keyboard.waitFor([&] { return !keyboard.overlayMapped(); }));
    keyboard.tap(XK_F4);
    EXPECT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));

    // Esc goes to the overlay, which has the keyboard, and closes it.
    keyboard.tap(XK_Escape);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("AppDelegate received .tilehallShouldClose (launchedApp=false)"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.waitFor([&] { return !keyboard.overlayMapped(); }));

    // Termination writes the layout at once, whatever the debounced save did before; the answer
    // to the question is kept, so it is never asked again.
    QThread::msleep(700);
    QFile::remove(program.layoutFile());
    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);
    EXPECT_TRUE(program.log().contains(QStringLiteral("=== Corvanta terminating ===")));
    EXPECT_TRUE(QFile::exists(program.layoutFile()));
    QSettings settings(program.path("config/Corvanta/Corvanta.conf"), QSettings::NativeFormat);
    EXPECT_TRUE(settings.value(QStringLiteral("com.corvanta.didAskFourFingerPinchTakeover")).toBool());
}

TEST(ProgramEndToEnd, ASecondCopyMakesTheFirstShowTheGridEndsWithZeroAndTheFirstsChangesSurvive)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    keyboard.tap(XK_Escape);
    ASSERT_TRUE(keyboard.waitFor([&] { return !keyboard.overlayMapped(); }));

    // A new application appears; the first copy merges it into its layout at its next show, which
    // the second copy asks for.
    QDir().mkpath(program.extraApplications() + QStringLiteral("/Harbor Light.app/Contents"));
    QFile info(program.extraApplications() + QStringLiteral("/Harbor Light.app/Contents/Info.plist"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>CFBundleIdentifier</key><string>com.example.harborlight</string>"
               "<key>CFBundleName</key><string>Harbor Light</string></dict></plist>\n");
    info.close();
    QThread::msleep(2100); // past the reuse window of the last heavy refresh

    QProcess second;
    program.start(second);
    ASSERT_TRUE(second.waitForFinished(10000)) << program.log().toStdString();
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    const QString firstPid = QString::number(program.process.processId());
    EXPECT_TRUE(program.log().contains(QStringLiteral("检测到已有实例在运行：[") + firstPid + QStringLiteral("]，请求它显示瓦厅")))
        << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("已有实例在运行，本实例退出")));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("收到新实例请求：显示瓦厅"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));
    EXPECT_EQ(program.process.state(), QProcess::Running);

    const auto layoutHasNewApp = [&] {
        QFile layout(program.layoutFile());
        return layout.open(QIODevice::ReadOnly) && layout.readAll().contains("Harbor Light");
    };
    ASSERT_TRUE(keyboard.waitFor(layoutHasNewApp, 15000)) << program.log().toStdString();
    QThread::msleep(1000);
    EXPECT_TRUE(layoutHasNewApp());
    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
    EXPECT_TRUE(layoutHasNewApp());
}

TEST(ProgramEndToEnd, ASuccessorStartStaysHiddenAndReadyWithoutTheSplash)
{
    Program program;
    program.extraEnvironment.insert(QStringLiteral("QUORLA_SUCCESSION"), QStringLiteral("1"));
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("扩展=false；瓦厅保持隐藏待命"))) << program.log().toStdString();
    Keyboard keyboard;
    ASSERT_NE(keyboard.display, nullptr);
    QThread::msleep(1500); // past the moment a start by hand would have shown the grid
    EXPECT_FALSE(keyboard.overlayMapped());
    const QString log = program.log();
    EXPECT_FALSE(log.contains(QStringLiteral("阶段154/155：展示冷启动进度小窗")));
    EXPECT_FALSE(log.contains(QStringLiteral("Tilehall shown")));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段29/65：启动来源 = ")));

    keyboard.tap(XK_F4);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));
    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
    EXPECT_EQ(program.process.exitCode(), 0);
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
