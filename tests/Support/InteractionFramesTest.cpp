#include "InteractionTestKit.h"

#include "Support/Geometry.h"

namespace corvanta::test {
namespace {

TEST(GeometryTest, ContainmentIncludesMinimumEdgesOnly)
{
    const QRectF r(10, 20, 30, 40);
    struct Case {
        QPointF p;
        bool inside;
    } cases[] = {
        {{10, 20}, true},   // minimum corner
        {{39.999, 59.999}, true},
        {{40, 30}, false},  // maximum x edge
        {{20, 60}, false},  // maximum y edge
        {{9.999, 30}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rectContains(r, c.p), c.inside) << c.p.x() << "," << c.p.y();
    EXPECT_FALSE(rectContains(QRectF(5, 5, 0, 10), QPointF(5, 6))); // empty contains nothing
}

using FramesTest = InteractionTest;

TEST_F(FramesTest, HitTestsFlipEventPointsIntoTopLeftFrames)
{
    EXPECT_EQ(engine.appID(tl(slotCenter(5))), id(0, 5));
    // The same point read bottom-up lands elsewhere: nothing there.
    EXPECT_EQ(engine.appID(slotCenter(5)), std::nullopt);
    // Shared edge of two frames belongs to the later one only.
    EXPECT_EQ(engine.appID(tl(300, 150)), id(0, 1));
    EXPECT_EQ(engine.appID(tl(200, 150)), std::nullopt);
}

TEST_F(FramesTest, OuterFrameReplacesPagerFrameOfTheSameEntry)
{
    const QRectF moved(600, 600, 80, 80);
    engine.setOuterIconFrames({{id(0, 0), moved}});
    EXPECT_EQ(engine.iconFrames().value(id(0, 0)), moved);
    EXPECT_EQ(engine.iconFrames().size(), 8);
    EXPECT_EQ(engine.appID(tl(610, 610)), id(0, 0));
    EXPECT_EQ(engine.appID(tl(slotCenter(0))), std::nullopt);
}

TEST_F(FramesTest, ShiftedCaptureIsResolvedAndRebuiltAfterAChange)
{
    engine.setGridIconFrameOffset(-1000); // the strip moved one page since capture
    EXPECT_EQ(engine.gridIconFrames().value(id(0, 0)), slot(0).translated(-1000, 0));
    engine.setGridIconFrameOffset(50);
    EXPECT_EQ(engine.appID(tl(slotCenter(0) + QPointF(50, 0))), id(0, 0));
    engine.setCapturedGridChromeFrames({QRectF(0, 700, 100, 50)});
    engine.setGridChromeFrameOffset(50);
    EXPECT_EQ(engine.chromeFrames(), QList<QRectF>({QRectF(50, 700, 100, 50)}));
}

TEST_F(FramesTest, OpenFolderHidesTheGridAndOnlyItsPanelIsChrome)
{
    const QUuid member = QUuid::createUuid();
    engine.setOuterChromeFrames({QRectF(0, 0, 1000, 50)});
    engine.setFolderIconFrames({{member, QRectF(400, 300, 80, 80)}});
    engine.setOpenedGroupID(QUuid::createUuid());
    EXPECT_EQ(engine.appID(tl(slotCenter(0))), std::nullopt);
    EXPECT_EQ(engine.appID(tl(410, 310)), member);
    EXPECT_TRUE(engine.chromeFrames().isEmpty());
    EXPECT_FALSE(engine.isInteractiveElement(tl(10, 10))); // the search bar is behind the folder

    engine.folderPanelFrame = QRectF(300, 200, 400, 400);
    EXPECT_TRUE(engine.isInteractiveElement(tl(350, 250)));
    EXPECT_FALSE(engine.isInteractiveElement(tl(slotCenter(0))));
}

TEST_F(FramesTest, ZeroHeightContentHitsNothingAndEveryPointIsInteractive)
{
    engine.contentSize = QSizeF(kWidth, 0);
    EXPECT_EQ(engine.appID(tl(slotCenter(0))), std::nullopt);
    EXPECT_TRUE(engine.isInteractiveElement(tl(900, 700)));
}

TEST_F(FramesTest, SeedingIgnoresDegenerateFrames)
{
    const QUuid folder = QUuid::createUuid();
    engine.seedGridIconFrame(folder, QRectF(0, 0, 1, 1));
    EXPECT_FALSE(engine.iconFrames().contains(folder));
    engine.setGridIconFrameOffset(10);
    (void)engine.gridIconFrames(); // build the shifted cache
    engine.seedGridIconFrame(folder, QRectF(0, 0, 60, 60));
    EXPECT_EQ(engine.iconFrames().value(folder), QRectF(10, 0, 60, 60));
}

} // namespace
} // namespace corvanta::test
