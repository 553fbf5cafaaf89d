#include "Views/ContentLayers.h"
#include "Views/GridHosts.h"
#include "Views/ReorderGhostHost.h"
#include "Views/ReorderGhostView.h"
#include "Views/RootViewTestKit.h"

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

class GridGhostAndMergeTest : public RootViewTest {
protected:
    AppItem a = app(QStringLiteral("A")), b = app(QStringLiteral("B")), c = app(QStringLiteral("C"));

    TilehallContentView& presented()
    {
        storeWithPages({page({PageEntry(a), PageEntry(b), PageEntry(c)})});
        TilehallContentView& root = makeView();
        show();
        scheduler.advance(0.5);
        return root;
    }
};

TEST_F(GridGhostAndMergeTest, GhostFollowsTheEngineDragAboveTheGrid)
{
    TilehallContentView& root = presented();
    ReorderGhostHost* host = root.hosts()->reorderGhost();
    ASSERT_TRUE(host);
    engine.beginReorderDrag(b.id, {400, 300});
    ASSERT_TRUE(host->ghost());
    EXPECT_EQ(host->ghost()->parentItem(), static_cast<QGraphicsItem*>(root.overlay(TilehallContentView::Overlay::reorderGhost)));
    EXPECT_EQ(host->ghost()->entry().id(), b.id);
    EXPECT_EQ(host->ghost()->position(), engine.reorderCursor());
    engine.resetDragState();
    EXPECT_FALSE(host->ghost());
}

TEST_F(GridGhostAndMergeTest, MergeOpensFromTheIconSquareNotTheBadgeWidenedFrame)
{
    TilehallContentView& root = presented();
    const double s = root.metrics().iconSize;
    const QRectF icon(300, 200, s, s);
    engine.seedGridIconFrame(c.id, icon.united(QRectF(300 - 0.1 * s, 200 - 0.1 * s, 0.32 * s, 0.32 * s)));
    engine.onMergeEntries(b.id, c.id);
    ASSERT_TRUE(root.openedGroupID());
    EXPECT_EQ(root.folderSourceFrame(), icon);
    EXPECT_EQ(engine.gridIconFrames().value(*root.openedGroupID()), icon);
}
