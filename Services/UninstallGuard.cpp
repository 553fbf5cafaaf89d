#include "Services/UninstallGuard.h"

#include "Platform/FileRead.h"
#include "Platform/ResolvedPath.h"
#include "Platform/SafeFiles.h"
#include "Services/UninstallRemnants.h"
#include "Services/UninstallTargets.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <climits>

namespace corvanta::Uninstall {

namespace {

const char* const kSystemFolders[] = {"/", "/Users", "/Users/Shared", "/Applications", "/System", "/private",
                                      "/private/var", "/private/var/db", "/bin", "/cores", "/sbin", "/usr",
                                      "/usr/local", "/opt", "/dev", "/etc", "/tmp", "/var"};
const char* const kLibraryFolders[] = {
    "Application Support", "Caches",        "Preferences",   "Logs",          "Fonts",
    "Frameworks",          "Extensions",    "Filesystems",   "PreferencePanes", "LaunchAgents",
    "LaunchDaemons",       "StartupItems",  "QuickLook",     "Internet Plug-Ins", "Input Methods",
    "PrivilegedHelperTools", "Receipts",    "SystemExtensions", "Audio",      "Mail",
    "Screen Savers",       "Spotlight",     "Services",      "Keyboard Layouts", "ColorPickers",
    "Components",          "ScriptingAdditions", "Widgets"};
const char* const kHomeFolders[] = {"/Library", "/Desktop", "/Documents", "/Downloads", "/Movies",
                                    "/Music",   "/Pictures", "/Public",   "/Applications", "/.Trash"};
const char* const kUserLibraryFolders[] = {
    "Application Support", "Caches",         "Preferences",   "Logs",           "Containers",
    "Group Containers",    "Saved Application State", "WebKit", "HTTPStorages", "Cookies",
    "LaunchAgents",        "LaunchDaemons",  "PreferencePanes", "QuickLook",    "Services",
    "Screen Savers",       "Spotlight",      "Input Methods", "Internet Plug-Ins", "Keyboard Layouts",
    "Frameworks",          "Mail",           "Audio",         "Application Scripts", "Autosave Information",
    "Safari",              "Application Support/CrashReporter", "Caches/SentryCrash"};
// The user's own documents and browsers' profiles (bookmarks, history, passwords): a receipt
// never points into them.
const char* const kPersonalFolders[] = {"/Desktop",  "/Documents", "/Downloads", "/Movies",   "/Music",
                                        "/Pictures", "/Public",    "/Videos",    "/Templates", "/Library/Mobile Documents",
                                        "/Library/CloudStorage",
                                        "/Library/Application Support/Google/Chrome",
                                        "/Library/Application Support/Firefox",
                                        "/Library/Application Support/Microsoft Edge",
                                        "/Library/Application Support/BraveSoftware",
                                        "/Library/Application Support/Vivaldi"};
// Package managers' own records: a receipt never points into them.
const char* const kPackageDatabases[] = {"/var/db/receipts", "/private/var/db/receipts", "/Library/Apple",
                                         "/System", "/var/lib/dpkg", "/var/lib/rpm", "/var/lib/apt"};

const QString kRefusedEmpty = QStringLiteral("拒绝删除空路径或根目录");
const QString kRefusedControl = QStringLiteral("拒绝删除含控制字符的路径");
const QString kRefusedEncoding = QStringLiteral("拒绝删除含无效字符编码的路径");
const QString kRefusedProtected = QStringLiteral("拒绝删除受保护目录：");
const QString kRefusedShallow = QStringLiteral("拒绝删除过浅的路径：");
const QString kRefusedSelf = QStringLiteral("不允许删除 Corvanta 自身");
const QString kRefusedMountPoint = QStringLiteral("拒绝删除挂载点：");
const QString kRefusedMountInside = QStringLiteral("拒绝删除内含挂载点的项目：");

bool hasControlCharacter(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20)
            return true;
    return false;
}

// A name that was not valid UTF-8 reads back with U+FFFD in place of its bytes; written out again
// it would name another file. Such a path cannot be deleted by its text, so it is never offered.
bool hasReplacementCharacter(const QString& text) { return text.contains(QChar::ReplacementCharacter); }

// The system's own items in the Library folders: named by its identifiers, or inside its own
// vendor folder. No application this program uninstalls owns them. Only the item's own name and
// its folder's are looked at (a user may well be called Apple).
bool isSystemVendorItem(const QString& path)
{
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    for (qsizetype i = std::max<qsizetype>(0, parts.size() - 2); i < parts.size(); ++i)
        if (parts.at(i).startsWith(QLatin1String("com.apple."), Qt::CaseInsensitive) || parts.at(i) == QLatin1String("Apple"))
            return true;
    return false;
}

int componentCount(const QString& path) { return int(path.split(u'/', Qt::SkipEmptyParts).size()); }

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

} // namespace

