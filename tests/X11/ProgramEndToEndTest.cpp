// The real program on the virtual display: started like a user would, driven with the keyboard.
#include "X11/ProgramDriver.h"

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

// A virtual display of the test's own, which the test can take away.
struct OwnDisplay {
    QProcess server;
    QString name;

    bool start()
    {
        // -displayfd picks a free number and writes it on the given descriptor (standard output).
        server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                              QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                                              QStringLiteral("tcp")});
        if (!server.waitForStarted(10000))
            return false;
        QDeadlineTimer deadline(10000);
        while (!server.canReadLine() && !deadline.hasExpired())
            server.waitForReadyRead(100);
        const QByteArray number = server.readLine().trimmed();
        if (number.isEmpty())
            return false;
        name = QLatin1Char(':') + QString::fromLatin1(number);
        return true;
    }
    ~OwnDisplay()
    {
        if (server.state() != QProcess::NotRunning) {
            server.kill();
            server.waitForFinished(5000);
        }
    }
};

// The X server goes away under the running program: it ends by its own termination, which writes
// the layout, instead of hanging or ending from inside Xlib.
TEST(ProgramEndToEnd, LosingTheDisplayEndsThroughTheTermination)
{
    OwnDisplay display;
    ASSERT_TRUE(display.start());
    Program program;
    program.extraEnvironment.insert(QStringLiteral("DISPLAY"), display.name);
    program.markPinchQuestionAsked();
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("应用扫描完成"))) << program.log().toStdString();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    QFile::remove(program.layoutFile());

    display.server.kill();
    ASSERT_TRUE(display.server.waitForFinished(5000));
    const bool ended = program.process.waitForFinished(15000);
    if (!ended) {
        // A program that hangs here is the fault; SIGTERM must still be honoured.
        program.process.terminate();
        program.process.waitForFinished(5000);
        program.process.kill();
        program.process.waitForFinished(5000);
    }
    ASSERT_TRUE(ended) << program.log().toStdString();
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(program.log().contains(QStringLiteral("=== Corvanta terminating ===")));
    EXPECT_TRUE(QFile::exists(program.layoutFile()));
}
