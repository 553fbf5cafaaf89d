// The backdrop's image work on a 5K wallpaper at strength 0.8: each step of the blur on its own,
// the whole pipeline, ImageMagick doing the same operations, and a memcpy of the same bytes as the
// floor. Also the fingerprint of the decoded 5K image and the launch restore from the disk cache.
#include "Services/GaussianBoxBlur.h"
#include "Services/WallpaperBlurCache.h"
#include "Services/WallpaperProvider.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace corvanta;

namespace {

constexpr int kWidth = 5120, kHeight = 2880;
constexpr double kStrength = 0.8;
const QString kConvert = QStringLiteral("/usr/bin/convert");

// Smooth colour fields with fine detail, so neither the blur nor the encoder meets a flat image.
const QImage& wallpaper()
{
    static const QImage image = [] {
        QImage out(kWidth, kHeight, QImage::Format_RGB32);
        for (int y = 0; y < kHeight; ++y) {
            auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < kWidth; ++x) {
                const int noise = int((uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u) >> 27);
                line[x] = qRgb((x * 255 / kWidth + noise) & 255, (y * 255 / kHeight + noise) & 255,
                               ((x + y) * 255 / (kWidth + kHeight)) & 255);
            }
        }
        return out;
    }();
    return image;
}

double radius() { return kStrength * WallpaperProvider::displayPixelWidth(wallpaper().size()) * 0.03; }

QImage downscaled()
{
    const int w = WallpaperProvider::displayPixelWidth(wallpaper().size());
    return wallpaper().scaled(w, w * kHeight / kWidth, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QByteArray encodeJpeg(const QImage& image)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(85);
    writer.write(image);
    return out;
}

QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

// ImageMagick reads a raw PPM, the cheapest input it has, so the comparison is about the work.
QString ppmOf(const QImage& image, const QString& name)
{
    const QString path = scratch().filePath(name);
    if (!QFile::exists(path))
        image.convertToFormat(QImage::Format_RGB888).save(path, "PPM");
    return path;
}

void runConvert(benchmark::State& state, const QStringList& arguments)
{
    for (auto _ : state) {
        const int code = QProcess::execute(kConvert, arguments);
        if (code != 0) {
            state.SkipWithError("convert failed or is missing");
            return;
        }
    }
}

void BM_Downscale5KTo2048(benchmark::State& state)
{
    wallpaper();
    for (auto _ : state)
        benchmark::DoNotOptimize(downscaled());
}
BENCHMARK(BM_Downscale5KTo2048)->Unit(benchmark::kMillisecond);

void BM_BoxBlur2048(benchmark::State& state)
{
    const QImage input = downscaled();
    for (auto _ : state) {
        QImage copy = input.copy();
        GaussianBoxBlur::apply(copy, radius());
        benchmark::DoNotOptimize(copy.constBits());
    }
}
BENCHMARK(BM_BoxBlur2048)->Unit(benchmark::kMillisecond);

void BM_BoxBlur2048SingleThread(benchmark::State& state)
{
    const QImage input = downscaled();
    for (auto _ : state) {
        QImage copy = input.copy();
        GaussianBoxBlur::apply(copy, radius(), 1);
        benchmark::DoNotOptimize(copy.constBits());
    }
}
BENCHMARK(BM_BoxBlur2048SingleThread)->Unit(benchmark::kMillisecond);

void BM_EncodeJpeg2048(benchmark::State& state)
{
    QImage blurred = downscaled();
    GaussianBoxBlur::apply(blurred, radius());
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeJpeg(blurred));
}
BENCHMARK(BM_EncodeJpeg2048)->Unit(benchmark::kMillisecond);

// Downscale, blur and encode, as a cache miss does.
void BM_WholeBlurPipeline(benchmark::State& state)
{
    wallpaper();
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeJpeg(WallpaperProvider::blurred(wallpaper(), radius())));
}
BENCHMARK(BM_WholeBlurPipeline)->Unit(benchmark::kMillisecond);

// ImageMagick's Gaussian at the same sigma on the same downscaled image (compare with BoxBlur2048;
// ImageMagickStartup is its fixed cost of starting and reading the file).
void BM_ImageMagickBlur2048(benchmark::State& state)
{
    const QString input = ppmOf(downscaled(), "scaled.ppm");
    runConvert(state, {input, "-blur", QStringLiteral("0x%1").arg(radius()), "null:"});
}
BENCHMARK(BM_ImageMagickBlur2048)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ImageMagickStartup(benchmark::State& state)
{
    runConvert(state, {ppmOf(downscaled(), "scaled.ppm"), "null:"});
}
BENCHMARK(BM_ImageMagickStartup)->Unit(benchmark::kMillisecond)->Iterations(5);

// The whole pipeline in ImageMagick (compare with WholeBlurPipeline).
void BM_ImageMagickWholePipeline(benchmark::State& state)
{
    const QString input = ppmOf(wallpaper(), "wallpaper.ppm");
    const int w = WallpaperProvider::displayPixelWidth(wallpaper().size());
    runConvert(state, {input, "-resize", QStringLiteral("%1x%2!").arg(w).arg(w * kHeight / kWidth), "-blur",
                       QStringLiteral("0x%1").arg(radius()), "-quality", "85", scratch().filePath("out.jpg")});
}
BENCHMARK(BM_ImageMagickWholePipeline)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MemcpySame5KBytes(benchmark::State& state)
{
    const QImage& source = wallpaper();
    std::vector<uchar> target(size_t(source.sizeInBytes()));
    for (auto _ : state) {
        std::memcpy(target.data(), source.constBits(), target.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(target.size()));
}
BENCHMARK(BM_MemcpySame5KBytes)->Unit(benchmark::kMillisecond);

void BM_Fingerprint5K(benchmark::State& state)
{
    wallpaper();
    for (auto _ : state)
        benchmark::DoNotOptimize(WallpaperProvider::fingerprint(wallpaper()));
}
BENCHMARK(BM_Fingerprint5K)->Unit(benchmark::kMillisecond);

// What the first frame waits for at start: the pointer, the JPEG and its decode.
void BM_RestoreLatestAtLaunch(benchmark::State& state)
{
    const QString directory = scratch().filePath("WallpaperBlurCache");
    WallpaperBlurCache cache(directory, [](std::function<void()> task) { task(); }, 0.85);
    const QImage blurred = WallpaperProvider::blurred(wallpaper(), radius());
    cache.store(blurred, 0xfeed, radius(), kWidth, kHeight);
    cache.writeLatest(0xfeed, radius(), kWidth, kHeight, 1512, 982);
    for (auto _ : state) {
        auto entry = cache.readLatestEntry(1512, 982);
        if (!entry) {
            state.SkipWithError("no latest entry");
            return;
        }
        benchmark::DoNotOptimize(entry->image.constBits());
    }
}
BENCHMARK(BM_RestoreLatestAtLaunch)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
