#include "Services/WallpaperProvider.h"

#include "Platform/DesktopWorkspace.h"
#include "Platform/ImageFileDecoder.h"
#include "Platform/PropertyList.h"
#include "Platform/VideoFrameReader.h"
#include "Support/Clock.h"
#include "Support/Logger.h"
#include "Support/QtScheduler.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace corvanta {
namespace {

const QStringList kTopLevelKeys = {QStringLiteral("AllSpacesAndDisplays"), QStringLiteral("SystemDefault"),
                                   QStringLiteral("Spaces"), QStringLiteral("Displays")};
const QStringList kFollowedKeys = {QStringLiteral("Linked"), QStringLiteral("Content"), QStringLiteral("Image"),
                                   QStringLiteral("Choices"), QStringLiteral("Files")};
const QString kRelativeKey = QStringLiteral("relative");

constexpr double kResolveCacheLifetime = 3.0;
constexpr double kAerialFrameTime = 2.0;
constexpr double kAerialFrameTolerance = 1.0;

bool isFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QString screenKey(const QRectF& frame)
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(qint64(frame.x()))
        .arg(qint64(frame.y()))
        .arg(qint64(frame.width()))
        .arg(qint64(frame.height()));
}

// Depth-first walk shared by the image and identity searches: a dictionary tries its own entry,
// then the followed keys, then every value; a list its elements; anything else is a leaf.
template<typename Result, typename DictionaryEntry, typename Leaf>
std::optional<Result> walk(const QVariant& value, const DictionaryEntry& entry, const Leaf& leaf)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        const QVariantMap dictionary = value.toMap();
        if (auto found = entry(dictionary))
            return found;
        for (const QString& key : kFollowedKeys)
            if (dictionary.contains(key))
                if (auto found = walk<Result>(dictionary.value(key), entry, leaf))
                    return found;
        for (const QVariant& child : dictionary)
            if (auto found = walk<Result>(child, entry, leaf))
                return found;
        return std::nullopt;
    }
    case QMetaType::QVariantList:
        for (const QVariant& child : value.toList())
            if (auto found = walk<Result>(child, entry, leaf))
                return found;
        return std::nullopt;
    case QMetaType::QString:
        return leaf(value.toString());
    default:
        return std::nullopt;
    }
}

std::optional<QImage> nonNull(QImage image)
{
    if (image.isNull())
        return std::nullopt;
    return image;
}

} // namespace

WallpaperLocations WallpaperLocations::forHome(const QString& home, const QStringList& pictureFolders)
{
    const QString base = home + QStringLiteral("/Library/Application Support/com.apple.wallpaper");
    return {base + QStringLiteral("/Store/Index.plist"), base + QStringLiteral("/aerials"), pictureFolders};
}

WallpaperProvider::WallpaperProvider(WallpaperLocations locations, const DesktopWorkspace& workspace, const Clock& clock)
    : m_locations(std::move(locations)), m_workspace(workspace), m_clock(clock)
{
}

WallpaperProvider& WallpaperProvider::shared()
{
    static WallpaperProvider instance(WallpaperLocations::forHome(QDir::homePath()), GnomeDesktopWorkspace::shared(),
                                      QtScheduler::shared().clock());
    return instance;
}

