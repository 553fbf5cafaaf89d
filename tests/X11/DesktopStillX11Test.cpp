#include <gtest/gtest.h>

#include "Platform/DesktopSurface.h"
#include "Platform/WindowLevels.h"
#include "Platform/WindowStack.h"
#include "Platform/X11ScreenGrab.h"
#include "Views/LayerHostWindow.h"
#include "common/ProcessUntil.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWindow>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace corvanta;
using corvanta::test::processUntil;

namespace {

// A second client that paints the desktop: the root in one colour, one window in another.
struct Painter {
    Display* display = XOpenDisplay(nullptr);
    Window window = 0;
    ~Painter()
    {
        if (!display)
            return;
        if (window)
            XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
    Window root() const { return DefaultRootWindow(display); }
    QRgb pixelAt(int x, int y) const
    {
        XImage* image = XGetImage(display, root(), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return 0;
        const unsigned long p = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return qRgb(int((p >> 16) & 0xff), int((p >> 8) & 0xff), int(p & 0xff));
    }
    bool viewable(Window w) const
    {
        XWindowAttributes a;
        return XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable;
    }
    void paint(unsigned long rootPixel, const QRect& r, unsigned long windowPixel)
    {
        XSetWindowBackground(display, root(), rootPixel);
        XClearWindow(display, root());
        if (!window) {
            XSetWindowAttributes attributes;
            attributes.override_redirect = True;
            window = XCreateWindow(display, root(), r.x(), r.y(), unsigned(r.width()), unsigned(r.height()), 0, CopyFromParent,
                                   InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
            XMapRaised(display, window);
        }
        XSetWindowBackground(display, window, windowPixel);
        XClearWindow(display, window);
        XSync(display, False);
    }
};

} // namespace

// Part of the root comes back opaque and in place, into the same buffer while nothing else holds
// it; a still someone holds is never written over by the next grab.
TEST(DesktopStillOnX11, GrabsThroughAKeptSegment)
{
    Painter desktop;
    ASSERT_NE(desktop.display, nullptr);
    desktop.paint(0x204060, QRect(100, 100, 200, 100), 0xc08000);
    X11ScreenGrab* grab = X11ScreenGrab::forQtDisplay();
    ASSERT_NE(grab, nullptr);

    QImage still;
    ASSERT_TRUE(grab->grab(QRect(50, 80, 400, 200), still));
    ASSERT_EQ(still.size(), QSize(400, 200));
    EXPECT_EQ(still.format(), QImage::Format_RGB32);
    EXPECT_EQ(still.pixel(0, 0), qRgb(0x20, 0x40, 0x60));   // root (50, 80)
    EXPECT_EQ(still.pixel(60, 30), qRgb(0xc0, 0x80, 0x00)); // root (110, 110), in the window
    EXPECT_EQ(still.pixel(249, 119), qRgb(0xc0, 0x80, 0x00));
    EXPECT_EQ(still.pixel(250, 120), qRgb(0x20, 0x40, 0x60)); // just past its corner

    const uchar* buffer = still.constBits();
    desktop.paint(0x102030, QRect(100, 100, 200, 100), 0x00ff00);
    ASSERT_TRUE(grab->grab(QRect(50, 80, 400, 200), still));
    EXPECT_EQ(still.constBits(), buffer);
    EXPECT_EQ(still.pixel(60, 30), qRgb(0, 0xff, 0));

    const QImage held = still;
    desktop.paint(0x102030, QRect(100, 100, 200, 100), 0x0000ff);
    ASSERT_TRUE(grab->grab(QRect(50, 80, 400, 200), still));
    EXPECT_EQ(still.pixel(60, 30), qRgb(0, 0, 0xff));
    EXPECT_EQ(held.pixel(60, 30), qRgb(0, 0xff, 0));

    // A rectangle reaching past the screen is refused, and the buffer left as it was.
    EXPECT_FALSE(grab->grab(QRect(1400, 0, 100, 100), still));
    EXPECT_EQ(still.size(), QSize(400, 200));
    EXPECT_EQ(still.pixel(60, 30), qRgb(0, 0, 0xff));
    // The grabber still works after a refused request.
    EXPECT_TRUE(grab->grab(QRect(0, 0, 10, 10), still));
}

// A window larger than its screen gets the screen's still with black beyond it, drawn into the
// buffer it already had.
TEST(DesktopStillOnX11, RegionOfAWindowPastTheScreenEdges)
{
    Painter desktop;
    ASSERT_NE(desktop.display, nullptr);
    desktop.paint(0x204060, QRect(100, 100, 200, 100), 0xc08000);
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1440, 900));

