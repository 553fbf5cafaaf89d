#pragma once

#include <QImage>
#include <QMutex>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace corvanta {

class Clock;
class DesktopWorkspace;

// Where the wallpaper store's files live. The program uses forHome(QDir::homePath()); tests point
// every path into a fixture tree.
struct WallpaperLocations {
    QString indexPlistPath;   // the wallpaper store index
    QString aerialBase;       // holds videos/<id>.mov and thumbnails/<id>.png
    QStringList pictureFolders; // tried, in order, after an index entry's text itself

    static WallpaperLocations forHome(const QString& home,
                                      const QStringList& pictureFolders = {QStringLiteral("/System/Library/Desktop Pictures"),
                                                                           QStringLiteral("/Library/Desktop Pictures")});
};

// A short token that changes whenever the wallpaper does ("file:…", "file-ref:…", "aerial:…",
// "fallback:…" or "unknown").
struct WallpaperIdentity {
    QString token;
    bool operator==(const WallpaperIdentity& other) const { return token == other.token; }
};

// Finds the current desktop wallpaper of a screen: the system wallpaper store's index first
// (picture files and aerial videos), then the picture the desktop itself names. It never captures
// the screen. currentWallpaper() runs on a background thread, everything else on the main thread;
// the resolve cache is guarded by its own lock.
class WallpaperProvider {
public:
    WallpaperProvider(WallpaperLocations locations, const DesktopWorkspace& workspace, const Clock& clock);
    static WallpaperProvider& shared();

    QImage currentWallpaper(const QRectF& screenFrame);
    WallpaperIdentity currentWallpaperIdentity(const std::optional<QRectF>& screenFrame) const;
    // Drops the cached resolution; a resolution running meanwhile does not fill the cache.
    void invalidateResolveCache();

    QImage resolvedWallpaperFromStore() const;
    QImage firstWallpaperImage(const QVariant& value) const;
    std::optional<WallpaperIdentity> firstWallpaperIdentity(const QVariant& value) const;
    std::optional<WallpaperIdentity> identityFromStore() const;
    QImage imageFromWallpaperFile(const QString& text) const;
    std::optional<WallpaperIdentity> identityFromWallpaperFile(const QString& text) const;
    static std::optional<QString> assetID(const QVariantMap& dictionary);
    QImage aerialFrame(const QString& assetID) const;
    QImage fallbackWallpaper(const QRectF& screenFrame) const;
    static QString fileMTimeToken(const QString& path);

    // Image work of the backdrop (any thread).
    // FNV-1a over the grey bytes of a 16 × 16 area-averaged thumbnail: equal pictures, equal prints.
    static quint64 fingerprint(const QImage& image);
    // The width on which the blur radius is measured: the image scaled so its longer side is at
    // most 2048 pixels.
    static int displayPixelWidth(QSize pixelSize);
    // The blurred backdrop (radius in pixels of the scaled image), or the source itself below 1.5.
    static QImage blurred(const QImage& image, double radius);

    const WallpaperLocations& locations() const { return m_locations; }

private:
    std::optional<QVariantMap> readIndex() const;
    QStringList candidates(const QString& text) const;

    WallpaperLocations m_locations;
    const DesktopWorkspace& m_workspace;
    const Clock& m_clock;

    mutable QMutex m_lock; // guards the four fields below
    QString m_cacheKey;
    QImage m_cacheImage;
    double m_cacheAt = 0;
    quint64 m_resolveGeneration = 0;
    bool m_hasLoggedAuthorization = false;
};

} // namespace corvanta
