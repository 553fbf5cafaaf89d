#include "Platform/X11GlobalHotKey.h"
#include "Services/ShortcutParser.h"
#include "common/LogCapture.h"
#include "common/ProcessUntil.h"


// gtest before Xlib: Xlib's macros (None, Bool...) would rewrite gtest's own names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace corvanta;
using corvanta::test::processUntil;

namespace {

// A second client types on the virtual display, as a user at the keyboard would.
struct Typist {
    Display* display = XOpenDisplay(nullptr);
    ~Typist()
    {
        if (display)
            XCloseDisplay(display);
    }
    void key(KeySym sym, bool down)
    {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), down ? True : False, CurrentTime);
        XFlush(display);
    }
    void tap(KeySym sym)
    {
        key(sym, true);
        key(sym, false);
    }
};

} // namespace

TEST(X11GlobalHotKey, DeliversOnePressPerKeystrokeEvenWithNumLockOn)
{
    X11GlobalHotKey hotKey;
    ASSERT_TRUE(hotKey.isAvailable());
    int presses = 0;
    hotKey.installHandler([&] { ++presses; });
    ASSERT_TRUE(hotKey.registerHotKey(parseShortcut(QStringLiteral("F4")).keyCode, 0));

    Typist typist;
    ASSERT_NE(typist.display, nullptr);
    typist.tap(XK_F4);
    ASSERT_TRUE(processUntil([&] { return presses == 1; }));

    typist.tap(XK_Num_Lock);
    typist.tap(XK_F4);
    ASSERT_TRUE(processUntil([&] { return presses == 2; }));
    typist.tap(XK_Num_Lock);

    // After unregistering, F4 goes nowhere; F5 (grabbed next) arriving proves F4 had its chance.
    hotKey.unregisterHotKey();
    int markers = 0;
    hotKey.installHandler([&] { ++markers; });
    ASSERT_TRUE(hotKey.registerHotKey(parseShortcut(QStringLiteral("F5")).keyCode, 0));
    typist.tap(XK_F4);
    typist.tap(XK_F5);
    ASSERT_TRUE(processUntil([&] { return markers == 1; }));
    EXPECT_EQ(presses, 2);
}

TEST(X11GlobalHotKey, AKeyHeldByAnotherProgramIsLoggedAndLeftInactive)
{
    X11GlobalHotKey first;
    ASSERT_TRUE(first.registerHotKey(parseShortcut(QStringLiteral("F6")).keyCode, 0));
    test::LogCapture log;
    X11GlobalHotKey second;
    EXPECT_FALSE(second.registerHotKey(parseShortcut(QStringLiteral("F6")).keyCode, 0));
    EXPECT_FALSE(second.isRegistered());
    EXPECT_TRUE(log.contains(QStringLiteral("already taken")));
}
