#include "Services/DockManager.h"

#include "Platform/DockPreferences.h"
#include "Platform/DockRestart.h"
#include "Support/Logger.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>

namespace corvanta {

namespace {

QString trimSlashes(QString path)
{
    qsizetype begin = 0;
    qsizetype end = path.size();
    while (begin < end && path.at(begin) == QLatin1Char('/'))
        ++begin;
    while (end > begin && path.at(end - 1) == QLatin1Char('/'))
        --end;
    return path.mid(begin, end - begin);
}

// One form for a path however it was written: "." and ".." resolved, doubled and outer slashes gone.
QString standardised(const QString& path)
{
    return trimSlashes(path.isEmpty() ? path : QDir::cleanPath(path));
}

// The path a tile's "_CFURLString" names: the path of a file URL, or the string itself.
QString tilePath(const QString& urlString)
{
    const QUrl url(urlString, QUrl::StrictMode);
    if (url.isValid() && (url.scheme().isEmpty() || url.isLocalFile()))
        return url.path(QUrl::FullyDecoded);
    return urlString;
}

} // namespace

DockManager::DockManager(DockPreferences& preferences, DockRestarter& restarter, Scheduler& scheduler,
    std::function<bool(const QString&)> fileExists)
    : m_preferences(preferences), m_restarter(restarter), m_scheduler(scheduler), m_fileExists(std::move(fileExists))
{
    if (!m_fileExists)
        m_fileExists = [](const QString& path) { return QFileInfo::exists(path); };
}

QVariantMap DockManager::tile(const AppItem& app)
{
    QString url = app.url.toString(QUrl::FullyEncoded);
    if (!url.endsWith(QLatin1Char('/')))
        url += QLatin1Char('/');
    const QVariantMap fileData{
        {QStringLiteral("_CFURLString"), url},
        {QStringLiteral("_CFURLStringType"), qint64(15)},
    };
    const QVariantMap tileData{
        {QStringLiteral("file-type"), qint64(41)},
        {QStringLiteral("dock-extra"), false},
        {QStringLiteral("bundle-identifier"), app.bundleIdentifier},
        {QStringLiteral("file-label"), app.name},
        {QStringLiteral("file-data"), fileData},
    };
    return {{QStringLiteral("tile-type"), QStringLiteral("file-tile")}, {QStringLiteral("tile-data"), tileData}};
}

bool DockManager::matches(const QVariant& tile, const AppItem& app)
{
    if (tile.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariant tileData = tile.toMap().value(QStringLiteral("tile-data"));
    if (tileData.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariantMap data = tileData.toMap();
    const QVariant identifier = data.value(QStringLiteral("bundle-identifier"));
    if (identifier.typeId() == QMetaType::QString && !identifier.toString().isEmpty() && identifier.toString() == app.bundleIdentifier)
        return true;
    const QVariant fileData = data.value(QStringLiteral("file-data"));
    if (fileData.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariant urlString = fileData.toMap().value(QStringLiteral("_CFURLString"));
    if (urlString.typeId() != QMetaType::QString)
        return false;
    return standardised(tilePath(urlString.toString())) == standardised(app.url.path(QUrl::FullyDecoded));
}

bool DockManager::containsApp(const AppItem& app) const
{
    const DockPreferences::ReadResult read = m_preferences.read();
    if (!read.contents)
        return false;
    const QVariant tiles = read.contents->root.value(QLatin1String(key));
    if (tiles.typeId() != QMetaType::QVariantList)
        return false;
    const QVariantList list = tiles.toList();
    return std::any_of(list.cbegin(), list.cend(), [&](const QVariant& tile) { return matches(tile, app); });
}

DockManager::Outcome DockManager::addToDock(const AppItem& app)
{
    const QString path = app.url.path(QUrl::FullyDecoded);
    if (!m_fileExists(path))
        return Outcome::failed(QStringLiteral("应用路径不存在：") + path);

    DockPreferences::ReadResult read = m_preferences.read();
    if (!read.contents)
        return Outcome::failed(read.error);
    DockPreferences::Contents contents = *read.contents;
    // Only a missing list is an empty one: a list of another type is something we do not know, and
    // replacing it would wipe the user's Dock.
    const QVariant stored = contents.root.value(QLatin1String(key));
    if (stored.isValid() && stored.typeId() != QMetaType::QVariantList)
        return Outcome::failed(QStringLiteral("程序坞偏好设置中的常驻项不是列表，未作修改"));
    QVariantList tiles = stored.toList();
    if (std::any_of(tiles.cbegin(), tiles.cend(), [&](const QVariant& t) { return matches(t, app); }))
        return Outcome::alreadyPresent();

    tiles.append(tile(app));
    contents.root.insert(QLatin1String(key), tiles);
    QString error;
    if (!m_preferences.write(contents, &error))
        return Outcome::failed(QStringLiteral("写入程序坞偏好设置失败：") + error);

    CLOG_INFO(QStringLiteral("DockManager: 写入常驻项 — ") + app.name + QStringLiteral("（共 ") + QString::number(tiles.size())
              + QStringLiteral(" 项），") + QString::number(restartDelay) + QStringLiteral("s 后重启 Dock"));
    scheduleDockRestart();
    return Outcome::added();
}

void DockManager::scheduleDockRestart()
{
    DockRestarter* restarter = &m_restarter;
    m_scheduler.schedule(restartDelay, [restarter] { restarter->restart(); });
}

} // namespace corvanta
