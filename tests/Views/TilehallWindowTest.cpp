#include "Support/NotificationCenter.h"
#include "Views/LayerItem.h"
#include "Views/MenuBarCoverView.h"
#include "Views/MenuBarCoverWindow.h"
#include "Views/TilehallWindow.h"
#include "common/FakeWindowing.h"
#include "common/LogCapture.h"

#include <QCoreApplication>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QPainter>
#include <QLineEdit>
#include <QWindow>

#include <gtest/gtest.h>

using namespace corvanta;

TEST(TilehallWindow, SlowMotionFactorAcceptsOnlyCompleteFiniteNumbers)
{
    const struct {
        const char* value; // null: unset
        double factor;
    } cases[] = {
        {nullptr, 1}, {"4", 4}, {"0.5", 0.5}, {"abc", 1}, {"0", 1}, {"-1", 1}, {" 4", 1}, {"4 ", 1}, {"4x", 1},
        {"", 1},      {"inf", 1}, {"nan", 1}, {"1e308", 20}, {"25", 20}, {"20", 20},
    };
    for (const auto& c : cases) {
        const std::optional<QString> value = c.value ? std::optional<QString>(QString::fromLatin1(c.value)) : std::nullopt;
        EXPECT_DOUBLE_EQ(TilehallWindow::slowMotionFactor(value), c.factor) << (c.value ? c.value : "(unset)");
    }
    qputenv("CORVANTA_SLOWMO", "4");
    EXPECT_DOUBLE_EQ(TilehallWindow::transitionDuration(), 1.0);
    qunsetenv("CORVANTA_SLOWMO");
    EXPECT_DOUBLE_EQ(TilehallWindow::transitionDuration(), 0.25);
}

TEST(TilehallWindow, FramesOfTheOverlayAndTheStrip)
{
    const struct {
        QRectF screen;
        double menuBar;
        QRectF overlay;
        std::optional<QRectF> strip;
    } cases[] = {
        {{0, 0, 1440, 900}, 24, {-4, -4, 1448, 908}, QRectF(-4, 874, 1448, 30)},
        {{-1280, 0, 1280, 800}, 25, {-1284, -4, 1288, 808}, QRectF(-1284, 773, 1288, 31)},
        {{0, 0, 1920, 1080}, 0, {-4, -4, 1928, 1088}, std::nullopt}, // a menu bar that hides itself
    };
    for (const auto& c : cases) {
        const DisplayScreen screen = test::makeScreen(QStringLiteral("s"), c.screen, c.menuBar);
        EXPECT_EQ(TilehallWindow::frameFor(screen.frame), c.overlay);
        const auto strip = MenuBarCoverWindow::stripHeightFor(screen);
        ASSERT_EQ(strip.has_value(), c.strip.has_value());
        if (strip) {
            EXPECT_EQ(MenuBarCoverWindow::frameFor(screen, *strip), *c.strip);
        }
    }
    EXPECT_EQ(TilehallWindow::overlayLevel(), 19);
    EXPECT_EQ(TilehallWindow::showTiming().x2(), 0.58);
    EXPECT_EQ(TilehallWindow::hideTiming().x1(), 0.42);
}

TEST(TilehallWindow, IsPlacedAnchoredAndKeptOnItsLevel)
{
    test::RecordedStack recorded;
    const DisplayScreen screen = test::makeScreen(QStringLiteral("main"), {0, 0, 1440, 900});
    TilehallWindow window(screen, recorded.stack);
    EXPECT_EQ(window.frame(), QRectF(-4, -4, 1448, 908));
    EXPECT_EQ(window.contentLayer()->boundingRect(), QRectF(0, 0, 1448, 908));
    EXPECT_EQ(window.contentAnchor(), QPointF(724, 454)); // the screen's centre, from the window's top left
    EXPECT_EQ(recorded.stack.level(window.windowHandle()), 19);
    EXPECT_TRUE(window.windowFlags() & Qt::X11BypassWindowManagerHint);

    // A resolution change re-fits the same window.
    window.fitToScreen(test::makeScreen(QStringLiteral("main"), {0, 0, 1920, 1080}));
    EXPECT_EQ(window.frame(), QRectF(-4, -4, 1928, 1088));
    EXPECT_EQ(window.contentAnchor(), QPointF(964, 544));

    auto* field = new QLineEdit;
    window.setContentWidget(field);
    EXPECT_EQ(window.contentWidget(), field);
    EXPECT_EQ(field->size(), QSize(1928, 1088));

    window.orderFront(true);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(recorded.log->focused, QList<QWindow*>{window.windowHandle()});
    window.orderOut();
    EXPECT_FALSE(window.isVisible());
}

