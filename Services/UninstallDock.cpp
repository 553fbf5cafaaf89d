#include "Services/UninstallDock.h"

#include "Services/UninstallGuard.h"

#include <QUrl>

namespace corvanta::Uninstall {

namespace {

// The file path a tile's URL text names, or nothing.
std::optional<QString> tilePath(const QString& text)
{
    if (text.startsWith(u'/'))
        return standardizePath(text, QString());
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile())
        return std::nullopt;
    const QString path = url.toLocalFile();
    if (path.isEmpty())
        return std::nullopt;
    return standardizePath(path, QString());
}

bool isTileOf(const QVariant& element, const QString& appPath, const QString& identifier)
{
    if (element.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariant tileData = element.toMap().value(QStringLiteral("tile-data"));
    if (tileData.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariantMap data = tileData.toMap();
    const QVariant fileData = data.value(QStringLiteral("file-data"));
    if (fileData.typeId() == QMetaType::QVariantMap) {
        const QVariant url = fileData.toMap().value(QStringLiteral("_CFURLString"));
        if (url.typeId() == QMetaType::QString) {
            const auto path = tilePath(url.toString());
            if (path && !appPath.isEmpty() && *path == appPath)
                return true;
        }
    }
    const QVariant bundleID = data.value(QStringLiteral("bundle-identifier"));
    return !identifier.isEmpty() && bundleID.typeId() == QMetaType::QString && bundleID.toString() == identifier;
}

} // namespace

DockPruneResult pruneDockTiles(const QVariantList& tiles, const AppItem& app)
{
    DockPruneResult result;
    const QString appPath = standardizePath(app.path(), QString());
    for (const QVariant& element : tiles) {
        if (isTileOf(element, appPath, app.bundleIdentifier))
            ++result.removed;
        else
            result.kept.append(element);
    }
    return result;
}

} // namespace corvanta::Uninstall