    DesktopCapture capture;
    capture.capture();
    // The overlay's frame in the global space (origin bottom left): 4 px past every edge.
    const QRectF frame(-4, -4, 1448, 908);
    QImage backdrop;
    capture.drawRegion(frame, backdrop);
    ASSERT_EQ(backdrop.size(), QSize(1448, 908));
    EXPECT_EQ(backdrop.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(backdrop.pixel(1447, 907), qRgb(0, 0, 0));
    EXPECT_EQ(backdrop.pixel(4, 4), qRgb(0x20, 0x40, 0x60));
    EXPECT_EQ(backdrop.pixel(4 + 110, 4 + 110), qRgb(0xc0, 0x80, 0x00));
    EXPECT_EQ(capture.region(frame), backdrop);

    const uchar* buffer = backdrop.constBits();
    desktop.paint(0x204060, QRect(100, 100, 200, 100), 0x00ff00);
    capture.capture();
    capture.drawRegion(frame, backdrop);
    EXPECT_EQ(backdrop.constBits(), buffer);
    EXPECT_EQ(backdrop.pixel(4 + 110, 4 + 110), qRgb(0, 0xff, 0));
}

// Hidden, the overlay hands the server one frame made of the desktop's still: the server maps and
// unmaps it at its frame, the screen shows what it showed before, the window stays hidden to the
// program, and a later show and hide work as ever.
TEST(DesktopStillOnX11, HiddenWindowPresentsTheStillOnce)
{
    Painter desktop;
    ASSERT_NE(desktop.display, nullptr);
    desktop.paint(0x204060, QRect(100, 100, 200, 100), 0xc08000);
    XSelectInput(desktop.display, desktop.root(), SubstructureNotifyMask);
    XSync(desktop.display, False);

    LayerHostWindow overlay(WindowLevel::overlay, LayerHostWindow::Focus::takesFocus, WindowStack::shared());
    overlay.setFrame(QRectF(-4, -4, 1448, 908));
    ASSERT_FALSE(overlay.blendsWithDesktop());
    DesktopCapture capture;
    capture.capture();
    overlay.takeDesktopBackdrop(capture);
    const Window id = Window(overlay.windowHandle()->winId());

    overlay.presentBackdropWhileHidden();
    XSync(desktop.display, False);
    QList<int> seen;
    QRect mappedAt;
    while (XPending(desktop.display)) {
        XEvent event;
        XNextEvent(desktop.display, &event);
        if (event.type == MapNotify && event.xmap.window == id)
            seen.append(MapNotify);
        if (event.type == UnmapNotify && event.xunmap.window == id)
            seen.append(UnmapNotify);
        if (event.type == ConfigureNotify && event.xconfigure.window == id)
            mappedAt = QRect(event.xconfigure.x, event.xconfigure.y, event.xconfigure.width, event.xconfigure.height);
    }
    EXPECT_EQ(seen, QList<int>({MapNotify, UnmapNotify}));
    EXPECT_EQ(mappedAt, QRect(-4, -4, 1448, 908));
    EXPECT_FALSE(desktop.viewable(id));
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_EQ(desktop.pixelAt(110, 110), qRgb(0xc0, 0x80, 0x00));
    EXPECT_EQ(desktop.pixelAt(700, 500), qRgb(0x20, 0x40, 0x60));

    // Qt hears of the map and unmap afterwards; the window must stay hidden through them.
    QCoreApplication::processEvents();
    EXPECT_FALSE(overlay.isVisible());
    overlay.orderFront(true);
    EXPECT_TRUE(processUntil([&] { return desktop.viewable(id); }));
    overlay.orderOut();
    EXPECT_TRUE(processUntil([&] { return !desktop.viewable(id); }));
}

// Without a compositor our windows paint every pixel themselves (the still, else black); the style
// sheet's polish must not have them clear the whole window before every frame.
TEST(DesktopStillOnX11, WindowsWithAStillPaintEveryPixelThemselves)
{
    LayerHostWindow window(WindowLevel::overlay, LayerHostWindow::Focus::takesFocus, WindowStack::shared());
    ASSERT_FALSE(window.blendsWithDesktop());
    window.ensurePolished();
    EXPECT_TRUE(window.testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_TRUE(window.testAttribute(Qt::WA_NoSystemBackground));
    window.setStyleSheet(QStringLiteral("background: transparent; border: none; color: white;"));
    window.ensurePolished();
    EXPECT_TRUE(window.testAttribute(Qt::WA_OpaquePaintEvent));
}