QString canonicalPath(const QString& path)
{
    return resolvedPath(path);
}

QString standardizePath(const QString& path, const QString& home)
{
    QString text = path;
    if (text == QLatin1String("~") || text.startsWith(QLatin1String("~/")))
        text = home + text.mid(1);
    if (text.isEmpty())
        return text;
    const bool absolute = text.startsWith(u'/');
    QStringList parts;
    for (const QString& part : text.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..") && (absolute || (!parts.isEmpty() && parts.last() != QLatin1String("..")))) {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts << part;
    }
    const QString joined = parts.join(u'/');
    return absolute ? u'/' + joined : joined;
}

bool isInside(const QString& inner, const QString& outer)
{
    if (outer.isEmpty())
        return false;
    QString prefix = outer.endsWith(u'/') ? outer : outer + u'/';
    return inner != outer && inner.startsWith(prefix);
}

bool isSameOrInside(const QString& inner, const QString& outer) { return inner == outer || isInside(inner, outer); }

AppItem withResolvedFolder(const AppItem& app)
{
    const QString path = app.path();
    const qsizetype slash = path.lastIndexOf(u'/');
    if (!path.startsWith(u'/') || slash < 0 || slash == path.size() - 1)
        return app;
    const QString folder = canonicalPath(parentOf(path));
    AppItem out = app;
    out.url = QUrl::fromLocalFile((folder == QLatin1String("/") ? QString() : folder) + path.mid(slash));
    return out;
}

UninstallRoots resolvedRoots(const UninstallRoots& roots)
{
    auto resolve = [](const QString& path) { return path.isEmpty() ? path : canonicalPath(standardizePath(path, QString())); };
    UninstallRoots out = roots;
    out.home = resolve(roots.home);
    out.systemRoot = resolve(roots.systemRoot);
    out.ownBundle = resolve(roots.ownBundle);
    out.applicationFolders.clear();
    for (const QString& folder : roots.applicationFolders)
        if (const QString resolved = resolve(folder); !out.applicationFolders.contains(resolved))
            out.applicationFolders << resolved;
    out.ownStateFolders.clear();
    for (const QString& folder : roots.ownStateFolders)
        out.ownStateFolders << resolve(folder);
    // A Library folder that is a link is searched where it leads, as a linked home is.
    out.userLibrary.clear();
    if (!out.home.isEmpty())
        if (const QString library = resolve(roots.homeLibrary()); library != out.home + QStringLiteral("/Library"))
            out.userLibrary = library;
    return out;
}

UninstallGuard::UninstallGuard(const UninstallEnvironment& environment) : m_env(environment)
{
    const UninstallRoots& roots = m_env.roots;
    const QString& home = roots.home;
    auto add = [&](const QString& path) { m_forbidden.insert(standardizePath(path, home)); };
    for (const char* folder : kSystemFolders)
        add(roots.system(QString::fromLatin1(folder)));
    add(roots.library());
    for (const char* folder : kLibraryFolders)
        add(roots.library() + u'/' + QString::fromLatin1(folder));
    add(home);
    for (const char* folder : kHomeFolders)
        add(home + QString::fromLatin1(folder));
    add(roots.homeLibrary());
    for (const char* folder : kUserLibraryFolders)
        add(roots.homeLibrary() + u'/' + QString::fromLatin1(folder));
    for (const QString& folder : roots.applicationFolders)
        add(folder);

    for (const QString& own : roots.ownStateFolders)
        if (!own.isEmpty())
            m_ownFolders << standardizePath(own, home);
    if (!roots.ownBundle.isEmpty())
        m_ownFolders << standardizePath(roots.ownBundle, home);
    // Also where they lead, when a link lies on the way to one of them.
    for (qsizetype i = 0, n = m_ownFolders.size(); i < n; ++i)
        if (const QString real = canonicalPath(m_ownFolders.at(i)); !m_ownFolders.contains(real))
            m_ownFolders << real;

    QStringList folders;
    for (const ScanTarget& target : scanTargets(roots)) {
        folders << target.path;
        m_depthOne.insert(standardizePath(target.path, home));
        if (target.allowCompanyDescent)
            m_vendorParents.insert(standardizePath(target.path, home));
    }
    folders << launchItemFolders(roots) << roots.applicationFolders;
    for (const QString& folder : std::as_const(folders)) {
        QString path = standardizePath(folder, home);
        // No call of the system takes a path of PATH_MAX characters or more, so nothing could
        // delete one: a folder tens of thousands of parts deep would otherwise cost a copy of
        // every one of its ancestors.
        if (path.size() >= PATH_MAX)
            path.truncate(std::max<qsizetype>(1, path.lastIndexOf(u'/', PATH_MAX - 1)));
        while (!m_protectedFolders.contains(path)) {
            m_protectedFolders.insert(path);
            if (path == QLatin1String("/") || path.isEmpty())
                break;
            path = parentOf(path);
        }
    }
    for (const char* database : kPackageDatabases)
        m_packageDatabases << standardizePath(roots.system(QString::fromLatin1(database)), home);
    loadRemnants();
}

