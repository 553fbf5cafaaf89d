#pragma once

#include <QHash>
#include <QString>
#include <QVariantMap>

#include "Platform/FileRead.h"

#include <memory>
#include <optional>

namespace corvanta {

// What the catalogue needs of an application bundle: a folder "<Name>.app" whose
// Contents/Info.plist describes it.
struct Bundle {
    QString path;                        // the bundle folder
    QString identifier;                  // CFBundleIdentifier, empty when absent or not a text
    QVariantMap info;                    // the Info.plist; empty when missing or unreadable
    std::optional<QString> resourcesPath; // Contents/Resources when it exists
    std::shared_ptr<const FolderHandle> folder; // the open bundle folder, when read from disk

    // Contents/MacOS/<CFBundleExecutable>; the bundle's own name stands in for a missing key.
    // Nothing when the name would leave that folder.
    std::optional<QString> executablePath() const;

    // Names in the resources folder, and the bytes of a file below it (nothing when it is longer
    // than `maxBytes`, when that is not negative).
    std::optional<QStringList> resourceNames() const;
    std::optional<QByteArray> readResource(const QString& relativePath, qsizetype maxBytes = -1) const;
};

class BundleReader {
public:
    virtual ~BundleReader() = default;
    // Nothing when `path` is not a folder.
    virtual std::optional<Bundle> bundle(const QString& path) const = 0;
};

// Reads bundles from the file system; Info.plist may be XML or binary.
class FileBundleReader : public BundleReader {
public:
    std::optional<Bundle> bundle(const QString& path) const override;
};

// Bundles registered by path, for tests that need no files.
class FakeBundleReader : public BundleReader {
public:
    void add(Bundle bundle) { m_bundles.insert(bundle.path, std::move(bundle)); }
    std::optional<Bundle> bundle(const QString& path) const override
    {
        const auto it = m_bundles.constFind(path);
        if (it == m_bundles.cend())
            return std::nullopt;
        return *it;
    }

private:
    QHash<QString, Bundle> m_bundles;
};

} // namespace corvanta
