#include "Services/UninstallScan.h"

#include "Platform/FileRead.h"
#include "Platform/PropertyList.h"
#include "Platform/SafeFiles.h"
#include "Services/UninstallMatching.h"
#include "Services/UninstallReceipts.h"
#include "Services/UninstallTargets.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace corvanta::Uninstall {

namespace {

struct Collected {
    ResidualKind kind;
    bool requiresAdmin;
    MatchEvidence evidence;
};

// The collection the passes share: outermost folder wins, the first kind found for a path stays.
class Collection {
public:
    Collection(const AppItem& app, const UninstallGuard& guard, const QString& home)
        : m_app(app), m_guard(guard), m_home(home)
    {
    }

    void collect(const QString& path, ResidualKind kind, bool requiresAdmin, MatchEvidence evidence)
    {
        if (!m_guard.isSafeResidual(path, m_app.path()))
            return;
        const QString std = standardizePath(path, m_home);
        if (m_info.contains(std))
            return;
        if (const auto refusal = refusalOf(std, evidence)) {
            // A leftover kept for what is mounted in it is named to the user; other refusals
            // are structural and say nothing the user could act on.
            if (refusal == m_guard.mountRefusal(std) && !m_mountRefusals.contains(*refusal))
                m_mountRefusals << *refusal;
            return;
        }
        for (const QString& existing : std::as_const(m_order))
            if (isInside(std, existing))
                return;
        m_order.erase(std::remove_if(m_order.begin(), m_order.end(),
                                     [&](const QString& existing) { return isInside(existing, std); }),
                      m_order.end());
        m_order << std;
        m_info.insert(std, Collected{kind, requiresAdmin, evidence});
    }

    const QStringList& order() const { return m_order; }
    const QStringList& mountRefusals() const { return m_mountRefusals; }
    Collected info(const QString& path) const
    {
        return m_info.value(path, Collected{ResidualKind::other, false, MatchEvidence::nameVariant});
    }

private:
    // What the execution's guard would refuse is not offered at all.
    std::optional<QString> refusalOf(const QString& path, MatchEvidence evidence) const
    {
        if (auto refusal = m_guard.basicRefusal(path))
            return refusal;
        ResidualItem item;
        item.url = QUrl::fromLocalFile(path);
        item.evidence = evidence;
        UninstallPlan plan;
        plan.app = m_app;
        return m_guard.residualRefusal(item, plan);
    }

    const AppItem& m_app;
    const UninstallGuard& m_guard;
    QString m_home;
    QStringList m_order;
    QStringList m_mountRefusals;
    QHash<QString, Collected> m_info;
};

QString joined(const QString& folder, const QString& name) { return folder + u'/' + name; }

// The folder as listed must be the folder itself: a scan folder reached through a link is skipped.
bool isPlainFolder(const QString& folder, const SafeFiles::DeviceOverride& deviceOverride)
{
    const auto info = SafeFiles::linkStat(folder, deviceOverride);
    if (!info || !info->isDirectory())
        return false;
    const auto real = SafeFiles::realPath(folder);
    return real && *real == folder;
}

// Every other bundle on disk, whose contexts are made only once a leftover needs the comparison.
// The application folders are read here rather than taken from the catalogue, which keeps one
// bundle per identifier: a copy of the application must still claim the data it shares. Each
// bundle claims by its identifier, its embedded helpers' identifiers (a helper two applications
// embed keeps its data while either stays) and each of its names: the catalogue's, the file's
// and CFBundleName.
class Rivals {
public:
    Rivals(const AppItem& app, const UninstallEnvironment& env) : m_app(app), m_env(env) {}

    // Whether some other application's name or identifier matches the entry at least as well.
    bool claim(const QString& name, const QString& norm, int ownScore, bool byName, bool byID)
    {
        load();
        for (const MatchContext& other : std::as_const(m_contexts)) {
            const int score = std::max(byName ? other.nameScore(name, norm) : 0, byID ? other.bundleScore(norm) : 0);
            if (score >= ownScore)
                return true;
        }
        return false;
    }

