#include "Services/IconCache.h"

#include "Platform/ThreadPriority.h"
#include "Services/IconImageNormalizer.h"
#include "Support/Logger.h"

#include <QElapsedTimer>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>

namespace corvanta {

namespace {

QString milliseconds(const QElapsedTimer& timer)
{
    return QString::asprintf("%.1f", double(timer.nsecsElapsed()) / 1e6);
}

} // namespace

IconCache::IconCache(IconDiskCache& disk, const SystemIconProvider& icons, TaskRunner prewarmRunner, std::function<bool()> stopped)
    : m_disk(disk), m_icons(icons), m_prewarmRunner(std::move(prewarmRunner)), m_stopped(std::move(stopped)), m_cache(kMostIcons)
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

QImage IconCache::atMostPixels(const QImage& image, int pixels)
{
    if (pixels <= 0 || image.isNull() || std::max(image.width(), image.height()) <= pixels)
        return image;
    QImage scaled = image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return scaled.isNull() ? image : scaled;
}

void IconCache::setDrawPixels(int pixels)
{
    pixels = std::max(0, pixels);
    const int old = m_drawPixels.exchange(pixels);
    if (pixels == old)
        return;
    QMutexLocker lock(&m_cacheLock);
    if (old > 0 && (pixels == 0 || pixels > old)) {
        m_cache.clear();
        return;
    }
    // Icons that arrived before the views knew their size shrink to it.
    const QList<QString> keys = m_cache.keys();
    for (const QString& key : keys) {
        if (QImage* image = m_cache.object(key); image && std::max(image->width(), image->height()) > pixels)
            *image = atMostPixels(*image, pixels);
    }
}

QImage IconCache::insert(const QString& key, const QImage& image)
{
    // Scaled outside the lock: lookups from the main thread never wait for it.
    QImage held = atMostPixels(image, m_drawPixels.load());
    QMutexLocker lock(&m_cacheLock);
    m_cache.insert(key, new QImage(held));
    return held;
}

QImage IconCache::loadImage(const QString& key, const QString& bundlePath)
{
    if (auto image = cachedImage(key))
        return *image;
    if (auto image = m_disk.image(key))
        return insert(key, *image);
    const QImage icon = IconImageNormalizer::trimmed(m_icons.iconForFile(bundlePath));
    m_disk.store(icon, key, bundlePath);
    return insert(key, icon);
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
        if (m_stopped()) {
            // Nobody waits for the icons any more; the flag ends set, as every pass leaves it.
            setPrewarmFinished(true);
            CLOG_INFO(QStringLiteral("阶段45：图标预热因程序退出而停止 — 已处理 %1/%2").arg(i).arg(keys.size()));
            return;
        }
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

    if (deferred.isEmpty() || m_stopped())
        return;
    QElapsedTimer backfill;
    backfill.start();
    // Each fetch decodes and trims one icon file on its own; with thousands of them the pass
    // spreads over the cores, leaving one for the main thread.
    QThreadPool pool;
    pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
    // The map returns only once every item has been taken; after the stop each returns at once,
    // so the pass, its pool and the futures it waits on end within one icon's work.
    std::atomic_int done{0};
    QtConcurrent::blockingMap(&pool, deferred, [this, &paths, &done](const QString& key) {
        if (m_stopped())
            return;
        // Never ahead of the frames on the main thread (the calling thread takes items too).
        thread_local bool lowered = false;
        if (!lowered) {
            lowerCurrentThreadPriority();
            lowered = true;
        }
        const QString path = paths.value(key);
        const QImage icon = IconImageNormalizer::trimmed(m_icons.iconForFile(path));
        m_disk.store(icon, key, path);
        insert(key, icon);
        done.fetch_add(1);
    });
    if (done.load() < deferred.size()) {
        CLOG_INFO(QStringLiteral("阶段49：图标磁盘缓存回填因程序退出而停止 — 完成 %1/%2 项，耗时 %3ms")
                      .arg(done.load())
                      .arg(deferred.size())
                      .arg(milliseconds(backfill)));
        return;
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