namespace {

constexpr qsizetype kMaxRemnants = 200;

} // namespace

// The file is ours, but lies in the user's folders: bounded, and every record checked.
void UninstallGuard::loadRemnants()
{
    if (m_env.remnantsFile.isEmpty())
        return;
    const auto bytes = readWholeFile(m_env.remnantsFile, kMaxRemnantsBytes);
    if (!bytes)
        return;
    for (const RemnantRecord& record : parseRemnants(*bytes, kMaxRemnants))
        m_remnants.insert(record.path, Remnant{record.identity, record.identifier});
}

void UninstallGuard::saveRemnants() const
{
    if (m_env.remnantsFile.isEmpty())
        return;
    QList<RemnantRecord> records;
    for (auto it = m_remnants.cbegin(); it != m_remnants.cend(); ++it)
        records << RemnantRecord{it.key(), it->identity, it->identifier};
    QDir().mkpath(QFileInfo(m_env.remnantsFile).path());
    QSaveFile file(m_env.remnantsFile);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(serializeRemnants(records));
        file.commit();
    }
}

bool UninstallGuard::withinRoots(const QString& standardized) const
{
    const UninstallRoots& roots = m_env.roots;
    if (roots.systemRoot.isEmpty() || isInside(standardized, standardizePath(roots.systemRoot, roots.home)))
        return true;
    if (isInside(standardized, roots.home) || isInside(standardized, roots.homeLibrary()))
        return true;
    for (const QString& folder : roots.applicationFolders)
        if (isInside(standardized, folder))
            return true;
    return false;
}

bool UninstallGuard::isProtectedFolder(const QString& standardized) const
{
    if (m_forbidden.contains(standardized) || m_protectedFolders.contains(standardized))
        return true;
    for (const QString& own : m_ownFolders)
        if (isSameOrInside(standardized, own))
            return true;
    return false;
}

bool UninstallGuard::isInPackageDatabase(const QString& standardized) const
{
    for (const QString& database : m_packageDatabases)
        if (isSameOrInside(standardized, database))
            return true;
    return false;
}

bool UninstallGuard::isSafeResidual(const QString& path, const QString& appPathText) const
{
    const QString& home = m_env.roots.home;
    const QString std = standardizePath(path, home);
    if (std.isEmpty() || hasControlCharacter(std) || hasReplacementCharacter(std) || m_forbidden.contains(std))
        return false;
    const QString appPath = standardizePath(appPathText, home);
    if (std == appPath || isInside(std, appPath))
        return false;
    if (isInside(std, m_env.roots.system(QStringLiteral("/Applications"))) || isInside(std, home + QStringLiteral("/Applications")))
        return false;
    for (const QString& folder : m_env.roots.applicationFolders)
        if (isInside(std, folder))
            return false;
    if (componentCount(std) < 2 || !withinRoots(std) || isProtectedFolder(std) || isSystemVendorItem(std))
        return false;
    return !m_forbidden.contains(canonicalPath(std));
}

std::optional<QString> UninstallGuard::basicRefusal(const QString& path) const
{
    const QString& home = m_env.roots.home;
    const QString p = standardizePath(path, home);
    if (p.isEmpty() || p == QLatin1String("/"))
        return kRefusedEmpty;
    if (hasControlCharacter(p) || hasControlCharacter(path))
        return kRefusedControl;
    if (hasReplacementCharacter(path))
        return kRefusedEncoding;
    if (m_forbidden.contains(p))
        return kRefusedProtected + p;
    if (componentCount(p) < 2)
        return kRefusedShallow + p;
    const QString r = canonicalPath(p);
    if (r.isEmpty() || r == QLatin1String("/") || m_forbidden.contains(r))
        return kRefusedProtected + r;
    for (const QString& own : m_ownFolders)
        if (isSameOrInside(p, own) || isSameOrInside(r, own))
            return kRefusedSelf;
    // A leftover holding one of the program's own folders would take it along.
    for (const QString& own : m_ownFolders)
        if (isInside(own, p) || isInside(own, r))
            return QStringLiteral("拒绝删除内含 Corvanta 自身文件夹的项目：") + p;
    if (!withinRoots(p))
        return QStringLiteral("拒绝删除配置范围之外的路径：") + p;
    return std::nullopt;
}

