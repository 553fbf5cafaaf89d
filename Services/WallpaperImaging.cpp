// The image work of WallpaperProvider: fingerprint, radius scale and blur.
#include "Services/WallpaperProvider.h"

#include "Services/GaussianBoxBlur.h"

#include <algorithm>
#include <cmath>

namespace corvanta {
namespace {

constexpr int kThumbnailSide = 16;
constexpr int kMaxBlurSide = 2048;
constexpr double kMinimumBlurRadius = 1.5;
constexpr quint64 kFnvOffsetBasis = 14695981039346656037ull;
constexpr quint64 kFnvPrime = 1099511628211ull;

// 32-bit pixels the blur and the fingerprint read directly; anything else is converted once.
QImage as32Bit(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return image;
    default:
        return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                             : QImage::Format_RGB32);
    }
}

} // namespace

quint64 WallpaperProvider::fingerprint(const QImage& source)
{
    if (source.isNull())
        return 0;
    const QImage image = as32Bit(source);
    const int width = image.width(), height = image.height();
    quint64 hash = kFnvOffsetBasis;
    // Each thumbnail pixel is the premultiplied average of the source pixels it covers (at least
    // one, so tiny images still fill all 256).
    for (int cy = 0; cy < kThumbnailSide; ++cy) {
        const int y0 = cy * height / kThumbnailSide;
        const int y1 = std::max(y0 + 1, (cy + 1) * height / kThumbnailSide);
        for (int cx = 0; cx < kThumbnailSide; ++cx) {
            const int x0 = cx * width / kThumbnailSide;
            const int x1 = std::max(x0 + 1, (cx + 1) * width / kThumbnailSide);
            quint64 red = 0, green = 0, blue = 0;
            for (int y = y0; y < y1; ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                for (int x = x0; x < x1; ++x) {
                    red += qRed(line[x]);
                    green += qGreen(line[x]);
                    blue += qBlue(line[x]);
                }
            }
            const quint64 count = quint64(y1 - y0) * quint64(x1 - x0);
            const auto average = [count](quint64 sum) { return (sum + count / 2) / count; };
            const quint64 grey = (average(red) + average(green) + average(blue)) / 3;
            hash ^= grey;
            hash *= kFnvPrime;
        }
    }
    return hash;
}

int WallpaperProvider::displayPixelWidth(QSize pixelSize)
{
    const int width = pixelSize.width(), height = pixelSize.height();
    const int longer = std::max(width, height);
    if (longer <= kMaxBlurSide)
        return width;
    return int(std::lround(double(width) * kMaxBlurSide / longer));
}

QImage WallpaperProvider::blurred(const QImage& image, double radius)
{
    if (image.isNull())
        return {};
    if (!(radius >= kMinimumBlurRadius))
        return image;
    QImage input;
    const int width = image.width(), height = image.height();
    if (std::max(width, height) <= kMaxBlurSide) {
        input = as32Bit(image); // the blur writes through bits(), which copies a shared image first
    } else {
        const int scaledWidth = std::max(1, displayPixelWidth(image.size()));
        const int scaledHeight = std::max(1, int(std::lround(double(scaledWidth) * height / width)));
        input = as32Bit(image).scaled(scaledWidth, scaledHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (input.isNull())
        return {};
    GaussianBoxBlur::apply(input, radius);
    return input;
}

} // namespace corvanta
