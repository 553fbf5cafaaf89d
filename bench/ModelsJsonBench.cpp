// Cost of the layout file codec on a large store (10 scenes of 1,000 applications each), each
// figure beside a bare QJsonDocument parse or serialization of the very same bytes. The "ratio"
// counter is the codec's time over the bare one's.
#include "BenchTiming.h"
#include "Models/LayoutJson.h"

#include <QJsonDocument>

#include <benchmark/benchmark.h>

#include <chrono>

using namespace corvanta;
using corvanta::bench::secondsPerCall;

namespace {

constexpr int kScenes = 10;
constexpr int kAppsPerScene = 1000;
constexpr int kEntriesPerPage = 35;
constexpr int kAppsPerFolder = 5;

QUuid idFor(quint32 kind, quint32 number)
{
    return QUuid(kind, 0x5A1E, 0x4000, 0x80, 0, 0, 0, uchar(number >> 24), uchar(number >> 16), uchar(number >> 8), uchar(number));
}

AppItem appFor(int number)
{
    const QString name = number % 7 == 0 ? QStringLiteral("应用 %1").arg(number) : QStringLiteral("Application %1").arg(number);
    return AppItem{idFor(1, quint32(number)), name, QStringLiteral("com.example.app%1").arg(number),
                   QUrl::fromLocalFile(QStringLiteral("/Applications/%1.app/").arg(name)), std::nullopt, false};
}

// Every scene arranges the same applications (that is what scenes are), one in ten of them in
// folders of five.
TilehallLayout layoutFor(int scene)
{
    TilehallLayout layout;
    QList<PageEntry> entries;
    for (int number = 0; number < kAppsPerScene;) {
        if (number % 50 == 0 && number + kAppsPerFolder <= kAppsPerScene) {
            AppGroup folder{idFor(2, quint32(scene * kAppsPerScene + number)), QStringLiteral("Folder %1").arg(number), {}, false};
            for (int i = 0; i < kAppsPerFolder; ++i)
                folder.apps.append(appFor(number++));
            entries.append(PageEntry(std::move(folder)));
        } else {
            entries.append(PageEntry(appFor(number++)));
        }
    }
    for (qsizetype start = 0; start < entries.size(); start += kEntriesPerPage)
        layout.pages.append(TilehallPage{idFor(3, quint32(scene * 1000 + start)), entries.mid(start, kEntriesPerPage)});
    return layout;
}

const SceneStore& largeStore()
{
    static const SceneStore store = [] {
        SceneStore s;
        for (int scene = 0; scene < kScenes; ++scene)
            s.scenes.append(TilehallScene{idFor(4, quint32(scene)), QStringLiteral("Scene %1").arg(scene), layoutFor(scene)});
        s.currentSceneID = s.scenes.first().id;
        return s;
    }();
    return store;
}

const QByteArray& largeStoreBytes()
{
    static const QByteArray bytes = encodeSceneStore(largeStore());
    return bytes;
}

double bareParseSeconds()
{
    static const double seconds = secondsPerCall([] { benchmark::DoNotOptimize(QJsonDocument::fromJson(largeStoreBytes())); });
    return seconds;
}

double bareSerializeSeconds()
{
    static const double seconds = [] {
        const QJsonDocument document = QJsonDocument::fromJson(largeStoreBytes());
        return secondsPerCall([&] { benchmark::DoNotOptimize(document.toJson(QJsonDocument::Compact)); });
    }();
    return seconds;
}

template <typename Work> void measure(benchmark::State& state, double bareSeconds, Work work)
{
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        work();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetBytesProcessed(int64_t(state.iterations()) * largeStoreBytes().size());
    if (bareSeconds > 0)
        state.counters["ratio"] = seconds / double(state.iterations()) / bareSeconds;
}

void BM_DecodeSceneStore(benchmark::State& state)
{
    measure(state, bareParseSeconds(), [] { benchmark::DoNotOptimize(decodeSceneStore(largeStoreBytes())); });
}

void BM_BareQJsonParse(benchmark::State& state)
{
    measure(state, 0, [] { benchmark::DoNotOptimize(QJsonDocument::fromJson(largeStoreBytes())); });
}

void BM_EncodeSceneStore(benchmark::State& state)
{
    measure(state, bareSerializeSeconds(), [] { benchmark::DoNotOptimize(encodeSceneStore(largeStore())); });
}

void BM_BareQJsonSerialize(benchmark::State& state)
{
    const QJsonDocument document = QJsonDocument::fromJson(largeStoreBytes());
    measure(state, 0, [&] { benchmark::DoNotOptimize(document.toJson(QJsonDocument::Compact)); });
}

} // namespace

BENCHMARK(BM_DecodeSceneStore)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareQJsonParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeSceneStore)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareQJsonSerialize)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
