#include "Services/DockFileTileStore.h"

#include "Services/DockManager.h"
#include "Support/Logger.h"

namespace corvanta {

std::optional<QVariantList> DockFileTileStore::persistentApps()
{
    const DockPreferences::ReadResult read = m_preferences.read();
    if (!read.contents)
        return std::nullopt;
    const QVariant tiles = read.contents->root.value(QString::fromLatin1(DockManager::key));
    if (tiles.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    return tiles.toList();
}

bool DockFileTileStore::setPersistentApps(const QVariantList& tiles)
{
    DockPreferences::ReadResult read = m_preferences.read();
    if (!read.contents)
        return false;
    read.contents->root.insert(QString::fromLatin1(DockManager::key), tiles);
    QString error;
    if (!m_preferences.write(*read.contents, &error)) {
        CLOG_WARN(QStringLiteral("Dock 偏好写入失败：") + error);
        return false;
    }
    return true;
}

} // namespace corvanta
