// The icon tiers' read paths: a memory hit (1 and 8 threads), a disk hit beside a bare PNG
// decode of the very same file ("ratio" is the disk hit's time over the bare decode's), and the
// trimming of a 1024-pixel icon.
#include "Services/IconCache.h"
#include "Services/IconImageNormalizer.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

using namespace corvanta;

namespace {

QImage paddedIcon(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(40, 120, 220));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(side * 0.1, side * 0.1, side * 0.8, side * 0.8), side * 0.16, side * 0.16);
    return image;
}

struct Tiers {
    QTemporaryDir root;
    IconDiskCache disk{[this] { return root.filePath("IconCache"); }, [](Task task) { task(); }};
    FakeIconProvider icons;
    IconCache memory{disk, icons, [](Task task) { task(); }};

    Tiers()
    {
        icons.set("/Applications/Bench.app", paddedIcon(1024));
        memory.loadImage("com.example.bench", "/Applications/Bench.app");
    }
};

Tiers& tiers()
{
    static Tiers t;
    return t;
}

double bareDecodeSeconds(const QString& path)
{
    constexpr int kRuns = 200;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRuns; ++i) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(QImage::fromData(file.readAll(), "png"));
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kRuns;
}

void BM_MemoryHit(benchmark::State& state)
{
    IconCache& cache = tiers().memory;
    for (auto _ : state)
        benchmark::DoNotOptimize(cache.cachedImage("com.example.bench"));
    state.SetItemsProcessed(state.iterations());
}

void BM_DiskHit(benchmark::State& state)
{
    IconDiskCache& disk = tiers().disk;
    const double bare = bareDecodeSeconds(disk.filePath("com.example.bench"));
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        benchmark::DoNotOptimize(disk.image("com.example.bench"));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["ratio"] = seconds / double(state.iterations()) / bare;
}

void BM_BarePngDecode(benchmark::State& state)
{
    const QString path = tiers().disk.filePath("com.example.bench");
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(QImage::fromData(file.readAll(), "png"));
    }
}

void BM_Trim1024(benchmark::State& state)
{
    const QImage icon = paddedIcon(1024);
    for (auto _ : state)
        benchmark::DoNotOptimize(IconImageNormalizer::trimmed(icon));
}

} // namespace

BENCHMARK(BM_MemoryHit)->Threads(1)->Threads(8);
BENCHMARK(BM_DiskHit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BarePngDecode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Trim1024)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
