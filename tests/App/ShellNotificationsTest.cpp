#include "App/ShellNotifications.h"
#include "App/ShellTestKit.h"
#include "Platform/WindowStack.h"
#include "Support/NotificationCenter.h"
#include "Views/TilehallWindow.h"

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

class NoStacking final : public StackingBackend {
public:
    QList<WId> dockWindows() override { return {}; }
    void restack(const QList<WId>&) override {}
    void focus(QWindow*) override {}
};

struct NotificationsRig : PresenterRig {
    NotificationCenter center;
    ShellNotifications::PinchHooks pinch;
    bool trusted = true;
    QStringList pinchCalls;
    std::unique_ptr<ShellNotifications> notifications;

    NotificationsRig()
    {
        pinch.isTrusted = [this] { return trusted; };
        pinch.installPinchEventTap = [this] { pinchCalls << "tap"; };
        pinch.startAccessibilityPolling = [this] { pinchCalls << "poll"; };
        pinch.switchPinchOff = [this] { pinchCalls << "off"; };
        notifications = std::make_unique<ShellNotifications>(center, p(), pinch);
        notifications->subscribeOverlayRequests();
        notifications->subscribeAccessibilityAnswers();
    }
    void shown()
    {
        p().showTilehall();
        scheduler.advance(1);
    }
};

} // namespace

TEST(ShellNotifications, CloseHidesAndOnlyABooleanLaunchedAppKeepsTheForegroundWithTheApp)
{
    struct Case {
        const char* name;
        QVariantMap userInfo;
        bool launched;
    };
    const Case cases[] = {
        {"no user info", {}, false},
        {"launched", {{QStringLiteral("launchedApp"), true}}, true},
        {"explicitly not", {{QStringLiteral("launchedApp"), false}}, false},
        {"not a Boolean", {{QStringLiteral("launchedApp"), QStringLiteral("true")}}, false},
    };
    for (const Case& c : cases) {
        NotificationsRig rig;
        rig.shown();
        LogCapture log;
        rig.center.post(Notifications::tilehallShouldClose, c.userInfo);
        EXPECT_FALSE(rig.visible()) << c.name;
        EXPECT_TRUE(log.contains(QStringLiteral("AppDelegate received .tilehallShouldClose (launchedApp=%1)")
                                     .arg(c.launched ? QStringLiteral("true") : QStringLiteral("false"))))
            << c.name;
        rig.scheduler.advance(1);
        EXPECT_EQ(log.contains(QStringLiteral("本次隐藏由启动应用触发")), c.launched) << c.name;
    }
}

TEST(ShellNotifications, EscOnTheOverlayWindowClosesUnlessTheViewsTakeIt)
{
    NotificationsRig rig;
    // The window posts to the program's default centre.
    ShellNotifications defaultObserver(NotificationCenter::defaultCenter(), rig.p(), {});
    defaultObserver.subscribeOverlayRequests();
    WindowStack stack(std::make_unique<NoStacking>());
    TilehallWindow window(screenNamed(QStringLiteral("A")), stack);
    rig.shown();

    bool viewsTakeIt = true;
    window.setEscapeHandler([&] { return viewsTakeIt; });
    window.cancelOperation();
    EXPECT_TRUE(rig.visible());

    viewsTakeIt = false;
    LogCapture log;
    window.cancelOperation();
    EXPECT_FALSE(rig.visible());
    EXPECT_TRUE(log.contains(QStringLiteral("AppDelegate received .tilehallShouldClose (launchedApp=false)")));
}

TEST(ShellNotifications, ToggleShowAndTheAccessibilityAnswers)
{
    NotificationsRig rig;
    LogCapture log;
    rig.center.post(Notifications::tilehallShouldToggle);
    EXPECT_TRUE(rig.visible());
    rig.scheduler.advance(1);
    rig.center.post(Notifications::tilehallShouldToggle);
    EXPECT_FALSE(rig.visible());
    EXPECT_EQ(log.count(QStringLiteral("AppDelegate received .tilehallShouldToggle")), 2);
    rig.scheduler.advance(1);

    // A copy started on another display asks nothing of this one; one on this display does.
    rig.center.post(Notifications::tilehallShouldShow, {{QStringLiteral("display"), QStringLiteral("elsewhere:97")}});
    EXPECT_FALSE(rig.visible());
    EXPECT_TRUE(log.contains(QStringLiteral("收到其它显示上的新实例请求 — 忽略")));
    rig.center.post(Notifications::tilehallShouldShow, {{QStringLiteral("display"), qEnvironmentVariable("DISPLAY")}});
    EXPECT_TRUE(rig.visible());
    EXPECT_TRUE(log.contains(QStringLiteral("收到新实例请求：显示瓦厅")));
    rig.p().hideTilehall();
    rig.scheduler.advance(1);

    // Granted without asking for the grid: the pinch tap only.
    rig.center.post(Notifications::accessibilityPermissionGranted, {{QStringLiteral("showTilehall"), false}});
    EXPECT_EQ(rig.pinchCalls, QStringList{"tap"});
    EXPECT_FALSE(rig.visible());
    // Not trusted after all: polling, and the grid when asked.
    rig.trusted = false;
    rig.center.post(Notifications::accessibilityPermissionGranted, {{QStringLiteral("showTilehall"), true}});
    EXPECT_EQ(rig.pinchCalls.last(), QStringLiteral("poll"));
    EXPECT_TRUE(log.contains(QStringLiteral("Pinch gesture needs Accessibility permission — defer to guide window")));
    EXPECT_TRUE(rig.visible());
    rig.p().hideTilehall();
    rig.scheduler.advance(1);

    rig.center.post(Notifications::accessibilitySkipPinchAndShow);
    EXPECT_EQ(rig.pinchCalls.last(), QStringLiteral("off"));
    EXPECT_TRUE(rig.visible());
}
