#include "Support/Constants.h"

#include "Platform/StandardPaths.h"
#include "Support/FolderMigration.h"
#include "Support/Logger.h"

#include <QDir>

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

QStringList systemUtilitiesDirectories()
{
    return {QStringLiteral("/System/Applications/Utilities"), QStringLiteral("/Applications/Utilities")};
}

QStringList utilitiesDirectories(const QStringList& scanOverride)
{
    QStringList out = systemUtilitiesDirectories();
    for (const QString& folder : scanOverride) {
        const QString clean = QDir::cleanPath(folder);
        if (clean.section(QLatin1Char('/'), -1) == QLatin1String("Utilities") && !out.contains(clean))
            out << clean;
    }
    return out;
}

QStringList utilitiesDirectories()
{
    static const QStringList folders =
        utilitiesDirectories(StandardPaths::applicationDirectoriesOverride().value_or(QStringList()));
    return folders;
}

QString resolvedAppSupportDirectory(const QString& applicationSupportBase)
{
    const QString current = QDir::cleanPath(applicationSupportBase + QLatin1Char('/') + currentFolderName);
    const QString earlier = QDir::cleanPath(applicationSupportBase + QLatin1Char('/') + earlierFolderName);

    const std::optional<std::error_code> moved = moveEarlierFolder(earlier, current);
    if (moved && !*moved) {
        CLOG_INFO(QStringLiteral("阶段149：已迁移 Application Support ") + earlierFolderName
                  + QStringLiteral(" → ") + currentFolderName);
        return current;
    }
    QDir().mkpath(current); // a failure shows when the callers write into it
    if (moved) {
        CLOG_WARN(QStringLiteral("阶段149：Application Support 迁移失败 — ")
                  + QString::fromStdString(moved->message()));
    }
    return current;
}

QString resolvedAppSupportDirectory()
{
    return resolvedAppSupportDirectory(StandardPaths::applicationSupportDirectory());
}

} // namespace corvanta::AppConstants
