#include "Platform/SystemIcons.h"

#include "Platform/FileRead.h"
#include "Platform/IcnsFile.h"
#include "Platform/PngChunks.h"

#include <QBuffer>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace corvanta {

const SystemIconProvider& SystemIconProvider::shared()
{
    static const BundleIconProvider provider;
    return provider;
}

BundleIconProvider::BundleIconProvider(std::shared_ptr<const BundleReader> bundles) : m_bundles(std::move(bundles)) {}

QImage BundleIconProvider::iconForFile(const QString& path) const
{
    QImage icon = bundleIcon(path);
    return icon.isNull() ? genericApplicationIcon() : icon;
}

QImage BundleIconProvider::bundleIcon(const QString& path) const
{
    const auto bundle = m_bundles->bundle(path);
    if (!bundle || !bundle->resourcesPath)
        return {};
    const QString name = bundle->info.iconFile.value_or(QString());
    if (name.isEmpty() || name.contains(u'/') || name == QLatin1String(".."))
        return {};
    const QString base = *bundle->resourcesPath + u'/' + name;
    if (QFileInfo(name).suffix().isEmpty() && !QFileInfo(base).isFile())
        return largestImage(base + QStringLiteral(".icns"));
    return largestImage(base);
}

namespace {

// The pixel side of an icon-file element, from its type alone (no decoding); 0 when unknown.
int elementSide(const QByteArray& type)
{
    static const QHash<QByteArray, int> sides{{"is32", 16}, {"icp4", 16}, {"ic04", 16}, {"il32", 32}, {"icp5", 32}, {"ic11", 32},
        {"ic05", 32}, {"ih32", 48}, {"icp6", 64}, {"ic12", 64}, {"it32", 128}, {"ic07", 128}, {"ic08", 256}, {"ic13", 256},
        {"ic09", 512}, {"ic14", 512}, {"ic10", 1024}};
    return sides.value(type, 0);
}

QImage decodeAll(QImageReader& reader)
{
    QImage best;
    const int count = qMax(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (image.isNull())
            continue;
        if (qint64(image.width()) * image.height() > qint64(best.width()) * best.height())
            best = image;
    }
    return best;
}

} // namespace

QImage BundleIconProvider::largestImage(const QString& file)
{
    if (!QFileInfo(file).isFile())
        return {};
    // ICNS files get our own reader: it walks the entry headers and decodes only the picture
    // used, JPEG 2000 ones included.
    if (const auto icns = IcnsFile::readFile(file))
        return icns->largestImage(file);
    // Other icon files hold one picture per size. Every one the program draws is at most
    // kLargestUseful pixels (the trimmed redraw; the disk tier keeps less), so the picture chosen
    // is the largest up to that size, or the smallest above it when there is none, found from
    // the element types without decoding the others. Files whose types say nothing are decoded
    // whole, keeping the largest.
    // The bytes are read once, bounded as icon files are, and checked before Qt's readers see them.
    const auto bytes = readWholeFile(file, IcnsFile::maxBytes);
    if (!bytes || !safeForImageReader(*bytes))
        return {};
    QBuffer readerSource, pickedSource, wholeSource;
    const auto open = [&bytes](QBuffer& source) {
        source.setData(*bytes);
        source.open(QIODevice::ReadOnly);
        return &source;
    };
    QImageReader reader(open(readerSource));
    const int count = qMax(1, reader.imageCount());
    int chosen = -1, chosenSide = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const int side = elementSide(reader.subType());
        if (side == 0) {
            chosen = -1;
            break;
        }
        const bool better = chosen < 0 || (side <= kLargestUseful ? side > chosenSide || chosenSide > kLargestUseful : side < chosenSide && chosenSide > kLargestUseful);
        if (better) {
            chosen = i;
            chosenSide = side;
        }
    }
    if (chosen >= 0) {
        QImageReader picked(open(pickedSource));
        if (chosen == 0 || picked.jumpToImage(chosen)) {
            const QImage image = picked.read();
            if (!image.isNull())
                return image;
        }
    }
    QImageReader whole(open(wholeSource));
    return decodeAll(whole);
}

QImage BundleIconProvider::genericApplicationIcon()
{
    // Drawn once: a rounded tile with the same transparent margin desktop icons usually carry.
    static const QImage icon = [] {
        constexpr int side = 512;
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF tile(50, 50, side - 100, side - 100);
        QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
        fill.setColorAt(0, QColor(0xB8, 0xC0, 0xCC));
        fill.setColorAt(1, QColor(0x6E, 0x78, 0x88));
        QPainterPath shape;
        shape.addRoundedRect(tile, tile.width() * 0.2, tile.height() * 0.2);
        painter.fillPath(shape, fill);
        // Three bars suggesting a window's content.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 210));
        for (int i = 0; i < 3; ++i)
            painter.drawRoundedRect(QRectF(130, 150 + i * 80, 252 - i * 60, 40), 20, 20);
        painter.end();
        return image;
    }();
    return icon;
}

void FakeIconProvider::set(const QString& path, const QImage& icon)
{
    QMutexLocker lock(&m_mutex);
    m_icons.insert(path, icon);
}

QImage FakeIconProvider::iconForFile(const QString& path) const
{
    QMutexLocker lock(&m_mutex);
    m_requests.append(path);
    const auto it = m_icons.constFind(path);
    if (it != m_icons.cend())
        return *it;
    QImage image(1024, 1024, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::gray);
    return image;
}

QStringList FakeIconProvider::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

} // namespace corvanta
