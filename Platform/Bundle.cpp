#include "Platform/Bundle.h"

#include "Platform/PropertyList.h"
#include "Platform/PropertyListLimits.h"

#include <QDir>
#include <QFileInfo>

namespace corvanta {

std::optional<QString> Bundle::executablePath() const
{
    QString name = info.value(QStringLiteral("CFBundleExecutable")).toString();
    if (info.value(QStringLiteral("CFBundleExecutable")).typeId() != QMetaType::QString || name.isEmpty())
        name = QFileInfo(path).completeBaseName();
    if (name.isEmpty() || name.contains(u'/') || name == QLatin1String(".") || name == QLatin1String(".."))
        return std::nullopt;
    return path + QStringLiteral("/Contents/MacOS/") + name;
}

std::optional<QStringList> Bundle::resourceNames() const
{
    if (folder)
        return folder->listFolder(QStringLiteral("Contents/Resources"));
    return resourcesPath ? listFolderNames(*resourcesPath) : std::nullopt;
}

std::optional<QByteArray> Bundle::readResource(const QString& relativePath, qsizetype maxBytes) const
{
    if (folder)
        return folder->readFile(QStringLiteral("Contents/Resources/") + relativePath, maxBytes);
    return resourcesPath ? readWholeFile(*resourcesPath + u'/' + relativePath, maxBytes) : std::nullopt;
}

std::optional<Bundle> FileBundleReader::bundle(const QString& path) const
{
    // The folder is opened once and every later read inside it goes relative to it: a scan of
    // thousands of bundles is dominated by path lookups otherwise.
    auto folder = FolderHandle::open(path);
    if (!folder)
        return std::nullopt;
    Bundle out;
    out.path = path;
    const auto bytes = folder->readFile(QStringLiteral("Contents/Info.plist"), PropertyListLimits::maxBytes);
    // One past the limits reads as unreadable; the scan logs that once per bundle.
    const auto root = bytes ? PropertyList::parse(*bytes) : std::nullopt;
    if (root && root->typeId() == QMetaType::QVariantMap)
        out.info = root->toMap();
    const QVariant identifier = out.info.value(QStringLiteral("CFBundleIdentifier"));
    if (identifier.typeId() == QMetaType::QString)
        out.identifier = identifier.toString();
    // Like the desktop's own bundle API, the resources folder of a bundle with an Info.plist is
    // named without checking that it exists; readers of it meet a missing folder as missing files.
    const QString resources = path + QStringLiteral("/Contents/Resources");
    if (bytes || QFileInfo(resources).isDir())
        out.resourcesPath = resources;
    out.folder = std::move(folder);
    return out;
}

} // namespace corvanta
