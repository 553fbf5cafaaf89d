#include "Services/IconImageNormalizer.h"

#include <QMutex>
#include <QPainter>
#include <QSet>

#include <cmath>

namespace corvanta {

namespace {

// The images this process produced by trimming, by QImage cache key. A key names one pixel
// buffer for the life of the process and is never reused, so remembering keys cannot mistake a
// new image for an old one; the set is cleared now and then to stay small, at the cost of a
// rare second analysis.
QMutex& processedLock()
{
    static QMutex lock;
    return lock;
}
QSet<qint64>& processed()
{
    static QSet<qint64> keys;
    return keys;
}
constexpr qsizetype kMostRemembered = 4096;

} // namespace

QImage IconImageNormalizer::trimmed(const QImage& image)
{
    {
        QMutexLocker lock(&processedLock());
        if (!image.isNull() && processed().contains(image.cacheKey()))
            return image;
    }
    QImage result = trimOnce(image);
    if (result.cacheKey() != image.cacheKey()) {
        QMutexLocker lock(&processedLock());
        if (processed().size() >= kMostRemembered)
            processed().clear();
        processed().insert(result.cacheKey());
    }
    return result;
}

std::optional<QRect> IconImageNormalizer::contentBox(const QImage& image)
{
    QImage raster(kRasterSide, kRasterSide, QImage::Format_ARGB32_Premultiplied);
    raster.fill(Qt::transparent);
    {
        QPainter painter(&raster);
        if (!painter.isActive())
            return std::nullopt;
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(QRect(0, 0, kRasterSide, kRasterSide), image);
    }
    int minRow = kRasterSide, maxRow = -1, minCol = kRasterSide, maxCol = -1;
    for (int r = 0; r < kRasterSide; ++r) {
        const auto* line = reinterpret_cast<const QRgb*>(raster.constScanLine(r));
        for (int c = 0; c < kRasterSide; ++c) {
            if (qAlpha(line[c]) < kContentAlpha)
                continue;
            minRow = std::min(minRow, r);
            maxRow = std::max(maxRow, r);
            minCol = std::min(minCol, c);
            maxCol = std::max(maxCol, c);
        }
    }
    if (maxRow < 0)
        return std::nullopt;
    return QRect(minCol, minRow, maxCol - minCol + 1, maxRow - minRow + 1);
}

QImage IconImageNormalizer::trimOnce(const QImage& image)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return image;
    if (!image.hasAlphaChannel())
        return image;

    const auto box = contentBox(image);
    if (!box)
        return image;
    const double side = kRasterSide;
    const double bx = box->x() / side, by = box->y() / side;
    const double bw = box->width() / side, bh = box->height() / side;
    if (bx <= kEdgeMargin && by <= kEdgeMargin && bx + bw >= 1 - kEdgeMargin && by + bh >= 1 - kEdgeMargin)
        return image;
    if (bw < kSmallestExtent || bh < kSmallestExtent)
        return image;

    const double longer = std::max(image.width(), image.height());
    const double scale = std::min(kLongestRedraw / longer, 1.0);
    const int width = std::max(1, int(std::lround(image.width() * scale)));
    const int height = std::max(1, int(std::lround(image.height() * scale)));

    QImage redraw = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (redraw.size() != QSize(width, height))
        redraw = redraw.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (redraw.isNull())
        return image;

    // Cut only within the redraw: a box rounded outwards past the edge must not add padding.
    const int x = int(std::floor(bx * width));
    const int y = int(std::floor(by * height));
    const int w = int(std::ceil(bw * width));
    const int h = int(std::ceil(bh * height));
    const QRect crop = QRect(x, y, w, h).intersected(QRect(0, 0, width, height));
    if (crop.width() < 1 || crop.height() < 1)
        return image;
    if (crop.width() >= width - 0.5 && crop.height() >= height - 0.5)
        return image;
    QImage cut = redraw.copy(crop);
    if (cut.isNull())
        return image;
    cut.setDevicePixelRatio(1.0);
    return cut;
}

} // namespace corvanta
