#include "InteractionTestKit.h"

namespace corvanta::test {
namespace {

using EdgeFlipTest = InteractionTest;

TEST_F(EdgeFlipTest, DwellingInTheRightStripFlipsOncePerVisit)
{
    startReorder(slotCenter(6));
    drag({960, 400});
    scheduler.advance(0.5);
    drag({500, 400}); // left before the dwell ended
    scheduler.advance(1);
    EXPECT_TRUE(moves.isEmpty());

    drag({960, 400});
    scheduler.advance(0.55);
    EXPECT_EQ(moves, QList<MoveCall>({{id(0, 6), 1, 0}}));
    EXPECT_EQ(engine.pagerOffset().page(), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: reorder edge flip → page 1（右缘驻留 550ms）")));
    EXPECT_TRUE(log.contains(QStringLiteral("(reorder edge flip)")));

    // Staying, even with more events, flips no further.
    drag({961, 400});
    scheduler.advance(2);
    drag({962, 400});
    EXPECT_EQ(moves.size(), 1);

    // Out of both strips and back in: another full dwell.
    drag({500, 400});
    drag({960, 400});
    scheduler.advance(0.54);
    EXPECT_EQ(moves.size(), 1);
    scheduler.advance(0.01);
    EXPECT_EQ(moves.last(), (MoveCall{id(0, 6), 2, 0}));
}

TEST_F(EdgeFlipTest, FlippingBackAppendsAtTheEndOfThePreviousPage)
{
    engine.pagerOffset().setPage(1);
    reportFrames(1);
    startReorder(slotCenter(0));
    drag({30, 400});
    scheduler.advance(0.55);
    EXPECT_EQ(moves, QList<MoveCall>({{id(1, 0), 0, InteractionManager::kAppendIndex}}));
    EXPECT_TRUE(log.contains(QStringLiteral("（左缘驻留 550ms）")));
}

TEST_F(EdgeFlipTest, NoStripBeyondTheFirstAndLastPages)
{
    startReorder(slotCenter(0));
    drag({30, 400}); // page 0: no left zone
    scheduler.advance(1);
    EXPECT_EQ(engine.edgeFlipZone(), 0);

    engine.resetDragState();
    engine.pagerOffset().setPage(2);
    reportFrames(2);
    startReorder(slotCenter(0));
    drag({960, 400}); // last page: no right zone
    scheduler.advance(1);
    EXPECT_TRUE(moves.isEmpty());

    engine.resetDragState();
    setPages({8});
    engine.pagerOffset().setPage(0);
    startReorder(slotCenter(0));
    drag({960, 400});
    EXPECT_EQ(engine.edgeFlipZone(), 0);
    EXPECT_FALSE(engine.hasPendingEdgeFlip());
}

TEST_F(EdgeFlipTest, CrossingToTheOtherStripRestartsTheDwell)
{
    engine.pagerOffset().setPage(1);
    reportFrames(1);
    startReorder(slotCenter(0));
    drag({30, 400});
    scheduler.advance(0.4);
    drag({960, 400});
    EXPECT_EQ(engine.edgeFlipZone(), 1);
    scheduler.advance(0.5);
    EXPECT_TRUE(moves.isEmpty());
    scheduler.advance(0.05);
    EXPECT_EQ(moves, QList<MoveCall>({{id(1, 0), 2, 0}}));
}

TEST_F(EdgeFlipTest, RightStripFollowsTheCurrentPageWidth)
{
    // The overlay moved to a wider screen after start: the strip is at its right edge.
    engine.contentSize = QSizeF(1600, kHeight);
    startReorder(slotCenter(6));
    drag({960, 400});
    EXPECT_EQ(engine.edgeFlipZone(), 0);
    drag({1560, 400});
    EXPECT_EQ(engine.edgeFlipZone(), 1);
    scheduler.advance(0.55);
    EXPECT_EQ(moves.size(), 1);
}

} // namespace
} // namespace corvanta::test
