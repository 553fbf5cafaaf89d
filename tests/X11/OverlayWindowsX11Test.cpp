#include <gtest/gtest.h>

#include "App/MenuBarCoverHost.h"
#include "App/TargetScreens.h"
#include "Platform/DockWindows.h"
#include "Platform/QtScreenProvider.h"
#include "Platform/SLSMenuBar.h"
#include "Platform/WindowLevels.h"
#include "Platform/WindowStack.h"
#include "Support/QtScheduler.h"
#include "Views/LayerHostWindow.h"
#include "Views/MenuBarCoverWindow.h"
#include "Views/TilehallWindow.h"
#include "common/ProcessUntil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace corvanta;
using corvanta::test::processUntil;

namespace {

// A second client that looks at the display as a window manager or xwininfo would.
struct Observer {
    Display* display = XOpenDisplay(nullptr);
    ~Observer()
    {
        if (display)
            XCloseDisplay(display);
    }
    Window root() const { return DefaultRootWindow(display); }

    // Children of the root window from bottom to top.
    QList<Window> stacking() const
    {
        XSync(display, False);
        Window r = 0, p = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        QList<Window> out;
        if (XQueryTree(display, root(), &r, &p, &children, &n)) {
            for (unsigned int i = 0; i < n; ++i)
                out.append(children[i]);
            XFree(children);
        }
        return out;
    }
    struct State {
        QRect geometry;
        bool viewable = false;
        bool overrideRedirect = false;
    };
    State state(Window window) const
    {
        XWindowAttributes a;
        State s;
        if (XGetWindowAttributes(display, window, &a)) {
            int x = 0, y = 0;
            Window child = 0;
            XTranslateCoordinates(display, window, root(), 0, 0, &x, &y, &child);
            s.geometry = QRect(x, y, a.width, a.height);
            s.viewable = a.map_state == IsViewable;
            s.overrideRedirect = a.override_redirect;
        }
        return s;
    }
    // A desktop panel at the bottom, of the Dock's window type.
    Window makeDock(const QRect& r)
    {
        XSetWindowAttributes attributes;
        attributes.override_redirect = True;
        const Window w = XCreateWindow(display, root(), r.x(), r.y(), unsigned(r.width()), unsigned(r.height()), 0, CopyFromParent,
                                       InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
        Atom dock = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
        XChangeProperty(display, w, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&dock), 1);
        XMapRaised(display, w);
        XSync(display, False);
        return w;
    }
    // A top panel of 24 px, announced as the desktop's work area.
    void setWorkArea(long x, long y, long w, long h)
    {
        long area[4] = {x, y, w, h};
        Atom workArea = XInternAtom(display, "_NET_WORKAREA", False);
        XChangeProperty(display, root(), workArea, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(area), 4);
        Atom supported[1] = {workArea};
        XChangeProperty(display, root(), XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(supported), 1);
        XSync(display, False);
    }
    // Paints the desktop in one colour.
    void paintRoot(unsigned long pixel)
    {
        XSetWindowBackground(display, root(), pixel);
        XClearWindow(display, root());
        XSync(display, False);
    }
    QColor pixelAt(int x, int y)
    {
        XImage* image = XGetImage(display, root(), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return {};
        const unsigned long p = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return QColor(int((p >> 16) & 0xff), int((p >> 8) & 0xff), int(p & 0xff));
    }
    void clearWorkArea()
    {
        XDeleteProperty(display, root(), XInternAtom(display, "_NET_WORKAREA", False));
        XDeleteProperty(display, root(), XInternAtom(display, "_NET_SUPPORTED", False));
        XSync(display, False);
    }
};

Window topLevel(QWidget* widget)
{
    return Window(widget->windowHandle()->winId());
}

} // namespace

// The overlay and the strip map at their frames over a 1440 × 900 screen with a 24 pt menu bar, in
// level order with the desktop's dock between them and a panel above both, and the overlay has the
// keyboard focus.
TEST(OverlayWindowsOnX11, MapAtTheirFramesInLevelOrder)
{
    Observer x;
    ASSERT_NE(x.display, nullptr);
    x.setWorkArea(0, 24, 1440, 876);
    QScreen* qtScreen = QGuiApplication::primaryScreen();
    ASSERT_TRUE(processUntil([&] { return qtScreen->availableGeometry().height() == 876; }))
        << "work area not picked up: " << qtScreen->availableGeometry().height();

    ScreenProvider& screens = ScreenProvider::shared();
    ASSERT_EQ(screens.screens().size(), 1);
    const DisplayScreen screen = screens.screens().first();
    EXPECT_EQ(screen.frame, QRectF(0, 0, 1440, 900));
    EXPECT_EQ(screen.visibleFrame, QRectF(0, 0, 1440, 876));

    x.paintRoot(0x00a040); // the desktop the translucent overlay must let through
    const Window dock = x.makeDock(QRect(400, 840, 640, 60));
    X11DockWindowSource docks;
    TargetScreens targets(screens, docks, QtScheduler::shared().clock());
    EXPECT_EQ(targets.targetScreen(ScreenPreference::dockScreen).name, screen.name);
    EXPECT_TRUE(targets.screensWithDock().contains(screen.name));

    WindowStack& stack = WindowStack::shared();
    TilehallWindow overlay(screen, stack);
    SLSMenuBar menuBar(false, true, nullptr, {});
    MenuBarCoverHost cover(menuBar, screens, stack);
    cover.rebuild(screen);
    ASSERT_NE(cover.window(), nullptr);
    LayerHostWindow panel(WindowLevel::aboveOverlay, LayerHostWindow::Focus::neverFocused, stack);
    panel.setFrame(QRectF(520, 300, 400, 300));

    int paints = 0;
    overlay.setFrameObserver([&] { ++paints; });
    panel.orderFront();
    overlay.orderFront(true);
    cover.window()->orderFront();
    overlay.orderFront(true); // ordering the overlay again keeps it below the strip and the panel

    const Window overlayId = topLevel(&overlay), coverId = topLevel(cover.window()), panelId = topLevel(&panel);
    ASSERT_TRUE(processUntil([&] { return x.state(overlayId).viewable && x.state(coverId).viewable && x.state(panelId).viewable; }));

    const auto o = x.state(overlayId), c = x.state(coverId);
    EXPECT_EQ(o.geometry, QRect(-4, -4, 1448, 908)); // global (-4, -4, 1448, 908)
    EXPECT_EQ(c.geometry, QRect(-4, -4, 1448, 30));  // global (-4, 874, 1448, 30)
    EXPECT_TRUE(o.overrideRedirect);
    EXPECT_TRUE(c.overrideRedirect);

    const QList<Window> order = x.stacking();
    const auto at = [&](Window w) { return order.indexOf(w); };
    ASSERT_GE(at(overlayId), 0);
    EXPECT_LT(at(overlayId), at(dock));
    EXPECT_LT(at(dock), at(coverId));
    EXPECT_LT(at(coverId), at(panelId));
    EXPECT_EQ(at(panelId), order.size() - 1);

    ASSERT_TRUE(processUntil([&] {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(x.display, &focus, &revert);
        return focus == overlayId;
    }));

    // Without a compositor the overlay paints the desktop's still under its (here empty) content.
    EXPECT_FALSE(overlay.blendsWithDesktop());
    EXPECT_TRUE(overlay.hasDesktopBackdrop());
    EXPECT_TRUE(processUntil([&] { return paints > 0; }));
    QDeadlineTimer settle(300); // let the painted frame reach the screen
    while (!settle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(x.pixelAt(200, 500), QColor(0, 0xa0, 0x40)) << x.pixelAt(200, 500).name().toStdString();

    overlay.orderOut();
    cover.window()->orderOut();
    panel.orderOut();
    EXPECT_TRUE(processUntil([&] { return !x.state(overlayId).viewable && !x.state(coverId).viewable; }));
    XDestroyWindow(x.display, dock);
    x.clearWorkArea();
}
