#include "InteractionTestKit.h"

namespace corvanta::test {
namespace {

using ReorderTest = InteractionTest;

TEST_F(ReorderTest, StartingADragPublishesTheEntryCursorAndOrigin)
{
    startReorder(slotCenter(6));
    EXPECT_EQ(engine.reorderDraggedEntryID(), id(0, 6));
    EXPECT_EQ(engine.reorderCursor(), slotCenter(6) + QPointF(20, 0));
    EXPECT_EQ(engine.dragOriginPage(), 0);
    EXPECT_EQ(engine.dragOriginIndex(), 6);
    EXPECT_TRUE(engine.shouldCancelClose);
    EXPECT_TRUE(engine.dockDropArmed());
    EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: reorder drag started — A0.6")));
}

TEST_F(ReorderTest, NearerIconWinsWhereZonesOverlapAndTheEarlierOneOnATie)
{
    // Icons 0 and 1 are 100 pt apart: their zones (35 pt around each) overlap between them.
    startReorder(slotCenter(6));
    drag({225, 150}); // in both zones, nearer icon 0's centre
    scheduler.advance(0.08);
    ASSERT_FALSE(moves.isEmpty());
    EXPECT_EQ(moves.last(), (MoveCall{id(0, 6), 0, 0}));

    drag({250, 150}); // exactly half-way
    scheduler.advance(0.08);
    EXPECT_EQ(moves.last(), (MoveCall{id(0, 6), 0, 0}));

    drag({275, 150});
    scheduler.advance(0.08);
    EXPECT_EQ(moves.last(), (MoveCall{id(0, 6), 0, 1}));
}

TEST_F(ReorderTest, MakeRoomIsDebouncedToTheLastRing)
{
    startReorder(slotCenter(6));
    drag({110, 90}); // ring of icon 0
    scheduler.advance(0.05);
    drag({310, 90}); // ring of icon 1
    scheduler.advance(0.07);
    EXPECT_TRUE(moves.isEmpty());
    scheduler.advance(0.01);
    EXPECT_EQ(moves, QList<MoveCall>({{id(0, 6), 0, 1}}));
}

TEST_F(ReorderTest, ReleaseFlushesAPendingMoveBeforeTheFlyBack)
{
    QList<QString> order;
    engine.onReorderMove = [&](const QUuid&, int, int index) { order << QStringLiteral("move %1").arg(index); };
    QObject::connect(&engine, &InteractionManager::reorderDropTargetChanged, [&] {
        if (engine.reorderDropTarget())
            order << QStringLiteral("target");
    });
    startReorder(slotCenter(6));
    drag({310, 90});
    release({310, 90});
    EXPECT_EQ(order, QList<QString>({QStringLiteral("move 1"), QStringLiteral("target")}));
    EXPECT_EQ(engine.reorderDropTarget(), slot(6)); // placeholder's slot as the views reported it
    scheduler.advance(0.31);
    EXPECT_TRUE(engine.reorderDraggedEntryID());
    scheduler.advance(0.01);
    EXPECT_EQ(engine.reorderDraggedEntryID(), std::nullopt);
    EXPECT_EQ(engine.reorderDropTarget(), std::nullopt);
}

TEST_F(ReorderTest, MovingFarInsideAHotspotAbandonsTheMergeForAMove)
{
    startReorder(slotCenter(6));
    drag({330, 130}); // hotspot of icon 1 (118...182 x 118...182 + 200 offset)
    EXPECT_EQ(engine.mergeCandidateID(), id(0, 1));
    drag({370, 130}); // 40 pt: within half a width
    EXPECT_EQ(engine.mergeCandidateID(), id(0, 1));
    EXPECT_TRUE(moves.isEmpty());
    drag({330, 181}); // 51 pt from where it armed
    EXPECT_EQ(engine.mergeCandidateID(), std::nullopt);
    EXPECT_EQ(moves, QList<MoveCall>({{id(0, 6), 0, 1}}));
    EXPECT_TRUE(log.contains(QStringLiteral("悬停合并 → 全避让（图标内位移 51pt > 50pt）")));
    scheduler.advance(1);
    EXPECT_TRUE(merges.isEmpty());
}

TEST_F(ReorderTest, BetweenIconsOnlyADragOutOfAFolderFindsASlotAtOnce)
{
    startReorder(slotCenter(6));
    drag({550, 250}); // between rows and columns: no zone
    scheduler.advance(0.1);
    EXPECT_TRUE(moves.isEmpty());
    release({550, 250});
    scheduler.advance(1);

    const QUuid member = QUuid::createUuid();
    apps.insert(member, QStringLiteral("Inside"));
    pageIDs[0].append(member);
    AppGroup folder;
    folder.id = id(0, 7);
    folder.name = QStringLiteral("F");
    AppItem app;
    app.id = member;
    folder.apps = {app};
    groups.insert(folder.id, folder);
    engine.setFolderIconFrames({{member, QRectF(450, 350, 80, 80)}});
    engine.setOpenedGroupID(folder.id);
    engine.folderPanelFrame = QRectF(400, 300, 200, 200);
    engine.reorderEnabled = false; // as the views set it while a folder is open
    engine.onDragOutFromFolder = [&](const QUuid&, const QUuid&) {
        engine.setOpenedGroupID(std::nullopt); // the views close the folder
        engine.folderPanelFrame.reset();
    };
    press({490, 390});
    drag({550, 250}); // out of the panel: the member leaves the folder
    EXPECT_TRUE(engine.dragOutSession());
    EXPECT_TRUE(moves.isEmpty());
    drag({551, 250}); // equally near icons 2 and 6: the earlier wins
    EXPECT_EQ(moves, QList<MoveCall>({{member, 0, 2}}));
}

TEST_F(ReorderTest, ReleaseOverItsOwnPlaceholderFliesBack)
{
    startReorder(slotCenter(3));
    drag(slotCenter(3));
    release(slotCenter(3));
    EXPECT_TRUE(moves.isEmpty());
    EXPECT_EQ(engine.reorderDropTarget(), slot(3));
    EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: reorder drop — A0.3")));
    scheduler.advance(0.32);
    EXPECT_EQ(engine.reorderDraggedEntryID(), std::nullopt);
}

using MergeTest = InteractionTest;

TEST_F(MergeTest, HoverTimerRestartsForANewTargetAndMerges)
{
    startReorder(slotCenter(6));
    drag(slotCenter(1));
    scheduler.advance(0.69);
    drag(slotCenter(2));
    EXPECT_EQ(engine.mergeCandidateID(), id(0, 2));
    scheduler.advance(0.01); // the first timer comes due and only logs
    EXPECT_TRUE(merges.isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: 合并计时已取消 token=")));
    scheduler.advance(0.68);
    EXPECT_TRUE(merges.isEmpty());
    scheduler.advance(0.02);
    ASSERT_EQ(merges.size(), 1);
    EXPECT_EQ(merges[0], qMakePair(id(0, 6), id(0, 2)));
    EXPECT_EQ(engine.reorderDraggedEntryID(), std::nullopt);
    EXPECT_EQ(engine.reorderDropTarget(), std::nullopt);
    EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: 合并 — A0.6 → A0.2")));
}

TEST_F(MergeTest, ReleaseOverAHoveredTargetMergesAtOnce)
{
    startReorder(slotCenter(6));
    drag(slotCenter(1));
    release(slotCenter(1));
    EXPECT_EQ(merges.size(), 1);
    scheduler.advance(1);
    EXPECT_EQ(merges.size(), 1);
}

class FolderDragOutTest : public InteractionTest {
protected:
    void SetUp() override
    {
        InteractionTest::SetUp();
        folder.id = id(0, 7);
        folder.name = QStringLiteral("F");
        member.id = QUuid::createUuid();
        member.name = QStringLiteral("Member");
        apps.insert(member.id, member.name);
        folder.apps = {member};
        groups.insert(folder.id, folder);
        engine.setFolderIconFrames({{member.id, QRectF(450, 350, 80, 80)}});
        engine.setOpenedGroupID(folder.id);
        engine.reorderEnabled = false; // as the views set it while a folder is open
        engine.onDragOutFromFolder = [this](const QUuid& app, const QUuid& group) { dragOuts.append({app, group}); };
    }
    AppGroup folder;
    AppItem member;
    QList<QPair<QUuid, QUuid>> dragOuts;
};

TEST_F(FolderDragOutTest, LeavesTheFolderOnlyOutsideThePanel)
{
    engine.folderPanelFrame = QRectF(400, 300, 200, 200);
    press({490, 390});
    EXPECT_EQ(engine.mouseDownFolderAppID(), member.id);
    drag({499, 390});
    EXPECT_TRUE(dragOuts.isEmpty());
    EXPECT_FALSE(engine.isReorderDragging());
    drag({620, 390});
    EXPECT_EQ(dragOuts, (QList<QPair<QUuid, QUuid>>{{member.id, folder.id}}));
    EXPECT_EQ(engine.reorderDraggedEntryID(), member.id);
    EXPECT_TRUE(engine.shouldCancelClose);
    EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: 从文件夹拖出 — Member")));
}

TEST_F(FolderDragOutTest, WithoutAPanelFrameLeavesBeyondTheFallbackDistance)
{
    press({490, 390});
    drag({490 + 79, 390});
    EXPECT_TRUE(dragOuts.isEmpty());
    drag({490 + 81, 390});
    EXPECT_EQ(dragOuts.size(), 1);
}

TEST_F(FolderDragOutTest, UnknownFolderAllowsNoDragOut)
{
    groups.clear();
    press({490, 390});
    EXPECT_EQ(engine.mouseDownFolderAppID(), std::nullopt);
}

} // namespace
} // namespace corvanta::test
