#pragma once

#include "Models/SceneStore.h"
#include "Services/IconDiskCache.h"
#include "Platform/SystemIcons.h"
#include "Support/TaskRunner.h"

#include <QCache>
#include <QImage>
#include <QMutex>

#include <atomic>
#include <functional>
#include <optional>

namespace corvanta {

// The memory tier of application icons, shared by every view that draws an application. A miss
// falls through to the disk tier and then to the desktop's icon, trimmed. At start-up the icons
// of the stored layout are pre-warmed in the background, first-page icons first, so the first
// frame of the grid needs no placeholders.
class IconCache {
public:
    // `stopped` tells the pre-warm, between two icons, that the process is ending.
    IconCache(IconDiskCache& disk, const SystemIconProvider& icons, TaskRunner prewarmRunner = utilityRunner(),
              std::function<bool()> stopped = backgroundWorkStopped);

    static IconCache& shared();

    // The bundle identifier, or the bundle's path when it has none.
    static QString cacheKey(const AppItem& app);

    // The cells' synchronous lookup; any thread.
    std::optional<QImage> cachedImage(const QString& key) const;
    // Always an image. Meant for background threads: it may read the disk and decode icons.
    QImage loadImage(const QString& key, const QString& bundlePath);

    // Starts the background pre-warm of `layout` and returns at once.
    void prewarm(const TilehallLayout& layout);
    // The applications the first frame shows: the first page's applications and the first nine
    // members of each of its folders, in display order.
    static QList<AppItem> firstFrameApps(const TilehallLayout& layout);

    bool isPrewarmFinished() const;

    // The largest side, in pixels, at which the views draw an icon. Icons are held in memory at
    // most this large (the disk tier keeps its own size); 0 keeps them as decoded. A larger size
    // than before empties the memory tier, whose icons would now be too small.
    void setDrawPixels(int pixels);
    int drawPixels() const { return m_drawPixels.load(); }
    // `image` no larger than `pixels` on its longer side (smaller images are returned as they are).
    static QImage atMostPixels(const QImage& image, int pixels);

    // Misses seen by the views since the shell last reset the count (main thread only).
    int missCount() const { return m_missCount; }
    void noteMiss() { ++m_missCount; }
    void resetMissCount() { m_missCount = 0; }

    static constexpr int kMostIcons = 150;
    static constexpr int kFolderPreviewCount = 9;

private:
    // Puts the icon in memory at the draw size and returns what was stored.
    QImage insert(const QString& key, const QImage& image);
    void runPrewarm(const QStringList& keys, qsizetype firstFrameCount, const QHash<QString, QString>& paths);
    void setPrewarmFinished(bool finished);

    IconDiskCache& m_disk;
    const SystemIconProvider& m_icons;
    TaskRunner m_prewarmRunner;
    std::function<bool()> m_stopped;

    mutable QMutex m_cacheLock;
    QCache<QString, QImage> m_cache;

    mutable QMutex m_lock;
    bool m_prewarmFinished = true;

    int m_missCount = 0;
    std::atomic_int m_drawPixels{0};
};

} // namespace corvanta
