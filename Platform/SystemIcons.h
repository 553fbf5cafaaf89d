#pragma once

#include "Platform/Bundle.h"

#include <QHash>
#include <QImage>
#include <QMutex>
#include <QStringList>

#include <memory>

namespace corvanta {

// The desktop's icon for a file. Always an image: a generic application icon stands in for a
// bundle without one or a file that is gone. Safe to call from any thread.
class SystemIconProvider {
public:
    virtual ~SystemIconProvider() = default;
    virtual QImage iconForFile(const QString& path) const = 0;

    static const SystemIconProvider& shared();
};

// The image named by the bundle's CFBundleIconFile in Contents/Resources (".icns" is assumed when
// the name has no extension), at its largest size.
class BundleIconProvider : public SystemIconProvider {
public:
    explicit BundleIconProvider(std::shared_ptr<const BundleReader> bundles = std::make_shared<FileBundleReader>());
    QImage iconForFile(const QString& path) const override;

    // The bundle's own icon, or a null image when it has none that decodes.
    QImage bundleIcon(const QString& path) const;
    static QImage genericApplicationIcon();
    // The largest picture of an image file that may hold several (ICNS, ICO, TIFF) that decodes.
    static QImage largestImage(const QString& file);

private:
    std::shared_ptr<const BundleReader> m_bundles;
};

// Icons set per path; any other path gets a 1024-pixel grey square. Counts the requests.
class FakeIconProvider : public SystemIconProvider {
public:
    void set(const QString& path, const QImage& icon);
    QImage iconForFile(const QString& path) const override;
    QStringList requests() const;

private:
    mutable QMutex m_mutex;
    QHash<QString, QImage> m_icons;
    mutable QStringList m_requests;
};

} // namespace corvanta