std::optional<QString> UninstallGuard::placementRefusal(const QString& p, MatchEvidence evidence, const AppItem& app) const
{
    const QString& home = m_env.roots.home;
    const QString parent = parentOf(p);
    const QString grandparent = parentOf(parent);
    const QString misplaced = QStringLiteral("拒绝删除扫描范围之外的路径：") + p;
    switch (evidence) {
    case MatchEvidence::packageReceipt: {
        const auto info = SafeFiles::linkStat(p, m_env.deviceOverride);
        if (info && info->isDirectory())
            return QStringLiteral("拒绝删除安装记录中的文件夹：") + p;
        if (isInPackageDatabase(p))
            return kRefusedProtected + p;
        // A receipt is trusted no further than the scan itself: only the application folders and
        // the Library folders the scan searches. Keychains, mail and message stores, browser data,
        // the home's own files and the system's folders (/usr, /opt, /etc...) lie outside them.
        const UninstallRoots& roots = m_env.roots;
        QStringList zones = launchItemFolders(roots);
        for (const ScanTarget& target : scanTargets(roots))
            zones << target.path;
        zones << roots.applicationFolders;
        QString z;
        for (const QString& zone : std::as_const(zones))
            if (const QString s = standardizePath(zone, home); isInside(p, s) && s.size() > z.size())
                z = s;
        if (!z.isEmpty()) {
            // A receipt is the package's word, not the user's: the user's own files and hidden
            // ones (keys, shell and tool settings) are never cleaned on it.
            for (const QString& part : QStringView(p).mid(z.size() + 1).toString().split(u'/', Qt::SkipEmptyParts))
                if (part.startsWith(u'.'))
                    return QStringLiteral("拒绝删除安装记录中的隐藏文件：") + p;
            for (const char* personal : kPersonalFolders)
                if (isSameOrInside(p, home + QString::fromLatin1(personal)))
                    return QStringLiteral("拒绝删除个人文件夹中的文件：") + p;
            return std::nullopt;
        }
        return misplaced;
    }
    case MatchEvidence::knownPath: {
        const QString key = app.bundleIdentifier.toLower();
        QStringList known = specialResidualPaths(key, m_env.roots);
        for (const QString& pattern : aliasPathPatterns(key, m_env.roots))
            known << expandPattern(pattern, home);
        for (const QString& candidate : std::as_const(known))
            if (standardizePath(candidate, home) == p)
                return std::nullopt;
        return misplaced;
    }
    case MatchEvidence::containerMetadata:
        return parent == standardizePath(m_env.roots.homeLibrary() + QStringLiteral("/Containers"), home)
            ? std::nullopt
            : std::optional<QString>(misplaced);
    case MatchEvidence::launchProgram:
        for (const QString& folder : launchItemFolders(m_env.roots))
            if (standardizePath(folder, home) == parent)
                return std::nullopt;
        return misplaced;
    case MatchEvidence::bundleIdentifier:
    case MatchEvidence::identifierVariant:
    case MatchEvidence::name:
    case MatchEvidence::nameVariant:
    case MatchEvidence::vendorFolder:
        if (m_depthOne.contains(parent) || (m_vendorParents.contains(grandparent) && !isProtectedFolder(parent)))
            return std::nullopt;
        return misplaced;
    }
    return misplaced;
}

std::optional<QString> UninstallGuard::residualRefusal(const ResidualItem& item, const UninstallPlan& plan) const
{
    const QString raw = item.path();
    const QString p = standardizePath(raw, m_env.roots.home);
    if (p != raw)
        return QStringLiteral("拒绝删除非规范路径：") + p;
    if (isProtectedFolder(p) || isSystemVendorItem(p))
        return kRefusedProtected + p;
    if (const auto refusal = placementRefusal(p, item.evidence, plan.app))
        return refusal;
    const QString parent = parentOf(p);
    const auto realParent = SafeFiles::realPath(parent);
    if (realParent && *realParent != parent)
        return QStringLiteral("拒绝删除经由链接到达的路径：") + p;
    const auto info = SafeFiles::linkStat(p, m_env.deviceOverride);
    if (!info)
        return std::nullopt; // already gone; the deletion counts it
    if (const auto refusal = mountRefusal(p))
        return refusal;
    if (item.identity.isValid() && (info->device != item.identity.device || info->inode != item.identity.inode))
        return QStringLiteral("拒绝删除已被替换的项目：") + p;
    return std::nullopt;
}