    // Whether another bundle has this identifier too: a copy of the application.
    bool sharesIdentifier(const QString& identifier)
    {
        load();
        return m_identifiers.contains(normalizedName(identifier));
    }

private:
    void load()
    {
        if (m_loaded)
            return;
        m_loaded = true;
        if (!m_env.bundles)
            return;
        const QString ownPath = canonicalPath(m_app.path());
        QSet<QString> seen;
        QSet<QString> helpersRead;
        auto add = [&](AppItem other, const std::optional<Bundle>& bundle) {
            const QString path = canonicalPath(other.path());
            // A bundle inside the one being removed goes with it.
            if (isSameOrInside(path, ownPath))
                return;
            if (!other.bundleIdentifier.isEmpty())
                m_identifiers.insert(normalizedName(other.bundleIdentifier));
            QStringList names{other.name};
            const QString fileName = path.section(u'/', -1);
            if (fileName.endsWith(QLatin1String(".app"), Qt::CaseInsensitive) && fileName.size() > 4)
                names << fileName.chopped(4);
            if (bundle && bundle->info.name)
                names << *bundle->info.name;
            for (const QString& name : std::as_const(names)) {
                if (name.size() > kMaxNameLength)
                    continue;
                const QString key = path + u'\n' + normalizedName(name) + u'\n' + other.bundleIdentifier;
                if (seen.contains(key))
                    continue;
                seen.insert(key);
                other.name = name;
                // The helpers are the bundle's, whatever it is called: read once.
                const bool withHelpers = !helpersRead.contains(path);
                helpersRead.insert(path);
                m_contexts << MatchContext::make(other, *m_env.bundles, withHelpers);
            }
        };
        // The bundles at the top level of an application folder, named as the file is.
        for (const QString& folder : m_env.roots.applicationFolders) {
            const auto names = listFolderNames(folder);
            for (const QString& name : names.value_or(QStringList())) {
                if (!name.endsWith(QLatin1String(".app"), Qt::CaseInsensitive) || name.size() <= 4)
                    continue;
                const QString path = joined(folder, name);
                const auto bundle = m_env.bundles->bundle(path);
                if (!bundle)
                    continue;
                AppItem other;
                other.name = name.chopped(4);
                other.bundleIdentifier = bundle->identifier;
                other.url = QUrl::fromLocalFile(path);
                add(other, bundle);
            }
        }
        if (m_env.installedApps)
            for (const AppItem& other : m_env.installedApps())
                add(other, m_env.bundles->bundle(other.path()));
    }

    // Longer than any file name: not a name anything on disk is matched by.
    static constexpr qsizetype kMaxNameLength = 255;

