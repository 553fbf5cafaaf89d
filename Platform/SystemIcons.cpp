#include "Platform/SystemIcons.h"

#include "Platform/IcnsFile.h"

#include <QFileInfo>
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
    const QVariant value = bundle->info.value(QStringLiteral("CFBundleIconFile"));
    QString name = value.typeId() == QMetaType::QString ? value.toString() : QString();
    if (name.isEmpty() || name.contains(u'/') || name == QLatin1String(".."))
        return {};
    const QString base = *bundle->resourcesPath + u'/' + name;
    if (QFileInfo(name).suffix().isEmpty() && !QFileInfo(base).isFile())
        return largestImage(base + QStringLiteral(".icns"));
    return largestImage(base);
}

QImage BundleIconProvider::largestImage(const QString& file)
{
    if (!QFileInfo(file).isFile())
        return {};
    // Icon files get our own reader: it decodes only the picture used, JPEG 2000 ones included.
    if (const auto icns = IcnsFile::readFile(file))
        return icns->largestImage(file);
    QImageReader reader(file);
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
