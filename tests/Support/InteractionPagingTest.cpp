#include "InteractionTestKit.h"

namespace corvanta::test {
namespace {

using PagingTest = InteractionTest;
constexpr unsigned kBegan = InputEvent::kPhaseBegan;
constexpr unsigned kChanged = InputEvent::kPhaseChanged;
constexpr unsigned kEnded = InputEvent::kPhaseEnded;

TEST_F(PagingTest, NotchedWheelFlipsOncePerBurst)
{
    EXPECT_TRUE(wheel(scroll(0, -1, false)));
    EXPECT_EQ(engine.pagerOffset().page(), 1);
    // Turning on: dropped during the cooldown, then part of the same burst.
    for (int i = 0; i < 10; ++i) {
        scheduler.advance(0.05);
        EXPECT_TRUE(wheel(scroll(0, -1, false)));
    }
    EXPECT_EQ(engine.pagerOffset().page(), 1);
    scheduler.advance(0.25);
    wheel(scroll(0, -1, false));
    EXPECT_EQ(engine.pagerOffset().page(), 1);
    scheduler.advance(0.26);
    wheel(scroll(0, -1, false));
    EXPECT_EQ(engine.pagerOffset().page(), 2);
    EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: wheel flip → page 2 (from page 1, device=discrete, threshold=0, mom=0)")));
    scheduler.advance(1);
    wheel(scroll(0, 1, false)); // back
    EXPECT_EQ(engine.pagerOffset().page(), 1);
}

TEST_F(PagingTest, CooldownDoesNotExtendTheBurst)
{
    wheel(scroll(0, -1, false));
    scheduler.advance(0.15);
    wheel(scroll(0, -1, false)); // dropped in the cooldown: the burst still ended at 0
    scheduler.advance(0.11);
    wheel(scroll(0, -1, false));
    EXPECT_EQ(engine.pagerOffset().page(), 2);
}

TEST_F(PagingTest, VerticalTrackpadScrollPagesLikeAWheelWithAThreshold)
{
    wheel(scroll(0, -3, true, kBegan));
    wheel(scroll(0, -3, true, kChanged));
    EXPECT_EQ(engine.pagerOffset().page(), 0);
    wheel(scroll(0, -1, true, kChanged));
    EXPECT_EQ(engine.pagerOffset().page(), 1);
    EXPECT_EQ(engine.preciseScrollRoute(), InteractionManager::PreciseScrollRoute::wheel);
}

TEST_F(PagingTest, HorizontalSwipeDragsTheStripAndSwallowsItsMomentum)
{
    wheel(scroll(-30, -2, true, kBegan));
    EXPECT_TRUE(engine.isScrollActive());
    EXPECT_TRUE(engine.pagerOffset().isFollowingScroll());
    EXPECT_DOUBLE_EQ(engine.pagerOffset().x(), -30);
    scheduler.advance(0.3);
    wheel(scroll(-20, 0, true, kChanged));
    EXPECT_DOUBLE_EQ(engine.pagerOffset().x(), -50);
    scheduler.advance(0.2);
    wheel(scroll(0, 0, true, kEnded));
    EXPECT_FALSE(engine.isScrollActive());
    EXPECT_EQ(engine.pagerOffset().page(), 0); // 5 % at 100 pt/s
    for (int i = 0; i < 5; ++i) {
        scheduler.advance(0.016);
        EXPECT_TRUE(wheel(scroll(-40, -40, true, 0, kChanged)));
    }
    EXPECT_TRUE(wheel(scroll(0, 0, true, 0, kEnded)));
    EXPECT_EQ(engine.pagerOffset().page(), 0);
    EXPECT_FALSE(engine.suppressTrackpadMomentum());
}

TEST_F(PagingTest, SwipeDecisionUsesDistanceSpeedAndDirectionChanges)
{
    struct Case {
        QList<double> deltas;
        int page;
    } cases[] = {
        {{-50, -50}, 1},       // 10 % at -250 pt/s: next page
        {{-60, 10, -50}, 0},   // same distance, turned on the way: stays
        {{-70, -60}, 1},       // 13 %: far enough by distance
        {{40, 10}, 0},         // page 0 has nothing before it
    };
    for (const auto& c : cases) {
        engine.resetDragState();
        engine.pagerOffset().setPage(0);
        scheduler.advance(1);
        for (int i = 0; i < c.deltas.size(); ++i) {
            wheel(scroll(c.deltas[i], 0, true, i == 0 ? kBegan : kChanged));
            scheduler.advance(0.4 / c.deltas.size());
        }
        wheel(scroll(0, 0, true, kEnded));
        EXPECT_EQ(engine.pagerOffset().page(), c.page) << c.deltas.first();
    }
    EXPECT_TRUE(log.contains(QStringLiteral("双指松手判定 — distance=-100.0，")));
    EXPECT_TRUE(log.contains(QStringLiteral("reversed=true")));
}

TEST_F(PagingTest, SwipeWithoutAnEndSettlesAfterAnIdlePause)
{
    wheel(scroll(-200, 0, true, kBegan));
    scheduler.advance(0.29);
    EXPECT_TRUE(engine.isScrollActive());
    scheduler.advance(0.02);
    EXPECT_FALSE(engine.isScrollActive());
    EXPECT_EQ(engine.pagerOffset().page(), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("scroll gesture end (idle fallback)")));
}

TEST_F(PagingTest, VerticalScrollTakesOverFromASwipe)
{
    wheel(scroll(-100, 0, true, kBegan));
    scheduler.advance(0.1);
    wheel(scroll(0, -10, true, kBegan));
    EXPECT_FALSE(engine.isScrollActive());
    EXPECT_TRUE(log.contains(QStringLiteral("(vertical scroll handoff)")));
    EXPECT_EQ(engine.pagerOffset().page(), 1); // and the vertical delta flipped like a wheel
}

TEST_F(PagingTest, FastEndOfAShortMouseDragPages)
{
    engine.reorderEnabled = false;
    auto dragTo = [&](double dx, double dt) {
        scheduler.advance(dt);
        drag({500 + dx, 450});
    };
    press({500, 450});
    dragTo(-13, 0.01);
    dragTo(-20, 0.2);
    dragTo(-35, 0.05);
    dragTo(-50, 0.05); // 5 % of the width, but 0.3 widths per second at the end
    release({450, 450});
    EXPECT_EQ(engine.pagerOffset().page(), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: drag ended, offset=-50.0, page=0/3")));

    engine.resetDragState();
    engine.pagerOffset().setPage(0);
    press({500, 450});
    dragTo(-13, 0.01);
    dragTo(-50, 0.5);
    scheduler.advance(0.2); // held before release
    release({450, 450});
    EXPECT_EQ(engine.pagerOffset().page(), 0);
}

TEST_F(PagingTest, PullingPastTheFirstPageIsRubberBanded)
{
    engine.reorderEnabled = false;
    press({0, 450});
    drag({1000, 450});
    EXPECT_NEAR(engine.pagerOffset().x(), 200, 1e-9);
    EXPECT_NEAR(engine.applyEdgeResistance(1e9), 250, 1e-3);
    release({1000, 450});
    EXPECT_EQ(engine.pagerOffset().page(), 0);
    scheduler.advance(0.5);
    EXPECT_EQ(engine.pagerOffset().x(), 0.0);
}

TEST_F(PagingTest, WithOnePageScrollIsLeftAloneButADragStillSettlesBack)
{
    setPages({5});
    EXPECT_FALSE(wheel(scroll(0, -1, false)));
    engine.reorderEnabled = false;
    press({100, 700});
    drag({400, 700});
    EXPECT_DOUBLE_EQ(engine.pagerOffset().x(), 300);
    release({400, 700});
    scheduler.advance(0.5);
    EXPECT_EQ(engine.pagerOffset().page(), 0);
    EXPECT_EQ(engine.pagerOffset().x(), 0.0);
}

TEST_F(PagingTest, ScrollInputGoesElsewhereWhenSuppressedOrToTheOpenFolder)
{
    engine.suppressScrollPaging = true;
    EXPECT_FALSE(wheel(scroll(0, -1, false)));
    engine.suppressScrollPaging = false;

    InteractionManager folder(scheduler, platform);
    folder.pageCount = 2;
    folder.screenWidth = 400;
    engine.activeFolderPager = &folder;
    engine.wheelPagingEnabled = false; // as while a folder is open
    EXPECT_TRUE(wheel(scroll(0, -1, false)));
    EXPECT_EQ(folder.pagerOffset().page(), 1);
    EXPECT_EQ(engine.pagerOffset().page(), 0);
}

TEST_F(PagingTest, LeftoverPressIsRepairedByTheNextScroll)
{
    press({950, 750}); // its release never comes
    InputEvent held = scroll(0, -1, false);
    held.buttons = Qt::LeftButton;
    EXPECT_TRUE(wheel(held));
    EXPECT_EQ(engine.pagerOffset().page(), 0);
    EXPECT_TRUE(wheel(scroll(0, -1, false)));
    EXPECT_EQ(engine.mouseDownPoint(), std::nullopt);
    EXPECT_EQ(engine.pagerOffset().page(), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("拖拽态假死（mouseDownPoint 残留但按键已松开）→ 自动清理，滚轮恢复")));
}

TEST_F(PagingTest, PageDragAfterAHeldStillReorderSettlesOnRelease)
{
    startReorder(slotCenter(3));
    drag({550, 250});
    scheduler.advance(1.2); // held still: jiggle mode ends the reorder drag
    ASSERT_TRUE(engine.isJiggleMode());
    ASSERT_FALSE(engine.isReorderDragging());
    drag({400, 180}); // the press goes on as a page drag
    ASSERT_TRUE(engine.isDragging());
    ASSERT_NE(engine.pagerOffset().x(), 0.0);
    release({400, 180});
    EXPECT_EQ(engine.pagerOffset().page(), 1);
    scheduler.advance(0.5);
    EXPECT_EQ(engine.pagerOffset().x(), 0.0);
}

TEST_F(PagingTest, MouseDragOnASettlingStripStartsWhereItIsShown)
{
    engine.settle(1, QStringLiteral("wheel"));
    scheduler.advance(0.1);
    const double shown = contentOffset();
    ASSERT_GT(shown, -1000);
    ASSERT_LT(shown, 0);
    engine.reorderEnabled = false;
    press({500, 750});
    drag({487, 750}); // 13 pt: the drag takes over
    EXPECT_NEAR(contentOffset(), shown - 13, 1e-9);
    EXPECT_EQ(engine.settleFlight(), std::nullopt);
    scheduler.advance(0.5);
    EXPECT_NEAR(contentOffset(), shown - 13, 1e-9); // no settle frames any more
}

TEST_F(PagingTest, SwipeFractionsUseTheCurrentPageWidth)
{
    // Set up for a narrow screen, now on a 2,000 pt one: a 200 pt drag is 10 %, not enough.
    engine.screenWidth = 1000;
    engine.contentSize = QSizeF(2000, kHeight);
    engine.reorderEnabled = false;
    press({1000, 750});
    drag({987, 750});
    scheduler.advance(0.3);
    drag({800, 750});
    scheduler.advance(0.3);
    release({800, 750});
    EXPECT_EQ(engine.pagerOffset().page(), 0);
}

} // namespace
} // namespace corvanta::test
