// The real program on the virtual display: started like a user would, driven with the keyboard.
#include "X11/ProgramDriver.h"

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
