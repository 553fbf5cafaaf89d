#include "InteractionTestKit.h"

namespace corvanta::test {
namespace {

// A screen whose Dock strip is the bottom 20 pt of the window.
class DockZoneTest : public InteractionTest {
protected:
    void SetUp() override
    {
        InteractionTest::SetUp();
        engine.dockDropZoneContains = [](const QPointF& p) { return p.y() < 20; };
        engine.onDropToDock = [this](const QUuid& entry) { drops << entry; };
    }
    QList<QUuid> drops;
};

TEST_F(DockZoneTest, WithoutADockStripThereIsNoZone)
{
    engine.dockDropZoneContains = nullptr;
    startReorder(slotCenter(2));
    drag({500, 795});
    EXPECT_FALSE(engine.isOverDockDropZone());
    release({500, 795});
    EXPECT_TRUE(drops.isEmpty());
}

TEST_F(DockZoneTest, ReleaseOverTheStripPinsTheAppFromItsStartSlot)
{
    startReorder(slotCenter(2));
    drag(slotCenter(5)); // made room elsewhere first
    scheduler.advance(0.1);
    drag({500, 795});
    EXPECT_TRUE(engine.isOverDockDropZone());
    EXPECT_EQ(moves.last(), (MoveCall{id(0, 2), 0, 2})); // back where it started
    release({500, 795});
    EXPECT_EQ(drops, QList<QUuid>({id(0, 2)}));
    EXPECT_EQ(engine.reorderDraggedEntryID(), std::nullopt);
    EXPECT_FALSE(engine.isOverDockDropZone());
}

TEST_F(DockZoneTest, FoldersNeverArmTheZone)
{
    apps.remove(id(0, 2)); // now a folder as far as the lookups know
    startReorder(slotCenter(2));
    drag({500, 795});
    EXPECT_FALSE(engine.isOverDockDropZone());
}

TEST_F(DockZoneTest, ASystemDragTakesOverUntilItEnds)
{
    engine.installMouseMonitor();
    engine.onBeginSystemDockDrag = [](const QUuid&, const InputEvent&) { return true; };
    send(InputEvent::Kind::LeftMouseDown, slotCenter(2));
    send(InputEvent::Kind::LeftMouseDragged, slotCenter(2) + QPointF(20, 0));
    send(InputEvent::Kind::LeftMouseDragged, {500, 795});
    EXPECT_TRUE(engine.systemDockDragActive());
    EXPECT_FALSE(engine.isReorderDragging());
    EXPECT_EQ(engine.reorderDraggedEntryID(), std::nullopt);
    send(InputEvent::Kind::LeftMouseUp, {500, 795}); // the system drag owns the mouse
    EXPECT_TRUE(engine.mouseDownPoint());

    moves.clear();
    engine.finishSystemDockDrag(0, tl(slotCenter(6) + QPointF(5, 5))); // refused by the Dock
    EXPECT_FALSE(engine.systemDockDragActive());
    EXPECT_EQ(moves, QList<MoveCall>({{id(0, 2), 0, 6}}));
}

} // namespace
} // namespace corvanta::test