QImage WallpaperProvider::currentWallpaper(const QRectF& screenFrame)
{
    const QString key = screenKey(screenFrame);
    quint64 generation = 0;
    {
        QMutexLocker lock(&m_lock);
        if (!m_cacheImage.isNull() && m_cacheKey == key && m_clock.now() - m_cacheAt < kResolveCacheLifetime)
            return m_cacheImage;
        generation = m_resolveGeneration;
    }
    QImage image = resolvedWallpaperFromStore();
    if (image.isNull())
        image = fallbackWallpaper(screenFrame);
    if (image.isNull()) {
        CLOG_WARN(QStringLiteral("WallpaperProvider: 壁纸库与兜底 API 均未取到壁纸，保留渐变兜底"));
        return {};
    }
    bool hadLogged = false;
    {
        QMutexLocker lock(&m_lock);
        if (m_resolveGeneration == generation) {
            m_cacheKey = key;
            m_cacheImage = image;
            m_cacheAt = m_clock.now();
        }
        hadLogged = m_hasLoggedAuthorization;
        m_hasLoggedAuthorization = true;
    }
    if (!hadLogged)
        CLOG_INFO(QStringLiteral("WallpaperProvider: 屏幕录制授权=%1（本项目不需要该权限，仅作诊断记录）")
                      .arg(m_workspace.screenCaptureAllowed() ? QStringLiteral("true") : QStringLiteral("false")));
    return image;
}

void WallpaperProvider::invalidateResolveCache()
{
    QMutexLocker lock(&m_lock);
    ++m_resolveGeneration;
    m_cacheImage = QImage();
    m_cacheKey.clear();
}