    const AppItem& m_app;
    const UninstallEnvironment& m_env;
    bool m_loaded = false;
    QList<MatchContext> m_contexts;
    QSet<QString> m_identifiers;
};

// Whether another bundle claims anything directly inside `folder`: such a folder is never offered
// whole, whatever its own name says.
bool holdsClaimed(const MatchContext& ctx, Rivals& rivals, const QString& folder, const ScanTarget& row)
{
    const auto names = listFolderNames(folder);
    for (const QString& name : names.value_or(QStringList())) {
        const QString norm = normalizedName(name);
        const int own = std::max(row.matchName ? ctx.nameScore(name, norm) : 0, row.matchBundleID ? ctx.bundleScore(norm) : 0);
        if (rivals.claim(name, norm, std::max<int>(own, looseMatch), row.matchName, row.matchBundleID))
            return true;
    }
    return false;
}

// One level inside a folder this application shares with others (its vendor's, or one named like
// it that holds another's data): the entries it alone claims.
void collectOwnEntries(const MatchContext& ctx, Rivals& rivals, Collection& collection, const QString& folder,
                       const ScanTarget& row, const UninstallEnvironment& env)
{
    if (SafeFiles::isMountPoint(folder, env.deviceOverride, env.mounts))
        return; // something mounted there: another disk's folders are not looked into
    const auto inner = listFolderNames(folder);
    for (const QString& sub : inner.value_or(QStringList())) {
        const QString subNorm = normalizedName(sub);
        const int subName = row.matchName ? ctx.nameScore(sub, subNorm) : 0;
        const int subID = row.matchBundleID ? ctx.bundleScore(subNorm) : 0;
        if ((!subName && !subID) || rivals.claim(sub, subNorm, std::max(subName, subID), row.matchName, row.matchBundleID))
            continue;
        const QString path = joined(folder, sub);
        const auto info = SafeFiles::linkStat(path, env.deviceOverride);
        if (info && info->isDirectory() && holdsClaimed(ctx, rivals, path, row))
            continue;
        collection.collect(path, row.kind, row.requiresAdmin, MatchEvidence::vendorFolder);
    }
}

void scanTargetsPass(const MatchContext& ctx, Rivals& rivals, Collection& collection, const UninstallEnvironment& env,
                     QStringList& unsearchable)
{
    for (const ScanTarget& row : scanTargets(env.roots)) {
        if (row.kind == ResidualKind::launchItem)
            continue; // launch items go only on their own label or file name (launchItemsPass)
        // A folder that is there but cannot be listed as itself hides whatever it holds: the
        // user is told which.
        if (!isPlainFolder(row.path, env.deviceOverride)) {
            if (SafeFiles::linkStat(row.path, env.deviceOverride))
                unsearchable << row.path;
            continue;
        }
        const auto names = listFolderNames(row.path);
        if (!names) {
            unsearchable << row.path;
            continue;
        }
        for (const QString& name : *names) {
            if (row.suffix && !name.toLower().endsWith(*row.suffix))
                continue;
            const QString full = joined(row.path, name);
            const auto info = SafeFiles::linkStat(full, env.deviceOverride);
            if (!info)
                continue;
            const bool isFolder = info->isDirectory(); // a link is never a folder here
            if ((isFolder && row.onlyFile) || (!isFolder && !row.allowFile))
                continue;
            const QString norm = normalizedName(name);
            const int byName = row.matchName ? ctx.nameScore(name, norm) : 0;
            const int byID = row.matchBundleID ? ctx.bundleScore(norm) : 0;
            if (byName || byID) {
                if (rivals.claim(name, norm, std::max(byName, byID), row.matchName, row.matchBundleID))
                    continue;
                if (isFolder && holdsClaimed(ctx, rivals, full, row))
                    collectOwnEntries(ctx, rivals, collection, full, row, env);
                else
                    collection.collect(full, row.kind, row.requiresAdmin, ctx.evidence(norm, byName, byID));
                continue;
            }
            if (row.kind == ResidualKind::crashReport && !isFolder && ctx.matchesCrashReport(norm)) {
                if (!rivals.claim(name, norm, looseMatch, true, false))
                    collection.collect(full, ResidualKind::crashReport, row.requiresAdmin, MatchEvidence::nameVariant);
                continue;
            }
            if (!row.allowCompanyDescent || !isFolder || !ctx.company || norm != *ctx.company)
                continue;
            collectOwnEntries(ctx, rivals, collection, full, row, env);
        }
    }
}

void containersPass(const AppItem& app, Collection& collection, const UninstallEnvironment& env)
{
    const QString appPath = standardizePath(app.path(), env.roots.home);
    const QString containers = env.roots.homeLibrary() + QStringLiteral("/Containers");
    if (!isPlainFolder(containers, env.deviceOverride))
        return;
    const auto names = listFolderNames(containers);
    if (!names)
        return;
    QStringList found;
    for (const QString& entry : *names) {
        const QString folder = joined(containers, entry);
        const auto info = SafeFiles::linkStat(folder, env.deviceOverride);
        if (!info || !info->isDirectory())
            continue;
        const auto plist = readSmallPlist(joined(folder, QStringLiteral("Container.plist")));
        if (!plist)
            continue;
        const QVariant validation = plist->value(QStringLiteral("SandboxProfileDataValidationInfo"));
        if (validation.typeId() != QMetaType::QVariantMap)
            continue;
        const QVariant parameters = validation.toMap().value(QStringLiteral("SandboxProfileDataValidationParametersKey"));
        if (parameters.typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap params = parameters.toMap();
        const QVariant bundle = params.value(QStringLiteral("application_bundle"));
        const QVariant dyld = params.value(QStringLiteral("application_dyld_paths"));
        QStringList candidates;
        if (bundle.typeId() == QMetaType::QString) {
            if (standardizePath(bundle.toString(), env.roots.home) == appPath)
                continue; // the application's own container is found by its identifier
            candidates << bundle.toString();
        }
        if (dyld.typeId() == QMetaType::QString)
            candidates << dyld.toString();
        for (const QString& candidate : std::as_const(candidates)) {
            if (isInside(standardizePath(candidate, env.roots.home), appPath)) {
                found << folder;
                break;
            }
        }
    }
    for (const QString& folder : std::as_const(found))
        collection.collect(folder, ResidualKind::container, false, MatchEvidence::containerMetadata);
}

// A launch item is this application's only on its own word: its file name or its label is the
// application's identifier or an embedded helper's, and no other bundle claims either. Where its
// program lies says nothing: a program in a folder only loosely named after the application may
// be another's.
bool ownsLaunchItem(const MatchContext& ctx, Rivals& rivals, const QStringList& names)
{
    bool exact = false;
    for (const QString& name : names)
        exact = exact || ctx.bundleIDKeywords.contains(normalizedName(name));
    if (!exact)
        return false;
    for (const QString& name : names) {
        const QString norm = normalizedName(name);
        const int own = ctx.bundleIDKeywords.contains(norm) ? int(exactMatch) : std::max(ctx.nameScore(name, norm), ctx.bundleScore(norm));
        if (rivals.claim(name, norm, std::max<int>(own, looseMatch), true, true))
            return false;
    }
    return true;
}

void launchItemsPass(const MatchContext& ctx, Rivals& rivals, Collection& collection, const UninstallEnvironment& env,
                     QStringList& unsearchable)
{
    // Longer than any identifier: no label this application could have.
    constexpr qsizetype kMaxLabelLength = 1024;
    QStringList found;
    const QString library = env.roots.library();
    const QString startupFolder = library + QStringLiteral("/StartupItems");
    for (const QString& folder : launchItemFolders(env.roots)) {
        if (!isPlainFolder(folder, env.deviceOverride)) {
            if (SafeFiles::linkStat(folder, env.deviceOverride))
                unsearchable << folder;
            continue;
        }
        const auto names = listFolderNames(folder);
        if (!names) {
            unsearchable << folder;
            continue;
        }
        // Startup items are folders named for what they start; the others are property lists.
        const bool startupItems = folder == startupFolder;
        for (const QString& entry : *names) {
            const QString path = joined(folder, entry);
            const auto info = SafeFiles::linkStat(path, env.deviceOverride);
            if (!info || info->isDirectory() != startupItems)
                continue;
            QStringList claims;
            if (startupItems) {
                claims << entry;
            } else if (entry.toLower().endsWith(QLatin1String(".plist"))) {
                claims << entry.chopped(6);
                if (const auto plist = readSmallPlist(path)) {
                    const QVariant label = plist->value(QStringLiteral("Label"));
                    if (label.typeId() == QMetaType::QString && label.toString().size() <= kMaxLabelLength)
                        claims << label.toString();
                }
            }
            if (!claims.isEmpty() && ownsLaunchItem(ctx, rivals, claims))
                found << path;
        }
    }
    for (const QString& path : std::as_const(found))
        collection.collect(path, ResidualKind::launchItem, isInside(path, library), MatchEvidence::launchProgram);
}

void knownPathsPass(const AppItem& app, Rivals& rivals, Collection& collection, const UninstallEnvironment& env)
{
    const QString key = app.bundleIdentifier.toLower();
    const QString library = env.roots.library();
    QStringList paths = specialResidualPaths(key, env.roots);
    for (const QString& pattern : aliasPathPatterns(key, env.roots))
        paths << expandPattern(pattern, env.roots.home);
    // What is known for an identifier is a copy's as much while one stays; a path whose name
    // another bundle matches is that one's.
    if (paths.isEmpty() || rivals.sharesIdentifier(app.bundleIdentifier))
        return;
    for (const QString& path : std::as_const(paths)) {
        const QString name = path.section(u'/', -1);
        if (SafeFiles::linkStat(path, env.deviceOverride) && !rivals.claim(name, normalizedName(name), looseMatch, true, true))
            collection.collect(path, ResidualKind::special, isInside(path, library), MatchEvidence::knownPath);
    }
}

bool isCancelled(const std::atomic_bool* cancelled) { return cancelled && cancelled->load(); }

} // namespace

std::optional<QVariantMap> readSmallPlist(const QString& path, qint64 maxBytes)
{
    const auto info = SafeFiles::linkStat(path);
    if (!info || !info->isRegular() || info->size > maxBytes)
        return std::nullopt;
    const auto bytes = readWholeFile(path);
    if (!bytes || bytes->size() > maxBytes)
        return std::nullopt;
    const auto value = PropertyList::parse(*bytes);
    if (!value || value->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return value->toMap();
}

QList<ResidualItem> scanResiduals(const AppItem& app, const UninstallEnvironment& env, const UninstallGuard& guard,
                                  const std::atomic_bool* cancelled, QStringList* mountRefusals, QStringList* unsearchable)
{
    QStringList unlisted;
    static const FileBundleReader kFileBundles;
    const BundleReader& bundles = env.bundles ? *env.bundles : kFileBundles;
    const MatchContext ctx = MatchContext::make(app, bundles);
    Rivals rivals(app, env);
    Collection collection(app, guard, env.roots.home);

    scanTargetsPass(ctx, rivals, collection, env, unlisted);
    if (!isCancelled(cancelled))
        containersPass(app, collection, env);
    if (!isCancelled(cancelled))
        launchItemsPass(ctx, rivals, collection, env, unlisted);
    if (unsearchable)
        *unsearchable = unlisted;
    if (!isCancelled(cancelled))
        knownPathsPass(app, rivals, collection, env);
    if (!isCancelled(cancelled)) {
        QStringList known{standardizePath(app.path(), env.roots.home)};
        known << collection.order();
        const QString library = env.roots.library();
        for (const QString& path : packageReceiptFiles(app, known, env, guard))
            collection.collect(path, ResidualKind::other, isInside(path, library), MatchEvidence::packageReceipt);
    }

    QList<ResidualItem> items;
    for (const QString& path : collection.order()) {
        if (isCancelled(cancelled))
            break;
        const Collected info = collection.info(path);
        ResidualItem item;
        item.url = QUrl::fromLocalFile(path);
        item.size = SafeFiles::sizeOfItem(path, env.deviceOverride, env.mounts);
        item.kind = info.kind;
        item.requiresAdmin = info.requiresAdmin;
        item.evidence = info.evidence;
        if (const auto stat = SafeFiles::linkStat(path, env.deviceOverride))
            item.identity = FileIdentity{stat->device, stat->inode};
        items << item;
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const ResidualItem& a, const ResidualItem& b) { return a.path() < b.path(); });
    if (mountRefusals)
        *mountRefusals = collection.mountRefusals();
    return items;
}

std::optional<QUrl> detectBundledUninstaller(const AppItem& app, const UninstallEnvironment& env)
{
    static const FileBundleReader kFileBundles;
    const BundleReader& bundles = env.bundles ? *env.bundles : kFileBundles;
    const QString appPath = app.path();
    const QString parent = appPath.left(std::max<qsizetype>(appPath.lastIndexOf(u'/'), 0));
    const UninstallRoots& roots = env.roots;
    const QString utilities = roots.system(QStringLiteral("/Applications/Utilities"));
    const QStringList excluded{roots.system(QStringLiteral("/Applications")), utilities,
                               roots.system(QStringLiteral("/System/Applications")),
                               roots.system(QStringLiteral("/System/Library"))};
    QStringList folders;
    if (!excluded.contains(parent))
        folders << parent;
    folders << utilities;
    const QString appLower = appPath.mid(appPath.lastIndexOf(u'/') + 1).toLower();
    const QString nameLower = app.name.toLower();
    static const char* const kKeywords[] = {"uninstall", "uninstaller", "remove", "remover"};
    static const char* const kNotUninstallers[] = {"nib", "xib", "plist", "strings", "txt", "log"};
    for (const QString& folder : std::as_const(folders)) {
        const auto names = listFolderNames(folder);
        if (!names)
            continue;
        QStringList hits;
        for (const QString& name : *names) {
            const QString lower = name.toLower();
            if (lower == appLower)
                continue;
            bool keyword = false;
            for (const char* k : kKeywords)
                keyword = keyword || lower.contains(QLatin1String(k));
            if (!keyword)
                continue;
            const QString path = joined(folder, name);
            if (!SafeFiles::linkStat(path))
                continue;
            const qsizetype dot = lower.lastIndexOf(u'.');
            const QString ext = dot >= 0 ? lower.mid(dot + 1) : QString();
            if (ext == QLatin1String("app")) {
                const auto bundle = bundles.bundle(path);
                if (!bundle || bundle->info.executable.value_or(QString()).isEmpty())
                    continue;
            } else {
                bool excludedExt = false;
                for (const char* e : kNotUninstallers)
                    excludedExt = excludedExt || ext == QLatin1String(e);
                if (excludedExt)
                    continue;
            }
            hits << name;
        }
        if (hits.isEmpty())
            continue;
        std::sort(hits.begin(), hits.end(), [&](const QString& a, const QString& b) {
            const bool aNamed = !nameLower.isEmpty() && a.toLower().contains(nameLower);
            const bool bNamed = !nameLower.isEmpty() && b.toLower().contains(nameLower);
            if (aNamed != bNamed)
                return aNamed;
            return a < b;
        });
        return QUrl::fromLocalFile(joined(folder, hits.first()));
    }
    return std::nullopt;
}

} // namespace corvanta::Uninstall
