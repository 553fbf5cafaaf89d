#include "InteractionTestKit.h"

namespace corvanta::test {
namespace {

using ClicksTest = InteractionTest;

TEST_F(ClicksTest, BlankClickClosesUnlessTheViewsConsumeIt)
{
    // No handler installed: close.
    press({950, 750});
    release({950, 750});
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: closing tilehall (blank area click)")));

    int blankClicks = 0;
    engine.onBlankClick = [&] { return ++blankClicks > 0; };
    press({950, 750});
    release({950, 750});
    EXPECT_EQ(blankClicks, 1);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: blank click consumed by UI state")));
}

TEST_F(ClicksTest, ClicksThatAreNotBlankCloseNothing)
{
    engine.setOuterChromeFrames({QRectF(0, 0, 1000, 50)});
    for (const QPointF p : {slotCenter(2), QPointF(500, 20)}) {
        press(p);
        release(p);
    }
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(log.count(QStringLiteral("click hit interactive element — leave to SwiftUI")), 2);

    // Before any frame was reported a click never closes.
    engine.setCapturedGridIconFrames({});
    engine.setOuterChromeFrames({});
    press({950, 750});
    release({950, 750});
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(log.contains(QStringLiteral("位置表未就绪，跳过本次空白关闭判定（不误关）")));
}

TEST_F(ClicksTest, FolderTitleTapStartsRenamingOrFallsThrough)
{
    engine.titleFrames = {QRectF(400, 20, 200, 40)};
    bool renames = true;
    int taps = 0;
    engine.onTitleTap = [&] {
        ++taps;
        return renames;
    };
    press({500, 40});
    release({500, 40});
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(engine.shouldCancelClose);
    EXPECT_TRUE(log.contains(QStringLiteral("文件夹标题被点击（改名入口）")));

    // Not renaming: the click is judged like any other, here a blank one.
    renames = false;
    press({500, 40});
    release({500, 40});
    EXPECT_EQ(taps, 2);
    EXPECT_EQ(closes, 1);
}

TEST_F(ClicksTest, LongPressEntersJiggleModeWithinTheMovementTolerance)
{
    struct Case {
        double moved;
        bool jiggles;
    } cases[] = {{10, true}, {10.5, false}};
    for (const auto& c : cases) {
        engine.resetDragState();
        engine.reorderEnabled = false; // keep the press a press
        press(slotCenter(0));
        drag(slotCenter(0) + QPointF(0, c.moved));
        scheduler.advance(0.5);
        EXPECT_EQ(engine.isJiggleMode(), c.jiggles) << c.moved;
        if (c.jiggles) {
            EXPECT_TRUE(engine.shouldCancelClose);
            EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: long-press on A0.0 — entering jiggle mode")));
        }
        release(slotCenter(0) + QPointF(0, c.moved));
    }
}

TEST_F(ClicksTest, LongPressNeedsAKnownEntryAndNoPageDrag)
{
    // A drag beyond 12 pt starts paging and cancels the long press.
    engine.reorderEnabled = false;
    press(slotCenter(0));
    drag(slotCenter(0) + QPointF(13, 0));
    EXPECT_TRUE(engine.isDragging());
    scheduler.advance(0.6);
    EXPECT_FALSE(engine.isJiggleMode());
    release(slotCenter(0) + QPointF(13, 0));
    scheduler.advance(1);

    // An icon neither lookup knows.
    apps.remove(id(0, 1));
    press(slotCenter(1));
    scheduler.advance(0.6);
    EXPECT_FALSE(engine.isJiggleMode());
    release(slotCenter(1));
}

TEST_F(ClicksTest, DragHeldStillEntersJiggleModeAndDropsOnTheNearestSlot)
{
    startReorder(slotCenter(0));
    const QPointF held(slotCenter(5) + QPointF(0, 80)); // between rows, in no zone
    drag(held);
    scheduler.advance(1.0);
    drag(held + QPointF(1, 0)); // any movement restarts the wait
    scheduler.advance(1.1);
    EXPECT_FALSE(engine.isJiggleMode());
    scheduler.advance(0.1);
    EXPECT_TRUE(engine.isJiggleMode());
    EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: 拖住静止超时 — entering jiggle mode")));
    ASSERT_FALSE(moves.isEmpty());
    EXPECT_EQ(moves.last(), (MoveCall{id(0, 0), 0, 5}));
    EXPECT_FALSE(engine.isReorderDragging());
    EXPECT_EQ(engine.reorderDropTarget(), slot(0)); // flies into its (placeholder) slot
}

TEST_F(ClicksTest, DragHeldStillWaitsWhileAtAnEdgeOrOverAMergeTarget)
{
    startReorder(slotCenter(0));
    drag({990, 400}); // right edge strip: dwell, flip, then stay
    scheduler.advance(1.5);
    EXPECT_FALSE(engine.isJiggleMode());
    EXPECT_TRUE(engine.isReorderDragging());
    engine.resetDragState();
    engine.pagerOffset().setPage(0);

    startReorder(slotCenter(0));
    engine.mergeHoverDelay = 5; // keep the merge from firing
    drag(slotCenter(1)); // hotspot of icon 1: merge hover
    EXPECT_EQ(engine.mergeCandidateID(), id(0, 1));
    drag(slotCenter(2));
    drag(slotCenter(2) + QPointF(1, 1));
    scheduler.advance(1.5);
    EXPECT_FALSE(engine.isJiggleMode());
}

TEST_F(ClicksTest, ExitJiggleModeLogsOnlyWhenOn)
{
    engine.exitJiggleMode();
    EXPECT_FALSE(log.contains(QStringLiteral("exit jiggle mode")));
    engine.tryEnterJiggleMode(tl(slotCenter(0)));
    ASSERT_TRUE(engine.isJiggleMode());
    engine.exitJiggleMode();
    EXPECT_FALSE(engine.isJiggleMode());
    EXPECT_EQ(log.count(QStringLiteral("InteractionManager: exit jiggle mode")), 1);
}

TEST_F(ClicksTest, BlankClickOnAnAlertHiddenUnderTheOverlayEndsIt)
{
    platform.modalUp = true;
    press({950, 750});
    EXPECT_EQ(engine.mouseDownPoint(), std::nullopt); // ignored while modal
    release({950, 750});
    EXPECT_EQ(platform.modalAborts, 1);
    EXPECT_EQ(closes, 1);

    platform.modalUp = true;
    platform.modalAbove = true;
    release({950, 750});
    EXPECT_EQ(platform.modalAborts, 1);
    EXPECT_EQ(closes, 1);

    platform.modalAbove = false;
    release(slotCenter(0)); // on an icon
    EXPECT_EQ(platform.modalAborts, 1);
}

} // namespace
} // namespace corvanta::test
