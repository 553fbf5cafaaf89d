// The layout store on large inputs: merging a scan, searching names, and loading and writing a
// large layout file. Loading and writing are each set beside the bare decode or encode of the very
// same bytes; the "ratio" counter is the store's time over the bare one's.
#include "BenchTiming.h"
#include "Models/LayoutJson.h"
#include "Platform/InMemoryUserDefaults.h"
#include "Services/LayoutManager.h"
#include "Support/VirtualScheduler.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace corvanta;
using corvanta::bench::measureAgainst;
using corvanta::bench::secondsPerCall;

namespace {

AppItem benchApp(int n)
{
    // One name in three is Chinese, so the search meets both scripts.
    static const QStringList chinese = {QStringLiteral("微信"), QStringLiteral("备忘录"), QStringLiteral("日历"),
                                        QStringLiteral("文件管理"), QStringLiteral("音乐播放器"), QStringLiteral("照片编辑")};
    const QString name = n % 3 == 0 ? chinese[n % chinese.size()] + QString::number(n)
                                    : QStringLiteral("Application %1").arg(n);
    return AppItem{QUuid::createUuid(), name, QStringLiteral("com.vendor%1.app%2").arg(n % 40).arg(n),
                   QUrl::fromLocalFile(QStringLiteral("/Applications/App%1.app").arg(n)), std::nullopt, false};
}

QList<AppItem> benchApps(int count)
{
    QList<AppItem> apps;
    for (int n = 0; n < count; ++n)
        apps.append(benchApp(n));
    return apps;
}

// `apps` on pages of 35, one in ten of them in folders of five.
TilehallLayout layoutOf(const QList<AppItem>& apps)
{
    QList<PageEntry> entries;
    for (qsizetype n = 0; n < apps.size();) {
        if (n % 50 == 0 && n + 5 <= apps.size()) {
            entries.append(PageEntry::group(AppGroup{QUuid::createUuid(), QStringLiteral("Folder"), apps.mid(n, 5), false}));
            n += 5;
        } else {
            entries.append(PageEntry::app(apps[n++]));
        }
    }
    TilehallLayout layout;
    for (qsizetype start = 0; start < entries.size(); start += 35)
        layout.pages.append(TilehallPage{QUuid::createUuid(), entries.mid(start, 35)});
    return layout;
}

// A store on virtual time whose layout file lives in its own temporary folder.
struct Bench {
    explicit Bench(const QByteArray& layoutFile = {})
    {
        QDir().mkpath(folder.path() + QStringLiteral("/Corvanta"));
        if (!layoutFile.isEmpty()) {
            QFile file(layoutPath());
            file.open(QIODevice::WriteOnly);
            file.write(layoutFile);
        }
    }
    QString layoutPath() const { return folder.path() + QStringLiteral("/Corvanta/layout.json"); }
    LayoutManager::Dependencies dependencies()
    {
        return {&scheduler, &defaults, folder.path(), QStringLiteral("/nonexistent"), {QStringLiteral("en")}, {}};
    }
    std::unique_ptr<LayoutManager> make() { return std::make_unique<LayoutManager>(dependencies()); }

    QTemporaryDir folder;
    VirtualScheduler scheduler{0};
    InMemoryUserDefaults defaults;
};

const QByteArray& largeFile()
{
    static const QByteArray bytes = [] {
        const QList<AppItem> apps = benchApps(1000);
        SceneStore store;
        for (int scene = 0; scene < 10; ++scene)
            store.scenes.append(TilehallScene{QUuid::createUuid(), QStringLiteral("场景 %1").arg(scene + 1), layoutOf(apps)});
        store.currentSceneID = store.scenes.first().id;
        return encodeSceneStore(store);
    }();
    return bytes;
}

void BM_MergeScanIntoLayout(benchmark::State& state)
{
    // 2,000 placed applications; the scan finds 1,990 of them again (fresh ids, as every scan
    // gives), misses ten and brings ten new ones.
    const QList<AppItem> placed = benchApps(2000);
    Bench bench;
    const TilehallScene scene{QUuid::createUuid(), QStringLiteral("S"), layoutOf(placed)};
    bench.defaults.setBool(QString::fromLatin1(LayoutManager::utilitiesFolderEnsuredKey), true);
    {
        QFile file(bench.layoutPath());
        file.open(QIODevice::WriteOnly);
        file.write(encodeSceneStore(SceneStore{scene.id, {scene}}));
    }
    QList<AppItem> scan = benchApps(2010).mid(10);
    for (AppItem& app : scan)
        app.id = QUuid::createUuid();
    const auto nothingOnDisk = [](const QString&) { return false; };
    for (auto _ : state) {
        state.PauseTiming();
        auto store = bench.make();
        state.ResumeTiming();
        store->updateScannedApps(scan, nothingOnDisk);
        benchmark::DoNotOptimize(store->layout().pages.size());
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
}

void BM_SearchNames(benchmark::State& state, const char* query)
{
    Bench bench;
    auto store = bench.make();
    store->updateScannedApps(benchApps(5000), [](const QString&) { return true; });
    const QString text = QString::fromUtf8(query);
    store->searchApps(text); // the search keys are built once per scan
    for (auto _ : state)
        benchmark::DoNotOptimize(store->searchApps(text));
}

void BM_FirstSearchAfterScan(benchmark::State& state)
{
    Bench bench;
    auto store = bench.make();
    const QList<AppItem> apps = benchApps(5000);
    for (auto _ : state) {
        state.PauseTiming();
        store->updateScannedApps(apps, [](const QString&) { return true; }); // drops the search keys
        state.ResumeTiming();
        benchmark::DoNotOptimize(store->searchApps(QStringLiteral("ap")));
    }
}

void BM_ConstructFromLargeFile(benchmark::State& state)
{
    Bench bench(largeFile());
    static const double bare = secondsPerCall([] { benchmark::DoNotOptimize(decodeSceneStore(largeFile())); });
    measureAgainst(state, bare, [&bench] { benchmark::DoNotOptimize(bench.make()); });
}

void BM_BareDecodeOfTheSameBytes(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeSceneStore(largeFile()));
}

void BM_PerformSaveOfLargeStore(benchmark::State& state)
{
    Bench bench(largeFile());
    auto store = bench.make();
    const SceneStore same{store->currentSceneID(), store->scenes()};
    static double bare = 0;
    bare = secondsPerCall([&same] { benchmark::DoNotOptimize(encodeSceneStore(same)); });
    measureAgainst(state, bare, [&store] { store->performSave(); });
}

void BM_BareEncodeOfTheSameStore(benchmark::State& state)
{
    const std::optional<SceneStore> store = decodeSceneStore(largeFile());
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeSceneStore(*store));
}

} // namespace

BENCHMARK(BM_MergeScanIntoLayout)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchNames, latin1, "a")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchNames, latin2, "ap")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchNames, latin3, "App")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchNames, chinese1, "微")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchNames, chinese2, "备忘")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchNames, chinese3, "播放器")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstSearchAfterScan)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConstructFromLargeFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareDecodeOfTheSameBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PerformSaveOfLargeStore)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareEncodeOfTheSameStore)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
