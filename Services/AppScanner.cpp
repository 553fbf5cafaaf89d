#include "Services/AppScanner.h"

#include "Models/StoredLimits.h"
#include "Support/Constants.h"
#include "Support/LogText.h"
#include "Support/Logger.h"
#include "Support/RandomId.h"

#include "Platform/FileRead.h"
#include "Platform/PreferredLanguages.h"
#include "Platform/PropertyListLimits.h"
#include "Platform/StringsTable.h"
#include "Services/NameOrder.h"
#include "Services/ScanWarnings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

#include <cerrno>
#include <climits>
#include <sys/stat.h>

namespace corvanta {

AppScanner::Environment AppScanner::Environment::system()
{
    return {std::make_shared<FileBundleReader>(), std::make_shared<NoDisplayNameSource>(), corvanta::preferredLanguages(),
            QLocale::system()};
}

namespace {

// "/<candidate>.lproj/InfoPlist.strings" for each localisation candidate, in the file system's
// encoding. A candidate that could not be the name of a folder inside the resources folder is
// left out.
QList<QByteArray> stringsFilesOf(const QStringList& candidates)
{
    QList<QByteArray> files;
    for (const QString& candidate : candidates) {
        if (candidate.contains(u'/') || candidate.contains(QChar(0)))
            continue;
        files.append('/' + QFile::encodeName(candidate) + ".lproj/InfoPlist.strings");
    }
    return files;
}

// What QUrl::fromLocalFile makes of a clean absolute path, without two costs a scan of thousands
// of bundles would pay: the scheme is read once, and a path without "%" is taken as written.
// fromLocalFile's decoded mode only escapes each "%" before reading the path the tolerant way.
QUrl fileUrl(const QString& path)
{
    static const QUrl kFile = [] {
        QUrl url;
        url.setScheme(QStringLiteral("file"));
        return url;
    }();
    QUrl url = kFile;
    url.setPath(path, path.contains(u'%') ? QUrl::DecodedMode : QUrl::TolerantMode);
    return url;
}

// Whether the bundle's Info.plist is there or cannot be looked for: a bundle or Contents folder
// this user may not enter hides it as surely as one that does not read. Only a plain absence is
// no fault.
bool infoMayBeThere(const QString& bundlePath)
{
    struct stat info {};
    if (::stat(QFile::encodeName(bundlePath + QStringLiteral("/Contents/Info.plist")).constData(), &info) == 0)
        return true;
    return errno != ENOENT && errno != ENOTDIR;
}

// At least one character that is drawn and is not a space: control and format characters,
// unassigned code points and lone surrogates are not.
bool isVisibleName(const QString& name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(name.at(i), name.at(i + 1));
            ++i;
        } else if (QChar::isSurrogate(c))
            continue;
        if (QChar::isPrint(c) && !QChar::isSpace(c))
            return true;
    }
    return false;
}

} // namespace

AppScanner::AppScanner(QStringList directories, Environment environment)
    : m_directories(std::move(directories)),
      m_environment(std::move(environment)),
      m_stringsFiles(stringsFilesOf(localizationCandidates(m_environment.preferredLanguages)))
{
}

