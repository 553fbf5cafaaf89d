#include "Platform/CurrentDesktopWatcher.h"
#include "common/ProcessUntil.h"


// gtest before Xlib: Xlib's macros would rewrite gtest's own names.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace corvanta;
using corvanta::test::processUntil;

namespace {

// A window manager of our own: switches the workspace by writing the root window's property.
void switchDesktop(long desktop)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Atom atom = XInternAtom(display, "_NET_CURRENT_DESKTOP", False);
    XChangeProperty(display, DefaultRootWindow(display), atom, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&desktop), 1);
    // Another property on the root window is no workspace switch.
    const Atom other = XInternAtom(display, "CORVANTA_TEST_PROPERTY", False);
    XChangeProperty(display, DefaultRootWindow(display), other, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&desktop), 1);
    XCloseDisplay(display);
}

} // namespace

TEST(CurrentDesktopWatcher, SignalsWhenTheWorkspaceChanges)
{
    CurrentDesktopWatcher watcher;
    ASSERT_TRUE(watcher.isActive());
    int changes = 0;
    QObject::connect(&watcher, &CurrentDesktopWatcher::currentDesktopChanged, [&] { ++changes; });
    switchDesktop(1);
    EXPECT_TRUE(processUntil([&] { return changes >= 1; }));
    switchDesktop(2);
    EXPECT_TRUE(processUntil([&] { return changes >= 2; }));
    processUntil([] { return false; }, 200);
    EXPECT_EQ(changes, 2); // the other property never counted
}

TEST(CurrentDesktopWatcher, WithoutADisplayItStaysOff)
{
    CurrentDesktopWatcher watcher(":4242");
    EXPECT_FALSE(watcher.isActive());
}
