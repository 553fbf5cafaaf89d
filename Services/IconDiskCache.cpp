#include "Services/IconDiskCache.h"

#include "Platform/FileRead.h"
#include "Platform/PngChunks.h"
#include "Support/AtomicFile.h"
#include "Support/Constants.h"
#include "Support/Logger.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace corvanta {

namespace {

const QString kPrefix = QStringLiteral("v4_");
const QString kExtension = QStringLiteral("png");
// Ours are a few hundred kilobytes at most; anything larger was not written by us whole.
constexpr qsizetype kMaxFileBytes = 4 * 1024 * 1024;

// A cached picture's bytes, when they are a PNG libpng can be given safely.
std::optional<QByteArray> readCachedPng(const QString& path)
{
    auto bytes = readWholeFile(path, kMaxFileBytes);
    if (!bytes || !pngChunksFit(*bytes))
        return std::nullopt;
    return bytes;
}

// The extension test is exact: "PNG" files are not ours and every sweep leaves them alone.
bool isPng(const QFileInfo& info) { return info.suffix() == kExtension; }

QFileInfoList listFolder(const QString& folder)
{
    return QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

int roundHalfAway(double value) { return int(std::lround(value)); }

} // namespace

IconDiskCache::IconDiskCache(FolderProvider folder, TaskRunner runner, WallClock wallClock)
    : m_folder(std::move(folder)), m_runner(std::move(runner)), m_wallClock(std::move(wallClock))
{
    if (!m_wallClock)
        m_wallClock = [] { return QDateTime::currentMSecsSinceEpoch(); };
    m_runner([this] { purgeLegacyVersions(); });
}

IconDiskCache& IconDiskCache::shared()
{
    static IconDiskCache cache([] { return AppConstants::resolvedAppSupportDirectory() + QStringLiteral("/IconCache"); });
    return cache;
}

double IconDiskCache::maxPixelSize(const QImage& image)
{
    const int pixels = std::max(image.width(), image.height());
    if (pixels > 0)
        return pixels;
    const QSizeF points = image.deviceIndependentSize();
    return std::max(points.width(), points.height());
}

QString IconDiskCache::fileName(const QString& key)
{
    const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256);
    return kPrefix + QString::fromLatin1(digest.toHex()) + u'.' + kExtension;
}

QString IconDiskCache::directory() const
{
    const QString folder = m_folder();
    QDir().mkpath(folder);
    return folder;
}

QString IconDiskCache::filePath(const QString& key) const { return directory() + u'/' + fileName(key); }

std::optional<QImage> IconDiskCache::image(const QString& key) const
{
    const QString path = filePath(key);
    const auto bytes = readCachedPng(path);
    QImage image = bytes ? QImage::fromData(*bytes) : QImage();
    // A miss costs one failed open; only a file that is there but unusable is looked at again.
    if (image.isNull() && QFileInfo::exists(path)) {
        QFile::remove(path);
        return std::nullopt;
    }
    if (image.isNull())
        return std::nullopt;
    const double size = maxPixelSize(image);
    if (size < kSmallestSide) {
        CLOG_WARN(QStringLiteral("阶段49：图标缓存分辨率不达标（%1px），当作未命中并安排重写").arg(qint64(size)));
        return std::nullopt;
    }
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        file.setFileTime(QDateTime::fromMSecsSinceEpoch(m_wallClock()), QFileDevice::FileModificationTime);
    return image;
}

void IconDiskCache::store(const QImage& image, const QString& key, const QString& bundlePath)
{
    m_runner([this, image, key, bundlePath] { storeNow(image, key, bundlePath); });
}

void IconDiskCache::keepOnly(const QSet<QString>& keys)
{
    m_runner([this, keys] { keepOnlyNow(keys); });
}

void IconDiskCache::giveUpSpace()
{
    m_outOfSpace = true;
    const QString folder = m_folder();
    int removed = 0;
    for (const QFileInfo& info : listFolder(folder)) {
        if (isPng(info) && info.fileName().startsWith(kPrefix) && QFile::remove(info.filePath()))
            ++removed;
    }
    CLOG_WARN(QStringLiteral("磁盘空间不足：为保存布局清空图标磁盘缓存 %1 个，本次运行不再写入").arg(removed));
}