std::optional<QVariantMap> WallpaperProvider::readIndex() const
{
    const auto root = PropertyList::readFile(m_locations.indexPlistPath);
    if (!root || root->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return root->toMap();
}

QImage WallpaperProvider::resolvedWallpaperFromStore() const
{
    const auto root = readIndex();
    if (!root) {
        CLOG_WARN(QStringLiteral("WallpaperProvider: 读取壁纸库 Index.plist 失败"));
        return {};
    }
    for (const QString& key : kTopLevelKeys)
        if (root->contains(key))
            if (QImage image = firstWallpaperImage(root->value(key)); !image.isNull())
                return image;
    return firstWallpaperImage(*root);
}

QImage WallpaperProvider::firstWallpaperImage(const QVariant& value) const
{
    const auto entry = [this](const QVariantMap& dictionary) -> std::optional<QImage> {
        const QVariant relative = dictionary.value(kRelativeKey);
        if (relative.typeId() == QMetaType::QString)
            if (auto image = nonNull(imageFromWallpaperFile(relative.toString())))
                return image;
        if (const auto id = assetID(dictionary))
            if (auto image = nonNull(aerialFrame(*id)))
                return image;
        return std::nullopt;
    };
    const auto leaf = [this](const QString& text) { return nonNull(imageFromWallpaperFile(text)); };
    return walk<QImage>(value, entry, leaf).value_or(QImage());
}

std::optional<WallpaperIdentity> WallpaperProvider::firstWallpaperIdentity(const QVariant& value) const
{
    const auto entry = [this](const QVariantMap& dictionary) -> std::optional<WallpaperIdentity> {
        const QVariant relative = dictionary.value(kRelativeKey);
        if (relative.typeId() == QMetaType::QString)
            if (auto identity = identityFromWallpaperFile(relative.toString()))
                return identity;
        if (const auto id = assetID(dictionary))
            return WallpaperIdentity{QStringLiteral("aerial:") + *id};
        return std::nullopt;
    };
    const auto leaf = [this](const QString& text) { return identityFromWallpaperFile(text); };
    return walk<WallpaperIdentity>(value, entry, leaf);
}

std::optional<WallpaperIdentity> WallpaperProvider::identityFromStore() const
{
    const auto root = readIndex();
    if (!root)
        return std::nullopt;
    for (const QString& key : kTopLevelKeys)
        if (root->contains(key))
            if (auto identity = firstWallpaperIdentity(root->value(key)))
                return identity;
    return firstWallpaperIdentity(*root);
}

QStringList WallpaperProvider::candidates(const QString& text) const
{
    // The text is a path exactly as stored: a URL with a scheme matches none of these.
    QStringList out{text};
    for (const QString& folder : m_locations.pictureFolders)
        out << folder + QLatin1Char('/') + text;
    return out;
}

QImage WallpaperProvider::imageFromWallpaperFile(const QString& text) const
{
    if (text.isEmpty())
        return {};
    for (const QString& path : candidates(text)) {
        if (!isFile(path))
            continue;
        QImage image = ImageFileDecoder::decodeFile(path);
        if (!image.isNull()) {
            CLOG_INFO(QStringLiteral("WallpaperProvider: 从壁纸库文件取图 ") + path);
            return image;
        }
    }
    return {};
}

std::optional<WallpaperIdentity> WallpaperProvider::identityFromWallpaperFile(const QString& text) const
{
    if (text.isEmpty())
        return std::nullopt;
    for (const QString& path : candidates(text))
        if (isFile(path))
            return WallpaperIdentity{QStringLiteral("file:") + path + QLatin1Char('@') + fileMTimeToken(path)};
    return WallpaperIdentity{QStringLiteral("file-ref:") + text};
}

std::optional<QString> WallpaperProvider::assetID(const QVariantMap& dictionary)
{
    const QVariant direct = dictionary.value(QStringLiteral("assetID"));
    if (direct.typeId() == QMetaType::QString)
        return direct.toString();
    const QVariant configuration = dictionary.value(QStringLiteral("Configuration"));
    if (configuration.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    const auto parsed = PropertyList::parse(configuration.toByteArray());
    if (!parsed || parsed->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant nested = parsed->toMap().value(QStringLiteral("assetID"));
    if (nested.typeId() == QMetaType::QString)
        return nested.toString();
    return std::nullopt;
}

QImage WallpaperProvider::aerialFrame(const QString& assetID) const
{
    // An id is a file name, never a path: one with a separator must not reach outside the folder.
    if (assetID.isEmpty() || assetID.contains(QLatin1Char('/')) || assetID == QStringLiteral("..")
        || assetID == QStringLiteral("."))
        return {};
    const QString video = m_locations.aerialBase + QStringLiteral("/videos/") + assetID + QStringLiteral(".mov");
    if (isFile(video)) {
        QImage frame = VideoFrameReader::frameNear(video, kAerialFrameTime, kAerialFrameTolerance);
        if (!frame.isNull()) {
            CLOG_INFO(QStringLiteral("WallpaperProvider: 航拍壁纸抽帧 %1 %2x%3px").arg(assetID, QString::number(frame.width()), QString::number(frame.height())));
            return frame;
        }
    }
    const QString thumbnail = m_locations.aerialBase + QStringLiteral("/thumbnails/") + assetID + QStringLiteral(".png");
    QImage image = ImageFileDecoder::decodeFile(thumbnail);
    if (!image.isNull()) {
        CLOG_WARN(QStringLiteral("WallpaperProvider: 航拍抽帧失败，退用低分辨率缩略图 ") + assetID);
        return image;
    }
    return {};
}

QImage WallpaperProvider::fallbackWallpaper(const QRectF& screenFrame) const
{
    const QString path = m_workspace.desktopImagePath(screenFrame);
    if (path.isEmpty())
        return {};
    QImage image = ImageFileDecoder::decodeFile(path);
    if (image.isNull())
        return {};
    CLOG_INFO(QStringLiteral("WallpaperProvider: 使用兜底 API 取壁纸 ") + path);
    return image;
}

WallpaperIdentity WallpaperProvider::currentWallpaperIdentity(const std::optional<QRectF>& screenFrame) const
{
    if (auto identity = identityFromStore())
        return *identity;
    if (screenFrame) {
        const QString path = m_workspace.desktopImagePath(*screenFrame);
        if (!path.isEmpty())
            return {QStringLiteral("fallback:") + path + QLatin1Char('@') + fileMTimeToken(path)};
    }
    return {QStringLiteral("unknown")};
}

QString WallpaperProvider::fileMTimeToken(const QString& path)
{
    const QFileInfo info(path);
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    if (!modified.isValid())
        return QStringLiteral("0");
    // Whole seconds toward zero, also for dates before 1970.
    const qint64 ms = modified.toMSecsSinceEpoch();
    return QString::number(ms / 1000);
}

} // namespace corvanta
