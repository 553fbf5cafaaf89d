// The grid page's costs: one reconcile of a 35-icon page against a rebuilt layout value (every
// cell kept), building a 35-icon page afresh (what preparing the pages costs per page: about 86
// of them at 3,000 applications), one frame of a reorder glide, and drawing the page off screen
// in software.
#include "Services/IconCache.h"
#include "Support/VirtualScheduler.h"
#include "Views/FrameRegistry.h"
#include "Views/TilehallGridView.h"

#include "OffscreenBenchMain.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace corvanta;

namespace {

struct Fixture {
    VirtualScheduler scheduler{0};
    QTemporaryDir root;
    IconDiskCache disk{[this] { return root.filePath(QStringLiteral("IconCache")); }, [](Task t) { t(); }};
    FakeIconProvider provider;
    IconCache icons{disk, provider, [](Task t) { t(); }};
    FrameRegistry frames{scheduler};
    QGraphicsScene scene;
    GridMetrics metrics{QSizeF(1440, 900), 5, 7, 1.0};
    TilehallPage page;
    TilehallGridView* view = nullptr;

    Fixture()
    {
        page.id = QUuid::createUuid();
        for (int i = 0; i < 35; ++i) {
            AppItem a;
            a.id = QUuid::createUuid();
            a.name = QStringLiteral("应用 %1").arg(i);
            a.bundleIdentifier = QStringLiteral("org.example.app%1").arg(i);
            a.url = QUrl::fromLocalFile(QStringLiteral("/Applications/App%1.app").arg(i));
            icons.loadImage(IconCache::cacheKey(a), a.path());
            page.entries.append(PageEntry(a));
        }
        GridCellServices s;
        s.scheduler = &scheduler;
        s.icons = &icons;
        s.iconLoads = [](Task t) { t(); };
        s.mainThread = [](Task t) { t(); };
        s.frames = &frames;
        view = new TilehallGridView(s, page, metrics);
        scene.addItem(view);
    }
};

void BM_ReconcilePage(benchmark::State& state)
{
    Fixture f;
    TilehallPage rebuilt = f.page;
    for (auto _ : state) {
        f.view->setPage(rebuilt, false);
        f.frames.flush();
    }
}
BENCHMARK(BM_ReconcilePage)->Unit(benchmark::kMicrosecond);

void BM_BuildPage(benchmark::State& state)
{
    Fixture f;
    GridCellServices s;
    s.scheduler = &f.scheduler;
    s.icons = &f.icons;
    s.iconLoads = [](Task t) { t(); };
    s.mainThread = [](Task t) { t(); };
    s.frames = &f.frames;
    for (auto _ : state) {
        auto* page = new TilehallGridView(s, f.page, f.metrics, f.view);
        f.frames.flush();
        state.PauseTiming();
        delete page;
        f.frames.flush();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BuildPage)->Unit(benchmark::kMicrosecond);

void BM_ReorderGlideFrame(benchmark::State& state)
{
    Fixture f;
    TilehallPage moved = f.page;
    for (auto _ : state) {
        state.PauseTiming();
        moved.entries.move(0, 34);
        f.view->setPage(moved, true);
        state.ResumeTiming();
        f.scheduler.advance(1.0 / 60);
    }
}
BENCHMARK(BM_ReorderGlideFrame)->Unit(benchmark::kMicrosecond);

void BM_DrawPage(benchmark::State& state)
{
    Fixture f;
    QImage target(1440, 900, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        target.fill(Qt::black);
        QPainter painter(&target);
        f.scene.render(&painter, QRectF(0, 0, 1440, 900), QRectF(0, 0, 1440, 900));
    }
}
BENCHMARK(BM_DrawPage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runOffscreenBenchmarks(argc, argv);
}
