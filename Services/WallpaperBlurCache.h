#pragma once

#include "Support/TaskRunner.h"

#include <QImage>
#include <QString>

#include <optional>

namespace corvanta {

// A small folder of blurred wallpapers (JPEG) and "latest.json", the pointer to the one shown
// last, which lets the next start show a backdrop before anything is resolved. Lookups run on the
// caller's thread; writes go to the `writes` runner and may overlap each other.
class WallpaperBlurCache {
public:
    struct LatestPointer {
        QString fileName;
        double screenWidth = 0;
        double screenHeight = 0;
    };
    struct LatestEntry {
        QImage image;
        quint64 fingerprint = 0;
        double radius = 0;
    };

    static constexpr int kMaxFiles = 4;
    static constexpr qint64 kMaxBytes = 5 * 1024 * 1024;

    WallpaperBlurCache(QString directory, TaskRunner writes, double jpegQuality);
    static WallpaperBlurCache& shared();

    // "<fingerprint hex>_r<rounded radius>_<width>x<height>.jpg", the size being the source's.
    static QString fileName(quint64 fingerprint, double radius, int width, int height);

    // The folder, created on every call (errors ignored).
    QString directoryPath() const;

    QImage image(quint64 fingerprint, double radius, int width, int height) const;
    void store(const QImage& image, quint64 fingerprint, double radius, int width, int height);
    void writeLatest(quint64 fingerprint, double radius, int width, int height, double screenWidth, double screenHeight);
    std::optional<LatestEntry> readLatestEntry(double screenWidth, double screenHeight) const;
    // Oldest files out until at most kMaxFiles remain and they hold at most kMaxBytes.
    void evictIfNeeded() const;

    // The pointer file's content; nothing for malformed JSON, a missing field or a file name that
    // could leave the folder.
    static std::optional<LatestPointer> parseLatestPointer(const QByteArray& json);
    // Fingerprint and radius read back from a cache file name.
    static std::optional<std::pair<quint64, double>> parseFileName(const QString& fileName);

private:
    QString m_directory;
    TaskRunner m_writes;
    double m_jpegQuality;
};

} // namespace corvanta