QList<AppItem> AppScanner::scanAll(std::stop_token stop) const
{
    QList<AppItem> result;
    QSet<QString> seenIdentifiers;
    // A bundle's path is its folder's path and its name there, and names in one folder differ:
    // the first sight of a path is the first sight of its folder. Paths are compared by folder
    // rather than one by one.
    QStringList seenFolders;
    for (const QString& folder : m_directories) {
        if (folder.isEmpty())
            continue;
        const QString base = QDir::cleanPath(QDir(folder).absolutePath());
        if (seenFolders.contains(base))
            continue;
        seenFolders.append(base);
        QList<AppItem> apps = appsIn(base, stop);
        // Room for the whole folder at once rather than growing the set step by step.
        seenIdentifiers.reserve(seenIdentifiers.size() + apps.size());
        for (AppItem& app : apps) {
            // Whether the set took the identifier, that is, had not held it: one look-up, not two.
            if (!app.bundleIdentifier.isEmpty()) {
                const qsizetype before = seenIdentifiers.size();
                seenIdentifiers.insert(app.bundleIdentifier);
                if (seenIdentifiers.size() == before)
                    continue;
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

QList<AppItem> AppScanner::appsIn(const QString& base, const std::stop_token& stop) const
{
    QList<AppItem> apps;
    // Hidden entries are skipped, as is anything below the top level. Links that lead nowhere are
    // listed too, so that a dropped bundle is explained in the log.
    const QStringList children = ScanWarnings::listFolder(base);
    if (children.isEmpty())
        return apps;
    // Every bundle of the folder is read below the folder opened once.
    const std::shared_ptr<const FolderHandle> handle = FolderHandle::open(base);
    for (const QString& child : children) {
        if (stop.stop_requested())
            break;
        if (!child.endsWith(QLatin1String(".app")))
            continue;
        // The path is clean and absolute, the very form AppItem::path() gives back from the URL.
        const QString path = base == QLatin1String("/") ? u'/' + child : base + u'/' + child;
        if (auto app = appFrom(m_environment.bundles->bundleIn(handle, child, path), path))
            apps.append(std::move(*app));
    }
    return apps;
}

std::optional<AppItem> AppScanner::appAt(const QString& bundlePath) const
{
    return appFrom(m_environment.bundles->bundle(bundlePath), bundlePath);
}

std::optional<AppItem> AppScanner::appFrom(const std::optional<Bundle>& bundle, const QString& bundlePath) const
{
    if (!bundle) {
        ScanWarnings::droppedBundle(bundlePath);
        return std::nullopt;
    }
    // No call of the system could open it by this path, and it would be stored in every scene.
    if (QFile::encodeName(bundlePath).size() >= PATH_MAX) {
        CLOG_WARN(QStringLiteral("AppScanner: skipped a bundle whose path is longer than the system takes (")
                  + QString::number(bundlePath.size()) + QStringLiteral(" characters): ") + logSafe(bundlePath.left(200)) + QStringLiteral("…"));
        return std::nullopt;
    }
    if (bundle->info.isEmpty() && infoMayBeThere(bundlePath))
        ScanWarnings::unreadableInfo(bundlePath);
    if (bundle->info.backgroundOnly || bundle->info.agent)
        return std::nullopt;
    AppItem app;
    app.id = newRandomId();
    std::optional<QString> name = displayName(*bundle);
    // A label nobody could see or type in search is no name: the folder's stands in.
    app.name = name && isVisibleName(*name) ? std::move(*name) : QFileInfo(bundlePath).completeBaseName();
    if (app.name.size() > StoredLimits::maxNameLength) {
        CLOG_WARN(QStringLiteral("应用名称过长（") + QString::number(app.name.size()) + QStringLiteral(" 个字符），已截断为 ")
                  + QString::number(StoredLimits::maxNameLength) + QStringLiteral(" 个：") + bundlePath);
        app.name = cutName(app.name);
    }
    if (bundle->refusedIdentifierBytes > 0)
        CLOG_WARN(QStringLiteral("应用标识符过长（") + QString::number(bundle->refusedIdentifierBytes) + QStringLiteral(" 字节，上限 ")
                  + QString::number(BundleInfo::maxIdentifierBytes) + QStringLiteral("），按无标识符列出：") + logSafe(bundlePath));
    app.bundleIdentifier = bundle->identifier;
    app.url = fileUrl(bundlePath);
    return app;
}

std::optional<QString> AppScanner::displayName(const Bundle& bundle) const
{
    if (m_environment.displayNames) {
        if (auto name = m_environment.displayNames->displayName(bundle.path); name && !name->isEmpty())
            return name;
    }
    // Each candidate is tried by name: most bundles have none of them, and a failed look-up of
    // a path costs less than listing a resources folder of hundreds of files. A resources folder
    // known to hold no folder has no localisation to look in.
    const bool mayBeLocalized = !m_stringsFiles.isEmpty() && bundle.resourcesMayHoldFolders();
    for (const QByteArray& file : mayBeLocalized ? m_stringsFiles : QList<QByteArray>()) {
        const auto bytes = bundle.readResourceIfPresent(file, PropertyListLimits::maxBytes);
        std::optional<QString> name = bytes ? stringsTableValue(*bytes, QLatin1StringView("CFBundleDisplayName")) : std::nullopt;
        if (name && !name->isEmpty())
            return name;
    }
    if (bundle.info.displayName)
        return bundle.info.displayName;
    return bundle.info.name;
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