std::optional<QString> UninstallGuard::mountRefusal(const QString& p) const
{
    // Deleting through a mount point, a bind mount of a folder of the same disk too, would empty
    // whatever is mounted there; the item and everything in it must lie on the one mount.
    if (SafeFiles::isMountPoint(p, m_env.deviceOverride, m_env.mounts))
        return kRefusedMountPoint + p;
    if (SafeFiles::hasMountInside(p, m_env.mounts))
        return kRefusedMountInside + p;
    return std::nullopt;
}

std::optional<QString> UninstallGuard::bundleRefusal(const UninstallPlan& plan) const
{
    const QString& home = m_env.roots.home;
    const QString raw = plan.app.path();
    const QString p = standardizePath(raw, home);
    if (const auto refusal = basicRefusal(p))
        return refusal;
    if (p != raw)
        return QStringLiteral("拒绝删除非规范路径：") + p;
    const auto info = SafeFiles::linkStat(p, m_env.deviceOverride);
    if (!info)
        return QStringLiteral("应用不存在：") + p;
    if (info->isSymlink())
        return QStringLiteral("拒绝删除链接形式的应用：") + p;
    if (!info->isDirectory() || !p.endsWith(QLatin1String(".app"), Qt::CaseInsensitive))
        return QStringLiteral("不是应用程序包：") + p;
    const QString parent = parentOf(p);
    bool inFolder = false;
    for (const QString& folder : m_env.roots.applicationFolders)
        inFolder = inFolder || standardizePath(folder, home) == parent;
    if (!inFolder)
        return QStringLiteral("应用不在应用程序文件夹中：") + p;
    const auto realParent = SafeFiles::realPath(parent);
    if (!realParent || *realParent != parent)
        return QStringLiteral("拒绝删除经由链接到达的路径：") + p;
    if (const auto refusal = mountRefusal(p))
        return refusal;
    if (plan.appIdentity.isValid() && (info->device != plan.appIdentity.device || info->inode != plan.appIdentity.inode))
        return QStringLiteral("拒绝删除已被替换的项目：") + p;
    const auto bundle = m_env.bundles ? m_env.bundles->bundle(p) : std::nullopt;
    if (!bundle || bundle->info.isEmpty() || bundle->identifier != plan.app.bundleIdentifier) {
        const auto remnant = remnantIdentifier(p);
        if (remnant && (plan.app.bundleIdentifier.isEmpty() || plan.app.bundleIdentifier == *remnant))
            return std::nullopt;
        return QStringLiteral("应用标识不符：") + p;
    }
    return std::nullopt;
}

void UninstallGuard::rememberRemnant(const QString& path, const FileIdentity& identity, const QString& identifier) const
{
    if (!identity.isValid())
        return;
    QMutexLocker lock(&m_remnantsLock);
    if (m_remnants.size() >= kMaxRemnants)
        m_remnants.erase(m_remnants.begin());
    m_remnants.insert(standardizePath(path, m_env.roots.home), Remnant{identity, identifier});
    saveRemnants();
}

void UninstallGuard::forgetRemnant(const QString& path) const
{
    QMutexLocker lock(&m_remnantsLock);
    if (m_remnants.remove(standardizePath(path, m_env.roots.home)) > 0)
        saveRemnants();
}

std::optional<QString> UninstallGuard::remnantIdentifier(const QString& path) const
{
    const QString p = standardizePath(path, m_env.roots.home);
    Remnant remnant;
    {
        QMutexLocker lock(&m_remnantsLock);
        const auto it = m_remnants.constFind(p);
        if (it == m_remnants.cend())
            return std::nullopt;
        remnant = *it;
    }
    const auto info = SafeFiles::linkStat(p, m_env.deviceOverride);
    if (!info || !info->isDirectory() || FileIdentity{info->device, info->inode} != remnant.identity)
        return std::nullopt;
    // A folder that has an identifier again is judged by it, as any bundle is.
    const auto bundle = m_env.bundles ? m_env.bundles->bundle(p) : std::nullopt;
    if (bundle && !bundle->info.isEmpty() && !bundle->identifier.isEmpty())
        return std::nullopt;
    return remnant.identifier;
}

} // namespace corvanta::Uninstall
