#include "Services/AppScanner.h"

#include "Models/StoredLimits.h"
#include "Support/Constants.h"
#include "Support/Logger.h"

#include "Platform/PreferredLanguages.h"
#include "Platform/PropertyList.h"
#include "Platform/PropertyListLimits.h"
#include "Platform/StringsTable.h"
#include "Services/NameOrder.h"
#include "Services/ScanWarnings.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

namespace corvanta {

AppScanner::Environment AppScanner::Environment::system()
{
    return {std::make_shared<FileBundleReader>(), std::make_shared<NoDisplayNameSource>(), corvanta::preferredLanguages(),
            QLocale::system()};
}

AppScanner::AppScanner(QStringList directories, Environment environment)
    : m_directories(std::move(directories)),
      m_environment(std::move(environment)),
      m_candidates(localizationCandidates(m_environment.preferredLanguages))
{
}

QList<AppItem> AppScanner::scanAll(std::stop_token stop) const
{
    QList<AppItem> result;
    QSet<QString> seenPaths;
    QSet<QString> seenIdentifiers;
    for (const QString& folder : m_directories) {
        for (AppItem& app : appsIn(folder, stop)) {
            const QString path = app.path();
            if (seenPaths.contains(path))
                continue;
            seenPaths.insert(path);
            if (!app.bundleIdentifier.isEmpty()) {
                if (seenIdentifiers.contains(app.bundleIdentifier))
                    continue;
                seenIdentifiers.insert(app.bundleIdentifier);
            }
            result.append(std::move(app));
        }
    }
    sortAppsByName(result, m_environment.locale);
    return result;
}

QFuture<QList<AppItem>> AppScanner::scanAllAsync() const
{
    return QtConcurrent::run([scanner = *this] { return scanner.scanAll(); });
}

QList<AppItem> AppScanner::appsIn(const QString& folder, const std::stop_token& stop) const
{
    QList<AppItem> apps;
    if (folder.isEmpty())
        return apps;
    const QString base = QDir::cleanPath(QDir(folder).absolutePath());
    // Hidden entries are skipped, as is anything below the top level. Links that lead nowhere are
    // listed too, so that a dropped bundle is explained in the log.
    const QStringList children = ScanWarnings::listFolder(base);
    for (const QString& child : children) {
        if (stop.stop_requested())
            break;
        if (QFileInfo(child).suffix() != QLatin1String("app"))
            continue;
        if (auto app = appAt(base == QLatin1String("/") ? u'/' + child : base + u'/' + child))
            apps.append(std::move(*app));
    }
    return apps;
}

std::optional<AppItem> AppScanner::appAt(const QString& bundlePath) const
{
    const auto bundle = m_environment.bundles->bundle(bundlePath);
    if (!bundle) {
        ScanWarnings::droppedBundle(bundlePath);
        return std::nullopt;
    }
    if (bundle->info.isEmpty() && QFileInfo::exists(bundlePath + QStringLiteral("/Contents/Info.plist")))
        ScanWarnings::unreadableInfo(bundlePath);
    if (PropertyList::isTrue(bundle->info.value(QStringLiteral("LSBackgroundOnly")))
        || PropertyList::isTrue(bundle->info.value(QStringLiteral("LSUIElement"))))
        return std::nullopt;
    AppItem app;
    app.id = QUuid::createUuid();
    app.name = displayName(*bundle).value_or(QFileInfo(bundlePath).completeBaseName());
    if (app.name.size() > StoredLimits::maxNameLength) {
        CLOG_WARN(QStringLiteral("应用名称过长（") + QString::number(app.name.size()) + QStringLiteral(" 个字符），已截断为 ")
                  + QString::number(StoredLimits::maxNameLength) + QStringLiteral(" 个：") + bundlePath);
        app.name = cutName(app.name);
    }
    app.bundleIdentifier = bundle->identifier;
    app.url = QUrl::fromLocalFile(bundlePath);
    return app;
}

std::optional<QString> AppScanner::displayName(const Bundle& bundle) const
{
    if (m_environment.displayNames) {
        if (auto name = m_environment.displayNames->displayName(bundle.path); name && !name->isEmpty())
            return name;
    }
    // One listing of the resources folder tells which localisations exist, far cheaper than
    // trying a path per preferred language in every bundle.
    if (const auto resources = bundle.resourceNames()) {
        for (const QString& candidate : m_candidates) {
            const QString folder = candidate + QStringLiteral(".lproj");
            if (!resources->contains(folder))
                continue;
            const auto bytes = bundle.readResource(folder + QStringLiteral("/InfoPlist.strings"),
                                                    PropertyListLimits::maxBytes);
            const auto table = bytes ? parseStringsTable(*bytes) : std::nullopt;
            if (!table)
                continue;
            const QString name = table->value(QStringLiteral("CFBundleDisplayName"));
            if (!name.isEmpty())
                return name;
        }
    }
    for (const char* key : {"CFBundleDisplayName", "CFBundleName"}) {
        const QVariant value = bundle.info.value(QLatin1String(key));
        if (value.typeId() == QMetaType::QString)
            return value.toString();
    }
    return std::nullopt;
}

bool isUtilitiesApp(const AppItem& app, const QStringList& utilitiesFolders)
{
    const QString path = app.path();
    for (const QString& folder : utilitiesFolders) {
        if (path == folder || (path.startsWith(folder) && path.at(folder.size()) == u'/'))
            return true;
    }
    return false;
}

bool isUtilitiesApp(const AppItem& app)
{
    return isUtilitiesApp(app, AppConstants::utilitiesDirectories());
}

} // namespace corvanta
