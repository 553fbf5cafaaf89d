#include "Services/IconCache.h"

#include "Services/IconImageNormalizer.h"
#include "Support/Logger.h"

#include <QElapsedTimer>
#include <QSet>

namespace corvanta {

namespace {

QString milliseconds(const QElapsedTimer& timer)
{
    return QString::asprintf("%.1f", double(timer.nsecsElapsed()) / 1e6);
}

} // namespace

IconCache::IconCache(IconDiskCache& disk, const SystemIconProvider& icons, TaskRunner prewarmRunner)
    : m_disk(disk), m_icons(icons), m_prewarmRunner(std::move(prewarmRunner)), m_cache(kMostIcons)
{
}

IconCache& IconCache::shared()
{
    static IconCache cache(IconDiskCache::shared(), SystemIconProvider::shared());
    return cache;
}

QString IconCache::cacheKey(const AppItem& app)
{
    return app.bundleIdentifier.isEmpty() ? app.path() : app.bundleIdentifier;
}

std::optional<QImage> IconCache::cachedImage(const QString& key) const
{
    QMutexLocker lock(&m_cacheLock);
    if (const QImage* image = m_cache.object(key))
        return *image;
    return std::nullopt;
}

void IconCache::insert(const QString& key, const QImage& image)
{
    QMutexLocker lock(&m_cacheLock);
    m_cache.insert(key, new QImage(image));
}

QImage IconCache::loadImage(const QString& key, const QString& bundlePath)
{
    if (auto image = cachedImage(key))
        return *image;
    if (auto image = m_disk.image(key)) {
        insert(key, *image);
        return *image;
    }
    const QImage icon = IconImageNormalizer::trimmed(m_icons.iconForFile(bundlePath));
    insert(key, icon);
    m_disk.store(icon, key, bundlePath);
    return icon;
}

QList<AppItem> IconCache::firstFrameApps(const TilehallLayout& layout)
{
    QList<AppItem> apps;
    if (layout.pages.isEmpty())
        return apps;
    for (const PageEntry& entry : layout.pages.first().entries) {
        if (const AppItem* app = entry.asApp())
            apps.append(*app);
        else if (const AppGroup* group = entry.asGroup())
            apps.append(group->apps.mid(0, kFolderPreviewCount));
    }
    return apps;
}

void IconCache::prewarm(const TilehallLayout& layout)
{
    const QList<AppItem> firstFrame = firstFrameApps(layout);
    QSet<QString> firstFrameKeys;
    for (const AppItem& app : firstFrame)
        firstFrameKeys.insert(cacheKey(app));

    QStringList keys;
    QHash<QString, QString> paths;
    QSet<QString> seen;
    for (const QList<AppItem>& list : {firstFrame, layout.allAppsIncludingGroups()}) {
        for (const AppItem& app : list) {
            const QString key = cacheKey(app);
            if (seen.contains(key))
                continue;
            seen.insert(key);
            keys.append(key);
            paths.insert(key, app.path());
        }
    }

    setPrewarmFinished(firstFrameKeys.isEmpty());
    const qsizetype firstFrameCount = firstFrameKeys.size();
    m_prewarmRunner([this, keys, firstFrameCount, paths] { runPrewarm(keys, firstFrameCount, paths); });
}

void IconCache::runPrewarm(const QStringList& keys, qsizetype firstFrameCount, const QHash<QString, QString>& paths)
{
    QElapsedTimer started;
    started.start();
    int hits = 0;
    QStringList deferred;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QString& key = keys.at(i);
        if (cachedImage(key)) {
            ++hits;
        } else if (auto image = m_disk.image(key)) {
            insert(key, *image);
            ++hits;
        } else {
            deferred.append(key);
        }
        if (i + 1 == firstFrameCount) {
            setPrewarmFinished(true);
            CLOG_INFO(QStringLiteral("阶段131：首屏图标预热 %1 项，耗时 %2ms").arg(firstFrameCount).arg(milliseconds(started)));
        }
    }
    CLOG_INFO(QStringLiteral("阶段45：图标预热完成 — 命中 %1/%2，耗时 %3ms").arg(hits).arg(keys.size()).arg(milliseconds(started)));
    setPrewarmFinished(true);

    m_disk.keepOnly(QSet<QString>(keys.cbegin(), keys.cend()));

    if (deferred.isEmpty())
        return;
    QElapsedTimer backfill;
    backfill.start();
    for (const QString& key : deferred) {
        const QString path = paths.value(key);
        const QImage icon = IconImageNormalizer::trimmed(m_icons.iconForFile(path));
        insert(key, icon);
        m_disk.store(icon, key, path);
    }
    CLOG_INFO(QStringLiteral("阶段49：图标磁盘缓存回填 %1 项，耗时 %2ms").arg(deferred.size()).arg(milliseconds(backfill)));
}

bool IconCache::isPrewarmFinished() const
{
    QMutexLocker lock(&m_lock);
    return m_prewarmFinished;
}

void IconCache::setPrewarmFinished(bool finished)
{
    QMutexLocker lock(&m_lock);
    m_prewarmFinished = finished;
}

} // namespace corvanta
