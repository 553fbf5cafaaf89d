#pragma once

#include "Platform/FileRead.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <memory>
#include <optional>

namespace corvanta {

// What the program reads of a bundle's Info.plist. The rest of the list is never converted: a
// scan reads thousands of them.
struct BundleInfo {
    qsizetype entryCount = 0;            // keys of the dictionary; 0 when missing, unreadable or no dictionary
    std::optional<QString> displayName;  // CFBundleDisplayName, when a text
    std::optional<QString> name;         // CFBundleName, when a text
    std::optional<QString> executable;   // CFBundleExecutable, when a text
    std::optional<QString> iconFile;     // CFBundleIconFile, when a text
    bool backgroundOnly = false;         // LSBackgroundOnly is a Boolean true or the number 1
    bool agent = false;                  // LSUIElement likewise: no Dock icon, no menu bar

    bool isEmpty() const { return entryCount == 0; }

    // Bytes (UTF-8) of a bundle identifier kept: real ones are reverse domain names of a few
    // dozen characters. A longer one is no identifier: cut, it could name another application's
    // files, so it is dropped whole.
    static constexpr size_t maxIdentifierBytes = 255;
    // Bytes of an executable or icon file name: one file name, no longer than a folder entry.
    static constexpr size_t maxFileNameBytes = 255;
};

// What the catalogue needs of an application bundle: a folder "<Name>.app" whose
// Contents/Info.plist describes it.
struct Bundle {
    QString path;                         // the bundle folder
    QString identifier;                   // CFBundleIdentifier, empty when absent, not a text or too long
    size_t refusedIdentifierBytes = 0;    // the length of a CFBundleIdentifier dropped as too long
    BundleInfo info;                      // empty when Info.plist is missing or unreadable
    std::optional<QString> resourcesPath; // Contents/Resources when it exists
    // Where files below the resources folder are read, in the file system's encoding: relative
    // to `resourcesBase`, the open folder holding the bundle, when it was read through one;
    // else an absolute path. Empty when only `resourcesPath` says it.
    std::shared_ptr<const FolderHandle> resourcesBase;
    QByteArray nativeResourcesPath;

    // Contents/MacOS/<CFBundleExecutable>; the bundle's own name stands in for a missing key.
    // Nothing when the name would leave that folder.
    std::optional<QString> executablePath() const;

    // A file below the resources folder by its path there ("/en.lproj/InfoPlist.strings", in
    // the file system's encoding), as FolderHandle::readRegularFile reads it (readNativeFileIfPresent
    // for a bundle read without its folder); nothing without a resources folder.
    std::optional<QByteArray> readResourceIfPresent(QByteArrayView nativeRelativePath, qsizetype maxBytes) const;
    // False when the resources folder is missing or surely holds no folder (no localisation), so
    // that files in its subfolders need not be looked for one by one.
    bool resourcesMayHoldFolders() const;
};

class BundleReader {
public:
    virtual ~BundleReader() = default;
    // Nothing when `path` is not a folder.
    virtual std::optional<Bundle> bundle(const QString& path) const = 0;
    // The bundle `name` inside `folder`, whose own path joined with `name` is `path`: the same
    // as bundle(path), for readers that can make use of the open folder.
    virtual std::optional<Bundle> bundleIn(const std::shared_ptr<const FolderHandle>& folder, const QString& name,
                                           const QString& path) const
    {
        Q_UNUSED(folder);
        Q_UNUSED(name);
        return bundle(path);
    }
};

// Reads bundles from the file system; Info.plist may be XML or binary.
class FileBundleReader : public BundleReader {
public:
    std::optional<Bundle> bundle(const QString& path) const override;
    // Reads below the open folder, and leaves the bundle reading its resources there too.
    std::optional<Bundle> bundleIn(const std::shared_ptr<const FolderHandle>& folder, const QString& name,
                                   const QString& path) const override;
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
