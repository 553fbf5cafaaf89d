// One frame of the folder morph drawn off screen in software, at 1440 × 900 with a 35-member
// folder 10 %, 50 % and 90 % into its opening: the dimmed backdrop, the panel's shadow and glass (cropped from a blurred
// backdrop) and 35 flying icons under the panel's mask. Beside it the floor: the least a frame of
// such a morph needs, one full-screen backdrop blit and 35 scaled icon blits.
#include "Platform/InteractionPlatform.h"
#include "Services/IconCache.h"
#include "Support/InteractionManager.h"
#include "Support/VirtualScheduler.h"
#include "Views/FolderOverlayView.h"
#include "Views/FrameRegistry.h"

#include "OffscreenBenchMain.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace corvanta;

namespace {

const QRectF kScreen(0, 0, 1440, 900);

struct Fixture {
    VirtualScheduler scheduler{0};
    QTemporaryDir root;
    IconDiskCache disk{[this] { return root.filePath(QStringLiteral("IconCache")); }, [](Task t) { t(); }};
    FakeIconProvider provider;
    IconCache icons{disk, provider, [](Task t) { t(); }};
    FrameRegistry frames{scheduler};
    InteractionManager engine{scheduler, InteractionPlatform::system(), PagerVariants{}};
    QGraphicsScene scene;
    GridMetrics metrics{kScreen.size(), 5, 7, 1.0};
    QImage backdrop{1440, 900, QImage::Format_ARGB32_Premultiplied};
    AppGroup group;
    FolderOverlayView* view = nullptr;

    // `elapsed`: how far into the 0.28 s opening the frame is, as a fraction.
    explicit Fixture(double elapsed = 0.5)
    {
        backdrop.fill(QColor(40, 80, 120));
        group.id = QUuid::createUuid();
        group.name = QStringLiteral("Utilities");
        for (int i = 0; i < 35; ++i) {
            AppItem a;
            a.id = QUuid::createUuid();
            a.name = QStringLiteral("应用 %1").arg(i);
            a.bundleIdentifier = QStringLiteral("org.example.app%1").arg(i);
            a.url = QUrl::fromLocalFile(QStringLiteral("/Applications/App%1.app").arg(i));
            icons.loadImage(IconCache::cacheKey(a), a.path());
            group.apps.append(a);
        }
        FolderOverlayView::Environment environment;
        environment.cells.scheduler = &scheduler;
        environment.cells.icons = &icons;
        environment.cells.iconLoads = [](Task t) { t(); };
        environment.cells.mainThread = [](Task t) { t(); };
        environment.cells.frames = &frames;
        environment.mainEngine = &engine;
        environment.backdrop = [this](QPointF* origin) {
            *origin = QPointF();
            return backdrop;
        };
        engine.contentSize = kScreen.size();
        view = new FolderOverlayView(environment, group, metrics, kScreen.size(), QRectF(600, 400, 100, 100));
        scene.addItem(view);
        scene.setSceneRect(kScreen);
        scheduler.advance(0);
        scheduler.advance(FolderOverlayView::kMotionDuration * elapsed);
    }
};

void BM_FolderMorphFrame(benchmark::State& state)
{
    Fixture f(double(state.range(0)) / 100);
    QImage target(1440, 900, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&target);
        painter.drawImage(0, 0, f.backdrop); // what lies under the overlay
        f.scene.render(&painter, kScreen, kScreen);
    }
    state.counters["progress"] = f.view->progress();
}
BENCHMARK(BM_FolderMorphFrame)->Arg(10)->Arg(50)->Arg(90)->Unit(benchmark::kMillisecond); // % of the opening

void BM_FloorBackdropAndIcons(benchmark::State& state)
{
    Fixture f;
    QImage target(1440, 900, QImage::Format_ARGB32_Premultiplied);
    QPixmap icon = QPixmap::fromImage(f.icons.cachedImage(IconCache::cacheKey(f.group.apps.first()))->scaled(96, 96));
    for (auto _ : state) {
        QPainter painter(&target);
        painter.drawImage(0, 0, f.backdrop);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        for (int i = 0; i < 35; ++i)
            painter.drawPixmap(QRectF(200 + 130 * (i % 7), 150 + 110 * (i / 7), 60, 60), icon, icon.rect());
    }
}
BENCHMARK(BM_FloorBackdropAndIcons)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runOffscreenBenchmarks(argc, argv);
}
