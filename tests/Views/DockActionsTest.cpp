// The root view's Dock actions: pinning by a drop and starting a real drag of the bundle.
#include "Views/DockDropHintView.h"
#include "Views/GridHosts.h"
#include "Views/RootViewTestKit.h"
#include "Views/SystemDockDrag.h"
#include "common/ProcessUntil.h"

#include <QDrag>
#include <QMimeData>
#include <QWidget>

namespace corvanta::test {
namespace {

class DockActionsTest : public RootViewTest {
protected:
    void SetUp() override
    {
        notes = makeApp(QStringLiteral("Notes"), QStringLiteral("com.example.notes"), QStringLiteral("/Applications/Notes.app"));
        storeWithPages({page({PageEntry(notes)})});
        makeView().syncInteractionManager();
        engine.onClose = [this] { ++closes; };
    }
    AppItem notes;
    QWindow window;
    int closes = 0;
    LogCapture log;
};

TEST_F(DockActionsTest, ADropLogsWhatThePinDidAndClosesTheOverlayWhatever)
{
    struct Case {
        DockManager::Outcome outcome;
        QString line;
    };
    const Case cases[] = {
        {DockManager::Outcome::added(), QStringLiteral("阶段38：已加入程序坞 — Notes（/Applications/Notes.app）")},
        {DockManager::Outcome::alreadyPresent(), QStringLiteral("阶段38：已在程序坞中，未重复添加 — Notes")},
        {DockManager::Outcome::failed(QStringLiteral("应用路径不存在：/Applications/Notes.app")),
            QStringLiteral("阶段38：加入程序坞失败 — Notes：应用路径不存在：/Applications/Notes.app")},
    };
    int expectedCloses = 0;
    for (const Case& c : cases) {
        QList<AppItem> pinned;
        view->pinToDock = [&](const AppItem& app) {
            pinned << app;
            return c.outcome;
        };
        engine.onDropToDock(notes.id);
        EXPECT_EQ(pinned, QList<AppItem>{notes});
        EXPECT_TRUE(log.contains(c.line)) << c.line.toStdString();
        EXPECT_EQ(closes, ++expectedCloses);
        EXPECT_TRUE(engine.shouldCancelClose);
    }

    const QUuid unknown = QUuid::createUuid();
    engine.onDropToDock(unknown);
    EXPECT_TRUE(log.contains(QStringLiteral("阶段38：找不到条目 ") + unknown.toString(QUuid::WithoutBraces).toUpper() + QStringLiteral("，取消投放")));
    EXPECT_EQ(closes, expectedCloses) << "the overlay stays open";
}

TEST_F(DockActionsTest, TheSystemDragNeedsTheAppTheWindowAndADockThatTakesFiles)
{
    QList<AppItem> dragged;
    bool starts = false;
    view->systemDockDrag = [&](const AppItem& app, const QPointF&) {
        dragged << app;
        return starts;
    };
    EXPECT_FALSE(engine.onBeginSystemDockDrag(notes.id, InputEvent{}));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段108：系统拖拽启动失败 — 找不到应用或窗口")));
    EXPECT_TRUE(dragged.isEmpty());

    engine.setOverlayWindow(&window);
    EXPECT_FALSE(engine.onBeginSystemDockDrag(notes.id, InputEvent{}));
    starts = true;
    EXPECT_TRUE(engine.onBeginSystemDockDrag(notes.id, InputEvent{}));
    EXPECT_EQ(dragged.size(), 2);
    EXPECT_TRUE(log.contains(QStringLiteral("阶段108：系统拖拽会话已启动 — Notes（file-url 投放，Dock 原生接收）")));
}

TEST_F(DockActionsTest, TheHintStaysOnTheScreenAndLeavesWithTheDrag)
{
    show();
    scheduler.advance(0.5);
    engine.setOverlayWindow(&window);
    engine.dockDropZoneContains = [](const QPointF& p) { return p.y() < 20; }; // a strip along the bottom
    view->pinToDock = [](const AppItem&) { return DockManager::Outcome::added(); };
    const DockDropHintView& hint = *view->hosts()->dockDropHint();
    const QRectF icon(100, 100, 72, 72); // the overlay's coordinates, origin top left
    const auto window = [](const QPointF& p) { return QPointF(p.x(), 900 - p.y()); };
    const auto startDrag = [&] {
        engine.seedGridIconFrame(notes.id, icon);
        engine.handleMouseDown(window(icon.center()));
        engine.handleMouseDrag(window(icon.center() + QPointF(30, 0)));
        ASSERT_TRUE(engine.isReorderDragging());
    };
    startDrag();
    EXPECT_FALSE(hint.isVisible());

    // Over the strip the pill floats 56 pt above the cursor; in a corner it moves in, not off.
    engine.handleMouseDrag(window({720, 895}));
    ASSERT_TRUE(engine.isOverDockDropZone());
    EXPECT_TRUE(hint.isVisible());
    EXPECT_EQ(hint.pillRect().center(), QPointF(720, 839));
    const QRectF screen = QRectF(0, 0, 1440, 900).adjusted(4, 4, -4, -4);
    for (const QPointF corner : {QPointF(1439, 899), QPointF(0, 899), QPointF(1300, 885)}) {
        engine.handleMouseDrag(window(corner));
        EXPECT_TRUE(screen.contains(hint.pillRect())) << corner.x();
        EXPECT_EQ(hint.pillRect().center().y(), corner.y() - 56);
    }

    // Held still over the strip it waits for the release; the drop takes it away.
    scheduler.advance(2 * engine.dragStillJiggleDelay);
    EXPECT_TRUE(hint.isVisible());
    EXPECT_FALSE(engine.isJiggleMode());
    engine.handleMouseUp(window({1300, 885}));
    EXPECT_FALSE(hint.isVisible());
    EXPECT_EQ(closes, 1);

    // Back over the grid it goes; held still there, jiggle mode starts and ends without it.
    show();
    startDrag();
    engine.handleMouseDrag(window({720, 895}));
    ASSERT_TRUE(hint.isVisible());
    engine.handleMouseDrag(window({400, 400}));
    EXPECT_FALSE(hint.isVisible());
    scheduler.advance(2 * engine.dragStillJiggleDelay);
    ASSERT_TRUE(engine.isJiggleMode());
    engine.handleMouseUp(window({400, 400}));
    engine.exitJiggleMode();
    EXPECT_FALSE(hint.isVisible());

    // A hide in the middle of a drag takes it away too.
    startDrag();
    engine.handleMouseDrag(window({720, 895}));
    ASSERT_TRUE(hint.isVisible());
    hide();
    EXPECT_FALSE(hint.isVisible());
}

TEST(SystemDockDrag, CarriesTheBundlesFileUrlAfterTheCallerReturns)
{
    VirtualScheduler scheduler;
    FakeInteractionPlatform platform;
    InteractionManager engine(scheduler, platform, PagerVariants{});
    QWidget source;
    source.resize(400, 300);
    const AppItem notes = makeApp(QStringLiteral("Notes"), QStringLiteral("com.example.notes"), QStringLiteral("/Applications/Notes.app"));

    bool dockTakesFiles = false;
    QList<QList<QUrl>> carried;
    SystemDockDrag::Options options;
    options.receiverAvailable = [&] { return dockTakesFiles; };
    options.exec = [&](QDrag& drag) {
        carried << drag.mimeData()->urls();
        return Qt::CopyAction;
    };
    SystemDockDrag drag(engine, source, options);

    EXPECT_FALSE(drag.begin(notes, QPointF(10, 10)));
    EXPECT_EQ(engine.dockDragCoordinator, nullptr);

    dockTakesFiles = true;
    ASSERT_TRUE(drag.begin(notes, QPointF(10, 10)));
    EXPECT_NE(engine.dockDragCoordinator, nullptr);
    EXPECT_TRUE(carried.isEmpty()) << "the drag waits for the next turn of the loop";
    ASSERT_TRUE(processUntil([&] { return !carried.isEmpty(); }));
    EXPECT_EQ(carried.first(), QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/Applications/Notes.app"))});
    EXPECT_EQ(engine.dockDragCoordinator, nullptr) << "the source lives as long as the drag";
}

} // namespace
} // namespace corvanta::test
