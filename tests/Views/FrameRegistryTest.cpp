#include "Views/FrameRegistry.h"

#include "Support/InteractionTestKit.h"

#include <QGraphicsRectItem>

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

struct FrameRegistryTest : ::testing::Test {
    VirtualScheduler scheduler{0};
    FakeInteractionPlatform platform;
    InteractionManager engine{scheduler, platform, PagerVariants{}};
    FrameRegistry registry{scheduler};
    const QUuid a = QUuid::createUuid();
    const QUuid b = QUuid::createUuid();

    FrameRegistryTest() { engine.contentSize = QSizeF(1000, 800); }
};

} // namespace

TEST_F(FrameRegistryTest, CombinesReportsAndWritesTheEngineOncePerTurn)
{
    registry.connectOuterFrames(engine);
    int iconDeliveries = 0;
    const auto engineWrite = registry.onIconFrames;
    registry.onIconFrames = [&](const FrameRegistry::IconFrames& frames) {
        ++iconDeliveries;
        engineWrite(frames);
    };

    FrameReport cell(registry, FrameKind::icon);
    FrameReport placeholder(registry, FrameKind::icon);
    FrameReport other(registry, FrameKind::icon);
    FrameReport searchBar(registry, FrameKind::chrome);
    FrameReport dot(registry, FrameKind::chrome);
    cell.reportIcon(a, {10, 10, 50, 50});
    placeholder.reportIcon(a, {300, 10, 50, 50}); // the same entry, reported later: wins
    other.reportIcon(b, {100, 100, 50, 50});
    dot.report({500, 700, 8, 8});
    searchBar.report({372, 56, 255, 36});
    EXPECT_TRUE(engine.outerIconFrames().isEmpty()); // not before the turn ends

    scheduler.advance(0);
    EXPECT_EQ(iconDeliveries, 1);
    EXPECT_EQ(engine.outerIconFrames().value(a), QRectF(300, 10, 50, 50));
    EXPECT_EQ(engine.outerIconFrames().size(), 2);
    // Lists keep the order the reporters were made in, not the order of the reports.
    EXPECT_EQ(engine.outerChromeFrames(), (QList<QRectF>{{372, 56, 255, 36}, {500, 700, 8, 8}}));
    EXPECT_EQ(engine.appID({320, 800 - 30}), a); // the engine hit-tests what it was given

    // The same values again change nothing; a cell that stops reporting drops out.
    cell.reportIcon(a, {10, 10, 50, 50});
    scheduler.advance(0);
    EXPECT_EQ(iconDeliveries, 1);
    placeholder.clear();
    scheduler.advance(0);
    EXPECT_EQ(engine.outerIconFrames().value(a), QRectF(10, 10, 50, 50));
    {
        FrameReport gone = std::move(other);
    }
    registry.flush();
    EXPECT_FALSE(engine.outerIconFrames().contains(b));
    EXPECT_EQ(iconDeliveries, 3);
}

TEST_F(FrameRegistryTest, PanelFrameIsTheFirstReportedAndNilWithoutOne)
{
    engine.folderPanelFrame = QRectF(1, 2, 3, 4); // left over from before
    engine.titleFrames = {QRectF(1, 1, 1, 1)};
    registry.connectOuterFrames(engine);
    EXPECT_FALSE(engine.folderPanelFrame.has_value());
    EXPECT_TRUE(engine.titleFrames.isEmpty());

    auto panel = std::make_unique<FrameReport>(registry, FrameKind::folderPanel);
    FrameReport second(registry, FrameKind::folderPanel);
    FrameReport title(registry, FrameKind::title);
    panel->report({200, 150, 600, 500});
    second.report({0, 0, 10, 10});
    title.report({400, 120, 200, 30});
    registry.flush();
    EXPECT_EQ(engine.folderPanelFrame, QRectF(200, 150, 600, 500));
    EXPECT_EQ(engine.titleFrames, QList<QRectF>{QRectF(400, 120, 200, 30)});

    panel.reset();
    second.clear();
    registry.flush();
    EXPECT_FALSE(engine.folderPanelFrame.has_value());
}

TEST_F(FrameRegistryTest, PagerCapturesReplaceTablesAndShiftThem)
{
    const QRectF icon(100, 100, 50, 50);
    const QRectF chrome(10, 10, 8, 8);
    applyCapturedIconFrames(engine, QHash<QUuid, QRectF>{{a, icon}}, -1000);
    applyCapturedChromeFrames(engine, QList<QRectF>{chrome}, -1000);
    EXPECT_EQ(engine.gridIconFrames().value(a), icon.translated(-1000, 0));
    EXPECT_EQ(engine.gridChromeFrames(), QList<QRectF>{chrome.translated(-1000, 0)});

    // No frames, new translation: the captured tables stay, only the shift changes.
    applyCapturedIconFrames(engine, std::nullopt, -400);
    applyCapturedChromeFrames(engine, std::nullopt, -400);
    EXPECT_EQ(engine.capturedGridIconFrames().value(a), icon);
    EXPECT_EQ(engine.gridIconFrames().value(a), icon.translated(-400, 0));
    EXPECT_EQ(engine.gridChromeFrames(), QList<QRectF>{chrome.translated(-400, 0)});

    // New frames at the same translation are used at once.
    applyCapturedIconFrames(engine, QHash<QUuid, QRectF>{{b, icon}}, -400);
    EXPECT_FALSE(engine.gridIconFrames().contains(a));
    EXPECT_EQ(engine.gridIconFrames().value(b), icon.translated(-400, 0));
    applyCapturedIconFrames(engine, std::nullopt, 0);
    EXPECT_EQ(engine.gridIconFrames().value(b), icon);
}

TEST(LayoutFrame, FollowsPositionsAndIgnoresTransitionScale)
{
    QGraphicsRectItem root(0, 0, 1000, 800);
    auto* content = new QGraphicsRectItem(0, 0, 1000, 800, &root);
    content->setTransformOriginPoint(500, 400);
    content->setScale(1.1);
    auto* area = new QGraphicsRectItem(0, 0, 1000, 600, content);
    area->setPos(0, 92);
    auto* cell = new QGraphicsRectItem(0, 0, 170, 134, area);
    cell->setPos(340, 134);
    EXPECT_EQ(layoutFrame(cell, QRectF(48, 16, 72, 72), &root), QRectF(388, 242, 72, 72));
    EXPECT_EQ(layoutFrame(cell, QRectF(0, 0, 10, 10), area), QRectF(340, 134, 10, 10));
}
