#include "App/MenuBarCoverHost.h"
#include "Platform/SLSMenuBar.h"
#include "Views/MenuBarCoverWindow.h"
#include "common/FakeWindowing.h"
#include "common/LogCapture.h"

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

class WorkingMenuBar final : public MenuBarBackend {
public:
    bool isAvailable() const override { return true; }
    void setMenuBarInsetAndAlpha(double, double, bool) override {}
};

struct Harness {
    test::FakeScreenProvider screens;
    test::RecordedStack recorded;
    SLSMenuBar menuBar;
    MenuBarCoverHost host;
    DisplayScreen primary = test::makeScreen(QStringLiteral("primary"), {0, 0, 1440, 900});
    explicit Harness(bool suppressionAvailable)
        : menuBar(suppressionAvailable, true, [] { return std::make_unique<WorkingMenuBar>(); }, {}),
          host(menuBar, screens, recorded.stack)
    {
        screens.all = {primary};
    }
};

} // namespace

TEST(MenuBarCoverHost, BuildsTheStripUnlessTheMenuBarIsSuppressedOrHidden)
{
    {
        Harness h(false);
        test::LogCapture log;
        h.host.rebuild(h.primary);
        ASSERT_NE(h.host.window(), nullptr);
        EXPECT_EQ(h.host.window()->frame(), QRectF(-4, 874, 1448, 30));
        EXPECT_TRUE(log.contains(QStringLiteral("顶部遮盖窗就绪 — strip=30.0pt level=26 visible=false")));
    }
    {
        Harness h(true); // one screen, suppression available: no strip
        test::LogCapture log;
        h.host.rebuild(h.primary);
        EXPECT_EQ(h.host.window(), nullptr);
        EXPECT_TRUE(log.contains(QStringLiteral("阶段69：SLS 菜单栏控制可用（单屏）— 不创建顶部遮盖窗")));
    }
    {
        Harness h(true); // two screens: the strip is still built
        h.screens.all.append(test::makeScreen(QStringLiteral("left"), {-1280, 0, 1280, 800}));
        test::LogCapture log;
        h.host.rebuild(h.primary);
        EXPECT_NE(h.host.window(), nullptr);
        EXPECT_TRUE(log.contains(QStringLiteral("阶段152：多屏 — 用本屏顶部遮盖窗，外接屏保留系统菜单栏")));
    }
    {
        Harness h(false);
        test::LogCapture log;
        h.host.rebuild(test::makeScreen(QStringLiteral("primary"), {0, 0, 1440, 900}, 0));
        EXPECT_EQ(h.host.window(), nullptr);
        EXPECT_TRUE(log.contains(QStringLiteral("菜单栏为自动隐藏，跳过顶部遮盖窗")));
    }
}

TEST(MenuBarCoverHost, ARebuildKeepsTheStripOrderedInAndItsScrim)
{
    Harness h(false);
    double scrim = 0.35;
    int configured = 0;
    h.host.setModalScrimOpacitySource([&] { return scrim; });
    h.host.setConfigure([&](MenuBarCoverWindow&) { ++configured; });
    h.host.rebuild(h.primary);
    h.host.window()->orderFront();
    const DisplayScreen other = test::makeScreen(QStringLiteral("left"), {-1280, 0, 1280, 800}, 25);
    test::LogCapture log;
    h.host.rebuild(other);
    ASSERT_NE(h.host.window(), nullptr);
    EXPECT_TRUE(h.host.window()->isVisible());
    EXPECT_EQ(h.host.window()->frame(), QRectF(-1284, 773, 1288, 31));
    EXPECT_DOUBLE_EQ(h.host.window()->modalScrimOpacity(), 0.35);
    EXPECT_EQ(configured, 2);
    EXPECT_TRUE(log.contains(QStringLiteral("visible=true")));
}