TEST(TilehallWindow, EscapeGoesToTheViewsFirstThenClosesTheOverlay)
{
    test::RecordedStack recorded;
    TilehallWindow window(test::makeScreen(QStringLiteral("main"), {0, 0, 800, 600}), recorded.stack);
    int closes = 0;
    QVariantMap info{{QStringLiteral("marker"), true}};
    NotificationCenter::defaultCenter().addObserver(Notifications::tilehallShouldClose, &window, [&](const QVariantMap& userInfo) {
        ++closes;
        info = userInfo;
    });
    bool viewsConsume = true;
    window.setEscapeHandler([&] { return viewsConsume; });
    test::LogCapture log;

    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &esc);
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(log.contains(QStringLiteral("ESC pressed — consumed by UI state (clear search / close folder)")));

    viewsConsume = false;
    QKeyEvent again(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &again);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(info.isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("ESC pressed — closing tilehall")));
}

TEST(TilehallWindow, QuitsOnControlQWithExactlyThatModifier)
{
    test::RecordedStack recorded;
    TilehallWindow window(test::makeScreen(QStringLiteral("main"), {0, 0, 800, 600}), recorded.stack);
    int terminations = 0;
    window.setTerminateHandler([&] { ++terminations; });
    test::LogCapture log;
    EXPECT_FALSE(window.performKeyEquivalent(Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier));
    EXPECT_FALSE(window.performKeyEquivalent(Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier));
    EXPECT_FALSE(window.performKeyEquivalent(Qt::Key_W, Qt::ControlModifier));
    EXPECT_EQ(terminations, 0);
    QKeyEvent quit(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier, QStringLiteral("q"));
    QCoreApplication::sendEvent(&window, &quit);
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("Cmd+Q pressed — terminating Corvanta")));
}

TEST(MenuBarCoverWindow, NeverTakesInputAndDimsWithTheScrim)
{
    test::RecordedStack recorded;
    const DisplayScreen screen = test::makeScreen(QStringLiteral("main"), {0, 0, 1440, 900});
    MenuBarCoverWindow cover(screen, 30, {1448, 908}, recorded.stack);
    EXPECT_EQ(cover.frame(), QRectF(-4, 874, 1448, 30));
    EXPECT_EQ(recorded.stack.level(cover.windowHandle()), 26);
    EXPECT_TRUE(cover.windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_TRUE(cover.windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_EQ(cover.coverView()->boundingRect(), QRectF(0, 0, 1448, 30));

    cover.setModalScrim(0.35);
    EXPECT_TRUE(cover.hasModalScrim());
    EXPECT_DOUBLE_EQ(cover.modalScrimOpacity(), 0.35);
    cover.setModalScrim(0.001);
    EXPECT_FALSE(cover.hasModalScrim());
}

TEST(MenuBarCoverView, StripOpacityFollowsPinchThenTransitionThenPresentation)
{
    MenuBarCoverView view({1448, 908}, 30, nullptr);
    EXPECT_EQ(view.stripContentOpacity(), 1); // the layer transition animates the strip
    view.setLayerTransitionEnabled(false);
    EXPECT_EQ(view.opacity(), 0);
    view.setPresented(true);
    EXPECT_EQ(view.opacity(), 1);
    view.setInteractiveProgress(0.4);
    EXPECT_DOUBLE_EQ(view.opacity(), 0.4);
    view.setInteractiveProgress(std::nullopt);
    view.setPresented(false);
    EXPECT_EQ(view.opacity(), 0);
}

TEST(MenuBarCoverView, ShowsTheTopOfTheGridsBackgroundUnderTheScrim)
{
    QGraphicsScene scene;
    auto* view = new MenuBarCoverView({100, 400}, 30, nullptr);
    scene.addItem(view);
    view->setBackground(BackgroundType::color, 0.8, QStringLiteral("#FF0000FF"));
    const auto render = [&] {
        QImage image(100, 40, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        scene.render(&painter, QRectF(0, 0, 100, 40), QRectF(0, 0, 100, 40));
        return image;
    };
    QImage image = render();
    EXPECT_EQ(image.pixelColor(50, 15), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(50, 35).alpha(), 0); // clipped to the strip

    view->setModalScrimOpacity(0.5);
    image = render();
    EXPECT_NEAR(image.pixelColor(50, 15).red(), 128, 2);
    EXPECT_EQ(image.pixelColor(50, 35).alpha(), 0); // the scrim is clipped too
}
