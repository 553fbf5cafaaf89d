#include "Support/Constants.h"

#include "Platform/StandardPaths.h"
#include "Support/Logger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace corvanta::AppConstants {

namespace {
const QString currentFolderName = QStringLiteral("Corvanta");
const QString earlierFolderName = QStringLiteral("Verdanza");
} // namespace

QStringList scanDirectories(const QString& homeDirectory)
{
    return {
        homeDirectory + QStringLiteral("/Applications"),
        QStringLiteral("/Applications"),
        QStringLiteral("/Applications/Utilities"),
        QStringLiteral("/Users/Shared/Applications"),
        QStringLiteral("/System/Applications"),
        QStringLiteral("/System/Applications/Utilities"),
        QStringLiteral("/System/Volumes/Preboot/Cryptexes/App/System/Applications"),
    };
}

QStringList scanDirectories()
{
    static const QStringList folders = StandardPaths::applicationDirectoriesOverride().value_or(
        scanDirectories(StandardPaths::homeDirectory()));
    return folders;
}

QString resolvedAppSupportDirectory(const QString& applicationSupportBase)
{
    const QString current = QDir::cleanPath(applicationSupportBase + QLatin1Char('/') + currentFolderName);
    const QString earlier = QDir::cleanPath(applicationSupportBase + QLatin1Char('/') + earlierFolderName);

    if (QFileInfo::exists(current) || !QFileInfo::exists(earlier)) {
        QDir().mkpath(current);
        return current;
    }

    std::error_code error;
    std::filesystem::rename(QFile::encodeName(earlier).constData(), QFile::encodeName(current).constData(), error);
    if (!error) {
        CLOG_INFO(QStringLiteral("阶段149：已迁移 Application Support ") + earlierFolderName
                  + QStringLiteral(" → ") + currentFolderName);
    } else {
        QDir().mkpath(current);
        CLOG_WARN(QStringLiteral("阶段149：Application Support 迁移失败 — ")
                  + QString::fromStdString(error.message()));
    }
    return current;
}

QString resolvedAppSupportDirectory()
{
    return resolvedAppSupportDirectory(StandardPaths::applicationSupportDirectory());
}

} // namespace corvanta::AppConstants
