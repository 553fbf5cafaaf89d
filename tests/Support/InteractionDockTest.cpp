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

TEST_F(DockZoneTest, HoldingStillOverTheStripWaitsForTheRelease)
{
    startReorder(slotCenter(2));
    drag({500, 795});
    ASSERT_TRUE(engine.isOverDockDropZone());
    moves.clear();
    scheduler.advance(2 * engine.dragStillJiggleDelay);
    EXPECT_FALSE(engine.isJiggleMode()) << "a hover over the Dock is not cut short";
    EXPECT_TRUE(moves.isEmpty());
    EXPECT_TRUE(engine.isOverDockDropZone());
    release({500, 795});
    EXPECT_EQ(drops, QList<QUuid>({id(0, 2)}));
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

    // The drag's own loop took the mouse-up: the press is over all the same, so the next moves of
    // the mouse neither page nor drag anything.
    EXPECT_FALSE(engine.mouseDownPoint());
    EXPECT_FALSE(engine.reorderDidStart());
    send(InputEvent::Kind::LeftMouseDragged, {300, 400});
    send(InputEvent::Kind::LeftMouseDragged, {100, 400});
    EXPECT_FALSE(engine.isDragging());
    EXPECT_EQ(engine.pagerOffset().x(), 0);
}

TEST_F(DockZoneTest, EnteringTheZoneCancelsAPendingMakeRoomMove)
{
    startReorder(slotCenter(2));
    drag({305, 350}); // beside icon 5: room is made a moment later
    drag({500, 795});    // ...but the Dock is reached first
    EXPECT_TRUE(engine.isOverDockDropZone());
    scheduler.advance(1);
    EXPECT_EQ(moves, QList<MoveCall>({{id(0, 2), 0, 2}})) << "only the move back to the start slot";
    release({500, 795});
    EXPECT_EQ(drops, QList<QUuid>({id(0, 2)}));
}

TEST_F(DockZoneTest, ArmingAsksWhetherTheDockHasTheAppAlready)
{
    QList<QString> asked;
    engine.dockContainsApp = [&](const AppItem& app) {
        asked << app.name;
        return app.name == QStringLiteral("A0.2");
    };
    startReorder(slotCenter(2));
    EXPECT_TRUE(engine.dockDropArmed());
    EXPECT_TRUE(engine.dockDropAlreadyPresent());
    release(slotCenter(2));
    scheduler.advance(1); // the entry has flown back
    startReorder(slotCenter(3));
    EXPECT_FALSE(engine.dockDropAlreadyPresent());
    EXPECT_EQ(asked, (QList<QString>{"A0.2", "A0.3"}));
}

} // namespace
} // namespace corvanta::test
