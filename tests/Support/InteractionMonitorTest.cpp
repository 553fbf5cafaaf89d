#include "InteractionTestKit.h"

namespace corvanta::test {
namespace {

using MonitorTest = InteractionTest;
using Kind = InputEvent::Kind;

TEST_F(MonitorTest, InstallsItsMonitorsOnce)
{
    engine.installMouseMonitor();
    engine.installMouseMonitor();
    EXPECT_EQ(platform.localInstalls, 1);
    EXPECT_EQ(platform.globalInstalls, 1);
    EXPECT_EQ(log.count(QStringLiteral("InteractionManager: 鼠标事件监听已安装（阶段 35）")), 1);
}

TEST_F(MonitorTest, ScrollSeenByBothMonitorsIsHandledOnce)
{
    engine.installMouseMonitor();
    InputEvent e = scroll(0, -1, false);
    e.timestamp = 5;
    EXPECT_TRUE(platform.local(e));
    EXPECT_EQ(engine.pagerOffset().page(), 1);
    scheduler.advance(1);
    e.window = InputEvent::Window::None;
    e.pointerInsideOverlay = true;
    platform.global(e); // same timestamp: dropped
    EXPECT_EQ(engine.pagerOffset().page(), 1);
    e.timestamp = 6;
    platform.global(e);
    EXPECT_EQ(engine.pagerOffset().page(), 2);
    EXPECT_TRUE(engine.scrollWheelViaMonitor());
}

TEST_F(MonitorTest, EventsOfOtherWindowsPassUntouched)
{
    engine.installMouseMonitor();
    InputEvent e = scroll(0, -1, false);
    e.window = InputEvent::Window::Other;
    EXPECT_FALSE(platform.local(e));
    EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: scrollWheel 未命中瓦厅窗口（window=other），放行")));
    EXPECT_EQ(engine.pagerOffset().page(), 0);

    InputEvent down;
    down.kind = Kind::LeftMouseDown;
    down.window = InputEvent::Window::Other;
    down.location = tl(slotCenter(0));
    EXPECT_FALSE(platform.local(down));
    EXPECT_EQ(engine.mouseDownPoint(), std::nullopt);

    // Without an overlay window nothing is handled at all.
    engine.setOverlayWindow(nullptr);
    EXPECT_FALSE(send(Kind::LeftMouseDown, slotCenter(0)));
    EXPECT_EQ(engine.mouseDownPoint(), std::nullopt);
}

TEST_F(MonitorTest, ReleaseOnATextFieldOrButtonIsTakenByIt)
{
    engine.installMouseMonitor();
    for (auto element : {InputEvent::Element::TextField, InputEvent::Element::Button}) {
        EXPECT_FALSE(send(Kind::LeftMouseDown, {950, 750}));
        EXPECT_FALSE(engine.shouldCancelClose);
        int seen = 0;
        engine.onBlankClick = [&] {
            seen += engine.shouldCancelClose ? 1 : 0;
            return true;
        };
        EXPECT_FALSE(send(Kind::LeftMouseUp, {950, 750}, element));
        EXPECT_EQ(seen, 1);
    }
}

TEST_F(MonitorTest, MouseDownSynchronisesTheShownPagerBeforeHitTesting)
{
    engine.installMouseMonitor();
    InteractionManager folder(scheduler, platform);
    folder.contentSize = QSizeF(400, 400);
    folder.pageCount = 2;
    engine.activeFolderPager = &folder;
    engine.pagerOffset().presentationOffset = [] { return std::optional<double>(-960); };
    folder.pagerOffset().presentationOffset = [] { return std::optional<double>(-30); };
    engine.pagerOffset().setPage(1);
    send(Kind::LeftMouseDown, {950, 750});
    EXPECT_DOUBLE_EQ(engine.pagerOffset().x(), 40);
    EXPECT_DOUBLE_EQ(folder.pagerOffset().x(), -30);
}

TEST_F(MonitorTest, ReorderEntriesStillFlyingBackCannotBeDraggedAgain)
{
    startReorder(slotCenter(0));
    release(slotCenter(0) + QPointF(20, 0));
    ASSERT_TRUE(engine.reorderDraggedEntryID());
    press(slotCenter(1));
    EXPECT_EQ(engine.mouseDownEntryID(), std::nullopt);
    drag(slotCenter(1) + QPointF(0, 30));
    EXPECT_FALSE(engine.isReorderDragging());
    release(slotCenter(1) + QPointF(0, 30));
    scheduler.advance(0.32);
    EXPECT_EQ(engine.reorderDraggedEntryID(), std::nullopt);
}

TEST_F(MonitorTest, MovementThresholds)
{
    // 9 pt starts a reorder drag only from an icon.
    press(slotCenter(0));
    drag(slotCenter(0) + QPointF(0, 9));
    EXPECT_TRUE(engine.isReorderDragging());
    engine.resetDragState();
    press({950, 750});
    drag({950, 759});
    EXPECT_FALSE(engine.isReorderDragging());
    release({950, 759});

    // 11 pt cancels a pending long press even without a drag.
    engine.reorderEnabled = false;
    const quint64 before = engine.longPressToken();
    press(slotCenter(0));
    drag(slotCenter(0) + QPointF(0, 11));
    EXPECT_GT(engine.longPressToken(), before + 1);
    scheduler.advance(0.6);
    EXPECT_FALSE(engine.isJiggleMode());

    // With reordering off, a press on an icon still pages by dragging.
    drag(slotCenter(0) + QPointF(-100, 11));
    EXPECT_TRUE(engine.isDragging());
    EXPECT_LT(engine.pagerOffset().x(), 0);
}

TEST_F(MonitorTest, MouseDownClearsALeftoverReorderFlag)
{
    startReorder(slotCenter(0));
    // The release never arrives (the window lost the mouse). The next click must still count.
    engine.onBlankClick = [] { return false; };
    press({950, 750});
    EXPECT_FALSE(engine.reorderDidStart());
    EXPECT_FALSE(engine.isReorderDragging());
    release({950, 750});
    EXPECT_EQ(closes, 1);
}

TEST_F(MonitorTest, ResetReturnsToIdle)
{
    startReorder(slotCenter(0));
    drag(slotCenter(1));
    engine.tryEnterJiggleMode(tl(slotCenter(2)));
    engine.setInteractiveProgress(0.4);
    engine.suppressTransitionAnimation = true;
    engine.pagerOffset().setX(-50);
    engine.resetDragState();
    EXPECT_EQ(engine.pagerOffset().x(), 0);
    EXPECT_FALSE(engine.isJiggleMode());
    EXPECT_FALSE(engine.isReorderDragging());
    EXPECT_EQ(engine.reorderDraggedEntryID(), std::nullopt);
    EXPECT_EQ(engine.mergeCandidateID(), std::nullopt);
    EXPECT_EQ(engine.interactiveProgress(), std::nullopt);
    EXPECT_FALSE(engine.suppressTransitionAnimation);
    EXPECT_EQ(engine.mouseDownPoint(), std::nullopt);
    scheduler.advance(5);
    EXPECT_TRUE(merges.isEmpty());
}

} // namespace
} // namespace corvanta::test
