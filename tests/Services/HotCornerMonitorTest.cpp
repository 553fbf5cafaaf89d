#include "Platform/PointerWatcher.h"
#include "Services/HotCornerMonitor.h"
#include "Services/ShortcutManager.h"
#include "Support/VirtualScheduler.h"
#include "common/FakeGlobalHotKey.h"
#include "common/FakePointerWatcher.h"
#include "common/FakeWindowing.h"
#include "common/LogCapture.h"

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

using test::FakePointerWatcher;

// Two screens side by side in the bottom-left space: the main one 1440×900 at the origin, a second
// one 1920×1080 to its right, its bottom 100 points lower.
struct CornerFixture {
    test::FakeScreenProvider screens;
    FakePointerWatcher pointer;
    HotCornerMonitor monitor{pointer, screens, [] { return true; }};
    int hits = 0;
    CornerFixture()
    {
        screens.all = {test::makeScreen(QStringLiteral("main"), QRectF(0, 0, 1440, 900)),
                       test::makeScreen(QStringLiteral("side"), QRectF(1440, -100, 1920, 1080))};
        monitor.onHit = [this] { ++hits; };
    }
};

} // namespace

TEST(HotCornerMonitor, CornerPointsOfEveryScreen)
{
    const QList<QRectF> frames = {QRectF(0, 0, 1440, 900), QRectF(1440, -100, 1920, 1080)};
    struct Case {
        HotCorner corner;
        std::vector<QPointF> points;
    };
    const Case cases[] = {
        {HotCorner::topLeft, {{0, 900}, {1440, 980}}},
        {HotCorner::topRight, {{1439, 900}, {3359, 980}}}, // the last column, not the right edge
        {HotCorner::bottomLeft, {{0, 0}, {1440, -100}}},
        {HotCorner::bottomRight, {{1439, 0}, {3359, -100}}},
        {HotCorner::none, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HotCornerMonitor::cornerPoints(c.corner, frames), c.points) << caseName(c.corner).toStdString();
}

TEST(HotCornerMonitor, FiresOncePerVisitAndReArmsWhenThePointerLeavesTheSquare)
{
    CornerFixture f;
    f.monitor.start(HotCorner::topLeft);
    ASSERT_TRUE(f.pointer.isWatching());

    f.pointer.move(0, 900);
    EXPECT_EQ(f.hits, 1);
    f.pointer.move(2, 898); // still inside the square
    f.pointer.move(0, 900);
    EXPECT_EQ(f.hits, 1);
    f.pointer.move(200, 700); // away: re-armed
    f.pointer.move(1, 899);
    EXPECT_EQ(f.hits, 2);

    // The second screen's corner counts alike.
    f.pointer.move(500, 500);
    f.pointer.move(1441, 979);
    EXPECT_EQ(f.hits, 3);
}

TEST(HotCornerMonitor, TheSquareReachesThreePointsOnBothAxes)
{
    struct Case {
        QPointF pointer;
        bool hit;
    };
    const Case cases[] = {
        {{3, 897}, true},      // 3 away on both axes
        {{3.5, 900}, false},   // 3.5 away on x
        {{0, 896.5}, false},   // 3.5 away on y
        {{-3, 903}, true},     // beyond the screen edge, still in the square
    };
    for (const Case& c : cases) {
        CornerFixture f;
        f.monitor.start(HotCorner::topLeft);
        f.pointer.move(c.pointer.x(), c.pointer.y());
        EXPECT_EQ(f.hits, c.hit ? 1 : 0) << c.pointer.x() << "," << c.pointer.y();
    }
}

TEST(HotCornerMonitor, NoneWatchesNothingAndRestartsLeaveOneWatch)
{
    CornerFixture f;
    f.monitor.start(HotCorner::none);
    EXPECT_FALSE(f.pointer.isWatching());
    EXPECT_TRUE(f.monitor.cornerPositions().empty());
    EXPECT_EQ(f.pointer.starts, 0);

    f.monitor.start(HotCorner::bottomRight);
    f.monitor.start(HotCorner::bottomRight);
    EXPECT_EQ(f.pointer.starts, 2);
    EXPECT_TRUE(f.pointer.isWatching());
    f.monitor.stop();
    EXPECT_FALSE(f.pointer.isWatching());
    EXPECT_TRUE(f.monitor.cornerPositions().empty());
    EXPECT_EQ(f.monitor.corner(), HotCorner::bottomRight) << "stopping keeps the chosen corner";
}

TEST(HotCornerMonitor, ScreenChangesMoveTheCornerPointsAtOnce)
{
    CornerFixture f;
    f.monitor.start(HotCorner::topRight);
    f.screens.all = {test::makeScreen(QStringLiteral("main"), QRectF(0, 0, 2560, 1440))};
    Q_EMIT f.screens.screensChanged();
    EXPECT_EQ(f.monitor.cornerPositions(), std::vector<QPointF>{QPointF(2559, 1440)});
    f.pointer.move(1439, 900);
    EXPECT_EQ(f.hits, 0);
    f.pointer.move(2559, 1440);
    EXPECT_EQ(f.hits, 1);
}

TEST(HotCornerMonitor, WithoutAPointerWatchItWarns)
{
    test::LogCapture log;
    CornerFixture f;
    f.pointer.available = false;
    f.monitor.start(HotCorner::topLeft);
    EXPECT_TRUE(log.contains(QStringLiteral("触控角 CGEventTap 创建失败（多半缺辅助功能权限）")));
    EXPECT_TRUE(log.contains(QStringLiteral("触控角监听已安装 — corner=topLeft，角点=2，CGEventTap=false")));
}

TEST(HotCornerMonitor, TheCornerTogglesThroughTheTriggerServiceOnTheNextTurn)
{
    test::FakeGlobalHotKey hotKey;
    VirtualScheduler scheduler;
    test::FakeScreenProvider screens;
    screens.all = {test::makeScreen(QStringLiteral("main"), QRectF(0, 0, 1440, 900))};
    FakePointerWatcher pointer;
    ShortcutManager manager(hotKey, scheduler);
    manager.attachHotCorner(std::make_unique<HotCornerMonitor>(pointer, screens));
    int toggles = 0;
    manager.onToggle = [&] { ++toggles; };
    test::LogCapture log;

    manager.startHotCornerMonitor(HotCorner::bottomLeft);
    EXPECT_EQ(manager.hotCorner(), HotCorner::bottomLeft);
    pointer.move(0, 0);
    EXPECT_EQ(toggles, 0);
    scheduler.runPending();
    EXPECT_EQ(toggles, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("触控角命中 — corner=bottomLeft，mouse=(0.0, 0.0)")));

    manager.stopHotCornerMonitor();
    pointer.move(5, 5);
    pointer.move(0, 0);
    scheduler.runPending();
    EXPECT_EQ(toggles, 1);
}