void IconDiskCache::storeNow(const QImage& image, const QString& key, const QString& bundlePath)
{
    if (m_outOfSpace.load())
        return;
    const QString path = filePath(key);
    const QFileInfo bundle(bundlePath);
    if (QFileInfo::exists(path) && bundle.exists()) {
        const QByteArray bytes = readCachedPng(path).value_or(QByteArray());
        QBuffer source;
        source.setData(bytes);
        source.open(QIODevice::ReadOnly);
        QImageReader header(&source, "png");
        bool known = false;
        const qint64 made = header.text(QString::fromLatin1(kMadeTextKey)).toLongLong(&known);
        const QDateTime bundleDate = bundle.lastModified();
        if (known && bundleDate.isValid() && bundleDate.toMSecsSinceEpoch() <= made) {
            const QImage existing = QImage::fromData(bytes, "png");
            const double size = existing.isNull() ? 0 : maxPixelSize(existing);
            if (size >= kSmallestSide)
                return;
            CLOG_INFO(QStringLiteral("阶段49：现存缓存分辨率不达标（%1px），重写").arg(qint64(size)));
        }
    }

    const auto data = makePNG(image, kLargestSide);
    if (!data)
        return;
    QString error;
    int code = 0;
    // A cache: a file lost to a power cut is made again, and the write never waits on the disk.
    if (!writeFileAtomically(path, *data, &error, FileSync::none, &code)) {
        CLOG_WARN(QStringLiteral("阶段45：图标磁盘缓存写入失败 %1: %2").arg(key, error));
        if ((code == ENOSPC || code == EDQUOT) && !m_outOfSpace.exchange(true))
            CLOG_WARN(QStringLiteral("磁盘空间不足，本次运行不再写入图标磁盘缓存，把空间留给布局"));
        return;
    }
    evictIfNeeded();
}

std::optional<QByteArray> IconDiskCache::makePNG(const QImage& image, int maxSize) const
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return std::nullopt;
    const int px = roundHalfAway(std::min(maxPixelSize(image), double(maxSize)));
    const QSizeF points = image.deviceIndependentSize();
    const double aspect = points.width() / points.height();
    int width = 0, height = 0;
    if (aspect >= 1) {
        width = std::max(1, px);
        height = std::max(1, roundHalfAway(width / aspect));
    } else {
        height = std::max(1, px);
        width = std::max(1, roundHalfAway(aspect * height));
    }
    if (std::max(width, height) < kSmallestSide) {
        CLOG_INFO(QStringLiteral("阶段49：图标源分辨率过低（%1x%2），跳过磁盘缓存").arg(width).arg(height));
        return std::nullopt;
    }
    QImage bitmap = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (bitmap.size() != QSize(width, height))
        bitmap = bitmap.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (bitmap.isNull())
        return std::nullopt;
    bitmap.setDevicePixelRatio(1.0);

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setText(QString::fromLatin1(kMadeTextKey), QString::number(m_wallClock()));
    if (!writer.write(bitmap))
        return std::nullopt;
    return bytes;
}

void IconDiskCache::evictIfNeeded()
{
    const QString folder = directory();
    if (!QFileInfo(folder).isDir())
        return;
    struct Entry {
        QString path;
        QDateTime modified;
        qint64 size;
    };
    QList<Entry> entries;
    qint64 total = 0;
    for (const QFileInfo& info : listFolder(folder)) {
        if (!isPng(info))
            continue;
        QDateTime modified = info.lastModified();
        if (!modified.isValid())
            modified = QDateTime::fromMSecsSinceEpoch(0);
        entries.append({info.filePath(), modified, std::max<qint64>(0, info.size())});
        total += entries.last().size;
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.modified < b.modified; });
    qsizetype remaining = entries.size();
    for (const Entry& entry : entries) {
        if (remaining <= kMostFiles && total <= kMostBytes)
            break;
        QFile::remove(entry.path);
        total -= entry.size;
        --remaining;
    }
}

void IconDiskCache::keepOnlyNow(const QSet<QString>& keys)
{
    QSet<QString> names;
    names.reserve(keys.size());
    for (const QString& key : keys)
        names.insert(fileName(key));
    const QString folder = directory();
    if (!QFileInfo(folder).isDir())
        return;
    int removed = 0;
    for (const QFileInfo& info : listFolder(folder)) {
        if (isPng(info) && info.fileName().startsWith(kPrefix) && !names.contains(info.fileName())) {
            QFile::remove(info.filePath());
            ++removed;
        }
    }
    if (removed > 0)
        CLOG_INFO(QStringLiteral("阶段136：清理布局外孤儿图标缓存 %1 个").arg(removed));
    evictIfNeeded();
}

void IconDiskCache::purgeLegacyVersions()
{
    const QString folder = directory();
    if (!QFileInfo(folder).isDir())
        return;
    int removed = 0;
    for (const QFileInfo& info : listFolder(folder)) {
        if (isPng(info) && !info.fileName().startsWith(kPrefix)) {
            QFile::remove(info.filePath());
            ++removed;
        }
    }
    if (removed > 0)
        CLOG_INFO(QStringLiteral("阶段49：清理旧版图标缓存 %1 个（非 v4 前缀）").arg(removed));
}

} // namespace corvanta
