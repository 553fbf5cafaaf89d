#pragma once

#include "Platform/InteractionPlatform.h"
#include "Support/InteractionManager.h"
#include "Support/VirtualScheduler.h"
#include "common/LogCapture.h"

#include <QWindow>

#include <gtest/gtest.h>

namespace corvanta::test {

// A windowing system the test controls: monitors hand their handlers to the test, and the modal
// window and screen are whatever the test says.
class FakeInteractionPlatform final : public InteractionPlatform {
public:
    struct Handle final : EventMonitorHandle {
        explicit Handle(int* live) : live(live) { ++*live; }
        ~Handle() override { --*live; }
        int* live;
    };

    std::unique_ptr<EventMonitorHandle> addLocalMonitor(OverlayProvider, LocalHandler handler) override
    {
        ++localInstalls;
        local = std::move(handler);
        return std::make_unique<Handle>(&liveMonitors);
    }
    std::unique_ptr<EventMonitorHandle> addGlobalScrollMonitor(OverlayProvider, GlobalHandler handler) override
    {
        ++globalInstalls;
        global = std::move(handler);
        return std::make_unique<Handle>(&liveMonitors);
    }
    bool isWindowVisible(const QWindow*) const override { return overlayVisible; }
    bool hasModalWindow() const override { return modalUp; }
    bool modalWindowAtOrAboveOverlay(const QWindow*) const override { return modalAbove; }
    void abortModalSessionAndCloseModalWindow() override
    {
        ++modalAborts;
        modalUp = false;
    }
    std::optional<double> displayRefreshRate() const override { return refreshRate; }

    LocalHandler local;
    GlobalHandler global;
    int localInstalls = 0;
    int globalInstalls = 0;
    int liveMonitors = 0;
    bool overlayVisible = true;
    bool modalUp = false;
    bool modalAbove = false;
    int modalAborts = 0;
    std::optional<double> refreshRate = 60.0;
};

struct MoveCall {
    QUuid entry;
    int page;
    int index;
    bool operator==(const MoveCall&) const = default;
};

// A 1000 x 800 overlay with a grid of 100 x 100 icons on a 200 pt pitch (four per row, two
// rows: icon k of a page sits at x = 100 + 200 * (k % 4), y = 100 + 200 * (k / 4)), on
// `pages` pages. Points in the tests are top-left; tl() turns them into event positions.
class InteractionTest : public ::testing::Test {
protected:
    static constexpr double kWidth = 1000;
    static constexpr double kHeight = 800;

    explicit InteractionTest(PagerVariants variants = {}) : engine(scheduler, platform, variants) {}

    void SetUp() override
    {
        engine.setOverlayWindow(&window);
        engine.contentSize = QSizeF(kWidth, kHeight);
        engine.screenWidth = kWidth;
        setPages({8, 8, 8});
        engine.appLookup = [this](const QUuid& id) -> std::optional<AppItem> {
            if (!apps.contains(id))
                return std::nullopt;
            AppItem app;
            app.id = id;
            app.name = apps.value(id);
            return app;
        };
        engine.groupLookup = [this](const QUuid& id) -> std::optional<AppGroup> {
            if (!groups.contains(id))
                return std::nullopt;
            return groups.value(id);
        };
        engine.pageEntryIDsProvider = [this](int page) {
            return page >= 0 && page < pageIDs.size() ? pageIDs[page] : QList<QUuid>();
        };
        engine.onReorderMove = [this](const QUuid& entry, int page, int index) { moves.append({entry, page, index}); };
        engine.onMergeEntries = [this](const QUuid& dragged, const QUuid& target) { merges.append({dragged, target}); };
        engine.onClose = [this] { ++closes; };
    }

    // Fills `pages` pages with apps named "A<page>.<index>" and reports the current page's frames.
    void setPages(const QList<int>& counts)
    {
        pageIDs.clear();
        apps.clear();
        for (int p = 0; p < counts.size(); ++p) {
            QList<QUuid> ids;
            for (int i = 0; i < counts[p]; ++i) {
                const QUuid id = QUuid::createUuid();
                ids.append(id);
                apps.insert(id, QStringLiteral("A%1.%2").arg(p).arg(i));
            }
            pageIDs.append(ids);
        }
        engine.pageCount = int(counts.size());
        reportFrames(0);
    }

    static QRectF slot(int index) { return QRectF(100 + 200 * (index % 4), 100 + 200 * (index / 4), 100, 100); }
    static QPointF slotCenter(int index) { return slot(index).center(); }

    void reportFrames(int page)
    {
        QHash<QUuid, QRectF> frames;
        for (int i = 0; i < pageIDs[page].size(); ++i)
            frames.insert(pageIDs[page][i], slot(i));
        engine.setCapturedGridIconFrames(frames);
    }

    QUuid id(int page, int index) const { return pageIDs[page][index]; }

    static QPointF tl(const QPointF& topLeft) { return {topLeft.x(), kHeight - topLeft.y()}; }
    static QPointF tl(double x, double y) { return tl(QPointF(x, y)); }

    void press(const QPointF& p) { engine.handleMouseDown(tl(p)); }
    void drag(const QPointF& p) { engine.handleMouseDrag(tl(p)); }
    void release(const QPointF& p) { engine.handleMouseUp(tl(p)); }

    // Presses on a point and moves 20 pt right, which starts a reorder drag of an icon there.
    void startReorder(const QPointF& p)
    {
        press(p);
        drag(p + QPointF(20, 0));
        ASSERT_TRUE(engine.isReorderDragging());
    }

    // Sends one monitor event of the overlay window.
    bool send(InputEvent::Kind kind, const QPointF& topLeft, InputEvent::Element element = InputEvent::Element::None)
    {
        InputEvent e;
        e.kind = kind;
        e.location = tl(topLeft);
        e.window = InputEvent::Window::Overlay;
        e.element = element;
        e.timestamp = scheduler.now();
        return platform.local(e);
    }

    static InputEvent scroll(double dx, double dy, bool precise, unsigned phase = 0, unsigned momentum = 0)
    {
        InputEvent e;
        e.kind = InputEvent::Kind::ScrollWheel;
        e.scrollingDeltaX = dx;
        e.scrollingDeltaY = dy;
        e.hasPreciseScrollingDeltas = precise;
        e.phase = phase;
        e.momentumPhase = momentum;
        e.window = InputEvent::Window::Overlay;
        return e;
    }

    bool wheel(InputEvent e)
    {
        e.timestamp = scheduler.now();
        return engine.handleScrollWheel(e);
    }

    double contentOffset() const { return engine.pagerOffset().x() - kWidth * engine.pagerOffset().page(); }

    VirtualScheduler scheduler;
    FakeInteractionPlatform platform;
    QWindow window;
    InteractionManager engine;
    LogCapture log;

    QList<QList<QUuid>> pageIDs;
    QHash<QUuid, QString> apps;
    QHash<QUuid, AppGroup> groups;
    QList<MoveCall> moves;
    QList<QPair<QUuid, QUuid>> merges;
    int closes = 0;
};

} // namespace corvanta::test
