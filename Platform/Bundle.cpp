#include "Platform/Bundle.h"

#include "Platform/PropertyList.h"

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

std::optional<Bundle> FileBundleReader::bundle(const QString& path) const
{
    if (!QFileInfo(path).isDir())
        return std::nullopt;
    Bundle out;
    out.path = path;
    if (const auto root = PropertyList::readFile(path + QStringLiteral("/Contents/Info.plist"));
        root && root->typeId() == QMetaType::QVariantMap)
        out.info = root->toMap();
    const QVariant identifier = out.info.value(QStringLiteral("CFBundleIdentifier"));
    if (identifier.typeId() == QMetaType::QString)
        out.identifier = identifier.toString();
    const QString resources = path + QStringLiteral("/Contents/Resources");
    if (QFileInfo(resources).isDir())
        out.resourcesPath = resources;
    return out;
}

} // namespace corvanta
