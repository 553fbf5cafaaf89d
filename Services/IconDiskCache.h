#pragma once

#include "Support/TaskRunner.h"

#include <QImage>
#include <QSet>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

namespace corvanta {

// The disk tier of application icons: one small PNG per cache key, named "v4_" + the SHA-256 of
// the key + ".png". A file is trusted only when it is at least 128 pixels on its longer side, is
// rewritten when its bundle changed after the icon was made, and is evicted oldest-used first
// beyond 150 files or 25 MiB. Reads run on the caller's thread; writes and sweeps run as
// background tasks.
class IconDiskCache {
public:
    using FolderProvider = std::function<QString()>;
    using WallClock = std::function<qint64()>; // milliseconds since the Unix epoch

    // `folder` yields the cache folder; it is created each time it is asked for. Creating a cache
    // queues the removal of files of earlier formats.
    IconDiskCache(FolderProvider folder, TaskRunner runner = utilityRunner(), WallClock wallClock = {});

    static IconDiskCache& shared();

    std::optional<QImage> image(const QString& key) const;
    void store(const QImage& image, const QString& key, const QString& bundlePath);
    void keepOnly(const QSet<QString>& keys);
    // For the layout's save on a full disk: writes nothing more in this run and removes every
    // cached picture at once, on the caller's thread.
    void giveUpSpace();

    static double maxPixelSize(const QImage& image);
    static QString fileName(const QString& key);
    QString directory() const;
    QString filePath(const QString& key) const;

    static constexpr int kSmallestSide = 128;
    static constexpr int kLargestSide = 256;
    static constexpr int kMostFiles = 150;
    static constexpr qint64 kMostBytes = 25 * 1024 * 1024;
    // PNG text entry holding when the icon was made. Reads move the file's modification date (it
    // orders eviction), so freshness against the bundle is judged by this instead.
    static constexpr const char* kMadeTextKey = "CorvantaIconMade";

private:
    void storeNow(const QImage& image, const QString& key, const QString& bundlePath);
    void keepOnlyNow(const QSet<QString>& keys);
    void purgeLegacyVersions();
    void evictIfNeeded();
    std::optional<QByteArray> makePNG(const QImage& image, int maxSize) const;

    FolderProvider m_folder;
    TaskRunner m_runner;
    WallClock m_wallClock;
    // Set once a write found the disk or the user's quota full: nothing more is written in this
    // run, so that the icons never take the room the layout's next save needs.
    std::atomic_bool m_outOfSpace{false};
};

} // namespace corvanta
