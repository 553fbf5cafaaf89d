#include "Platform/Bundle.h"

#include "Platform/FileRead.h"
#include "Platform/PropertyListLimits.h"
#include "Platform/PropertyListTree.h"

#include <QFile>
#include <QFileInfo>

#include <plist/plist.h>

#include <array>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace corvanta {

namespace {

constexpr size_t kKeptBufferBytes = 256 * 1024;

// A text value of at most `maxBytes` bytes; `length` tells the length of a longer one, which is
// never converted (an Info.plist may hold megabytes in one string).
std::optional<QString> boundedText(plist_t node, size_t maxBytes, size_t* length = nullptr)
{
    if (plist_get_node_type(node) == PLIST_STRING) {
        uint64_t bytes = 0;
        plist_get_string_ptr(node, &bytes);
        if (bytes > maxBytes) {
            if (length)
                *length = size_t(bytes);
            return std::nullopt;
        }
    }
    return PropertyListTree::text(node);
}

void readInfo(const PropertyListTree& list, Bundle& out)
{
    static constexpr std::array<const char*, 7> kKeys = {"CFBundleIdentifier", "CFBundleDisplayName", "CFBundleName",
                                                         "CFBundleExecutable", "CFBundleIconFile",    "LSBackgroundOnly",
                                                         "LSUIElement"};
    std::array<plist_t, kKeys.size()> values{};
    list.dictionaryValues(kKeys, values);
    out.identifier = boundedText(values[0], BundleInfo::maxIdentifierBytes, &out.refusedIdentifierBytes).value_or(QString());
    BundleInfo& info = out.info;
    info.entryCount = list.dictionarySize();
    info.displayName = PropertyListTree::text(values[1]);
    info.name = PropertyListTree::text(values[2]);
    info.executable = boundedText(values[3], BundleInfo::maxFileNameBytes);
    info.iconFile = boundedText(values[4], BundleInfo::maxFileNameBytes);
    info.backgroundOnly = PropertyListTree::isTrue(values[5]);
    info.agent = PropertyListTree::isTrue(values[6]);
}

bool isFolder(const QByteArray& nativePath)
{
    struct stat info {};
    return ::stat(nativePath.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// `native` is the bundle's path in the file system's encoding: relative to `base` when there is
// one, else absolute.
std::optional<Bundle> readBundle(const std::shared_ptr<const FolderHandle>& base, QByteArray native, const QString& path)
{
    // Info.plist is opened straight away: it only opens inside a folder, so the folder is looked
    // at on its own only when it does not.
    const qsizetype bundleLength = native.size();
    native += "/Contents/Info.plist";
    // A scan reads thousands of them on one thread, into one buffer.
    thread_local std::vector<char> buffer;
    std::optional<QByteArray> owned;
    std::optional<QByteArrayView> bytes;
    if (base) {
        if (const auto length = base->readRegularFile(native.constData(), PropertyListLimits::maxBytes, buffer))
            bytes = QByteArrayView(buffer.data(), qsizetype(*length));
    } else if ((owned = readNativeFile(native.constData(), PropertyListLimits::maxBytes))) {
        bytes = QByteArrayView(*owned);
    }
    native.truncate(bundleLength);
    if (!bytes && !(base ? base->isFolder(native.constData()) : isFolder(native)))
        return std::nullopt;
    Bundle out;
    out.path = path;
    // One past the limits reads as unreadable; the scan logs that once per bundle.
    if (const auto list = bytes ? PropertyListTree::parse(*bytes) : std::nullopt)
        readInfo(*list, out);
    // An unusually large one does not keep its room for the thread's life.
    if (buffer.size() > kKeptBufferBytes)
        std::vector<char>().swap(buffer);
    // Like the desktop's own bundle API, the resources folder of a bundle with an Info.plist is
    // named without checking that it exists; readers of it meet a missing folder as missing files.
    QString resources = path + QStringLiteral("/Contents/Resources");
    if (bytes || QFileInfo(resources).isDir()) {
        out.resourcesPath = std::move(resources);
        out.resourcesBase = base;
        native += "/Contents/Resources";
        out.nativeResourcesPath = std::move(native);
    }
    return out;
}

} // namespace

std::optional<QString> Bundle::executablePath() const
{
    QString name = info.executable.value_or(QString());
    if (name.isEmpty())
        name = QFileInfo(path).completeBaseName();
    if (name.isEmpty() || name.contains(u'/') || name == QLatin1String(".") || name == QLatin1String(".."))
        return std::nullopt;
    return path + QStringLiteral("/Contents/MacOS/") + name;
}

std::optional<QByteArray> Bundle::readResourceIfPresent(QByteArrayView nativeRelativePath, qsizetype maxBytes) const
{
    if (!resourcesPath)
        return std::nullopt;
    // The path is put together on the stack: a scan tries several names in every bundle. One
    // longer than the system takes could not be opened either.
    const QByteArray folder = nativeResourcesPath.isEmpty() ? QFile::encodeName(*resourcesPath) : nativeResourcesPath;
    char file[PATH_MAX];
    if (folder.size() + nativeRelativePath.size() >= qsizetype(sizeof file))
        return std::nullopt;
    std::memcpy(file, folder.constData(), size_t(folder.size()));
    std::memcpy(file + folder.size(), nativeRelativePath.data(), size_t(nativeRelativePath.size()));
    file[folder.size() + nativeRelativePath.size()] = '\0';
    if (!resourcesBase)
        return readNativeFileIfPresent(file, maxBytes);
    // Opened straight away, as Info.plist is: a missing file fails the open as cheaply as a look-up
    // would, and one that is there is not looked up twice.
    thread_local std::vector<char> buffer;
    const std::optional<size_t> length = resourcesBase->readRegularFile(file, maxBytes, buffer);
    std::optional<QByteArray> bytes;
    if (length)
        bytes = QByteArray(buffer.data(), qsizetype(*length));
    if (buffer.size() > kKeptBufferBytes)
        std::vector<char>().swap(buffer);
    return bytes;
}

bool Bundle::resourcesMayHoldFolders() const
{
    if (!resourcesPath)
        return false;
    return !resourcesBase || resourcesBase->mayHoldFolders(nativeResourcesPath.constData());
}

std::optional<Bundle> FileBundleReader::bundle(const QString& path) const
{
    return readBundle(nullptr, QFile::encodeName(path), path);
}

std::optional<Bundle> FileBundleReader::bundleIn(const std::shared_ptr<const FolderHandle>& folder, const QString& name,
                                                 const QString& path) const
{
    if (!folder)
        return bundle(path);
    return readBundle(folder, QFile::encodeName(name), path);
}

} // namespace corvanta
