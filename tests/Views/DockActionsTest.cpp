// The root view's Dock actions: pinning by a drop and starting a real drag of the bundle.
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
