// The interaction engine's per-event costs: a drag event of a live reorder drag, hit tests over a
// large frame table, one frame of the settle animation and the settle curve.
#include "Platform/InteractionPlatform.h"
#include "Support/InteractionManager.h"
#include "Support/TimingCurve.h"
#include "Support/VirtualScheduler.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>

// Every heap allocation of the process goes through malloc, Qt's containers included: count them
// so that a benchmark can report how many its loop made.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
}
namespace {
std::atomic<long> g_allocations{0};
}
extern "C" {
void* malloc(size_t n)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, n);
}
}

using namespace corvanta;

namespace {

class BenchPlatform final : public InteractionPlatform {
public:
    std::unique_ptr<EventMonitorHandle> addLocalMonitor(OverlayProvider, LocalHandler) override { return nullptr; }
    std::unique_ptr<EventMonitorHandle> addGlobalScrollMonitor(OverlayProvider, GlobalHandler) override { return nullptr; }
    bool isWindowVisible(const QWindow*) const override { return true; }
    bool hasModalWindow() const override { return false; }
    bool modalWindowAtOrAboveOverlay(const QWindow*) const override { return false; }
    void abortModalSessionAndCloseModalWindow() override {}
    std::optional<double> displayRefreshRate() const override { return 120.0; }
};

constexpr double kWidth = 1440;
constexpr double kHeight = 900;

QRectF slotFrame(int page, int index) // 7 columns x 5 rows per page, pages side by side
{
    return QRectF(page * kWidth + 100 + 180 * (index % 7), 60 + 160 * (index / 7), 96, 96);
}

struct Grid {
    explicit Grid(int pages)
    {
        for (int p = 0; p < pages; ++p) {
            QList<QUuid> page;
            for (int i = 0; i < 35; ++i) {
                const QUuid id = QUuid::createUuid();
                page.append(id);
                frames.insert(id, slotFrame(p, i));
            }
            ids.append(page);
        }
    }
    QList<QList<QUuid>> ids;
    QHash<QUuid, QRectF> frames;
};

// A live reorder drag on page 3 of 20 (700 captured frames, shifted by the strip's translation),
// the cursor moving over the gaps between icons: the steady state of a drag.
void BM_ReorderDragEvent(benchmark::State& state)
{
    VirtualScheduler scheduler;
    BenchPlatform platform;
    InteractionManager engine(scheduler, platform, PagerVariants{});
    Grid grid(20);
    engine.contentSize = QSizeF(kWidth, kHeight);
    engine.pageCount = 20;
    engine.setCapturedGridIconFrames(grid.frames);
    engine.setGridIconFrameOffset(-3 * kWidth);
    engine.setOuterIconFrames({{grid.ids[3][0], slotFrame(0, 0)}}); // the placeholder
    engine.pagerOffset().setPage(3);
    engine.pageEntryIDsProvider = [&grid](int page) { return page >= 0 && page < grid.ids.size() ? grid.ids[page] : QList<QUuid>(); };
    engine.onReorderMove = [](const QUuid&, int, int) {};
    const QPointF start(148, kHeight - 108); // icon 0, bottom-left origin
    engine.handleMouseDown(start);
    engine.handleMouseDrag(start + QPointF(30, 0));
    if (!engine.isReorderDragging()) {
        state.SkipWithError("no reorder drag");
        return;
    }
    // Gaps between the columns, outside every icon's zone.
    const QPointF gaps[] = {{238, kHeight - 220}, {418, kHeight - 380}, {778, kHeight - 540}, {958, kHeight - 700}};
    std::size_t n = 0;
    engine.handleMouseDrag(gaps[0]); // warm the caches
    const long before = g_allocations.load();
    for (auto _ : state) {
        engine.handleMouseDrag(gaps[n++ & 3]);
        benchmark::ClobberMemory();
    }
    state.counters["allocs_per_event"] = double(g_allocations.load() - before) / double(state.iterations());
}
BENCHMARK(BM_ReorderDragEvent)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_HitTest1000Frames(benchmark::State& state)
{
    VirtualScheduler scheduler;
    BenchPlatform platform;
    InteractionManager engine(scheduler, platform, PagerVariants{});
    QHash<QUuid, QRectF> frames;
    for (int i = 0; i < 1000; ++i)
        frames.insert(QUuid::createUuid(), QRectF(10 + 40 * (i % 30), 10 + 25 * (i / 30), 30, 20));
    engine.contentSize = QSizeF(kWidth, kHeight);
    engine.setCapturedGridIconFrames(frames);
    const QPointF miss(1400, 20); // no frame there: the whole table is scanned
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine.appID(miss));
        benchmark::DoNotOptimize(engine.isInteractiveElement(miss));
    }
}
BENCHMARK(BM_HitTest1000Frames);

void BM_SettleTick(benchmark::State& state)
{
    VirtualScheduler scheduler;
    BenchPlatform platform;
    InteractionManager engine(scheduler, platform, PagerVariants{});
    engine.contentSize = QSizeF(kWidth, kHeight);
    engine.pageCount = 3;
    int target = 1;
    for (auto _ : state) {
        if (!engine.settleFlight()) {
            state.PauseTiming();
            target = 1 - target;
            engine.settle(target, QStringLiteral("bench"));
            state.ResumeTiming();
        }
        scheduler.advance(1.0 / 120);
    }
}
BENCHMARK(BM_SettleTick);

void BM_SettleCurve10000(benchmark::State& state)
{
    const TimingCurve curve = TimingCurve::easeOut();
    for (auto _ : state) {
        double sum = 0;
        for (int i = 0; i < 10000; ++i)
            sum += curve.value(i / 10000.0);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_SettleCurve10000);

} // namespace

int main(int argc, char** argv)
{
    // Setup lines go to the logger: keep its file out of the real home.
    static QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
