#include "Platform/StandardPaths.h"

#include <QDir>

namespace corvanta::StandardPaths {

namespace {

// The XDG base-directory rule: an unset, empty or relative value means the default under home.
QString xdgDirectory(const char* variable, const QString& fallbackUnderHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(homeDirectory() + QLatin1Char('/') + fallbackUnderHome);
}

} // namespace

QString homeDirectory()
{
    return QDir::homePath();
}

QString applicationSupportDirectory()
{
    return xdgDirectory("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

QString logsBaseDirectory()
{
    return xdgDirectory("XDG_STATE_HOME", QStringLiteral(".local/state"));
}

QStringList parseDirectoryList(const QString& value)
{
    QStringList folders;
    for (const QString& entry : value.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders.append(QDir::cleanPath(entry));
    return folders;
}

std::optional<QStringList> applicationDirectoriesOverride()
{
    const QStringList folders = parseDirectoryList(qEnvironmentVariable(applicationDirectoriesVariable));
    if (folders.isEmpty())
        return std::nullopt;
    return folders;
}

} // namespace corvanta::StandardPaths
