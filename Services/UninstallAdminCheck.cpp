#include "Services/UninstallAdminCheck.h"

#include "Platform/AdminDeleter.h"
#include "Platform/FileRead.h"
#include "Platform/SafeFiles.h"
#include "Services/UninstallExecution.h"
#include "Services/UninstallTargets.h"
#include "Support/Constants.h"

#include <QFile>

namespace corvanta::Uninstall {

namespace {

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// The bundle rule of the helper for a folder named "*.app" directly in an application folder.
std::optional<QString> bundleRefusal(const QString& p, const UninstallGuard& guard)
{
    const UninstallEnvironment& env = guard.environment();
    const QString notABundle = QStringLiteral("不是应用程序包：") + p;
    // The bundle's own description, not one a link lends it from elsewhere.
    const auto contents = SafeFiles::linkStat(p + QStringLiteral("/Contents"), env.deviceOverride);
    const auto info = SafeFiles::linkStat(p + QStringLiteral("/Contents/Info.plist"), env.deviceOverride);
    if (!contents || !contents->isDirectory() || !info || !info->isRegular())
        return notABundle;
    const auto bundle = env.bundles ? env.bundles->bundle(p) : std::nullopt;
    if (!bundle || bundle->info.isEmpty() || bundle->identifier.isEmpty())
        return notABundle;
    UninstallPlan plan;
    plan.app.url = QUrl::fromLocalFile(p);
    plan.app.bundleIdentifier = bundle->identifier;
    if (isProtectedApp(plan.app, env))
        return QStringLiteral("系统应用与 Corvanta 自身不允许卸载");
    return guard.bundleRefusal(plan);
}

} // namespace

UninstallRoots adminHelperRoots(const QString& home, const QString& ownBundle)
{
    UninstallRoots roots;
    roots.home = canonicalPath(standardizePath(home, QString()));
    for (const QString& folder : AppConstants::scanDirectories(roots.home)) {
        const QString text = standardizePath(folder, roots.home);
        if (canonicalPath(text) == text && !roots.applicationFolders.contains(text))
            roots.applicationFolders << text;
    }
    roots.ownBundle = ownBundle;
    for (const char* own : {"/.local/share/Corvanta", "/.local/state/Corvanta", "/.config/Corvanta", "/.cache/Corvanta"})
        roots.ownStateFolders << roots.home + QString::fromLatin1(own);
    return roots;
}

std::optional<quint32> parseUserId(const char* text)
{
    if (!text || !*text)
        return std::nullopt;
    quint64 value = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9' || c - text >= 10)
            return std::nullopt;
        value = value * 10 + quint64(*c - '0');
    }
    // (uid_t)-1 means "no user" to the system's calls.
    if (value >= 0xffffffffULL)
        return std::nullopt;
    return quint32(value);
}

std::optional<QString> adminHelperRefusal(const QString& path, const UninstallGuard& guard, bool* isBundle)
{
    if (isBundle)
        *isBundle = false;
    if (const auto refusal = guard.basicRefusal(path))
        return refusal;
    const UninstallEnvironment& env = guard.environment();
    const QString p = standardizePath(path, env.roots.home);
    if (p != path)
        return QStringLiteral("拒绝删除非规范路径：") + p;

    const QString parent = parentOf(p);
    const auto info = SafeFiles::linkStat(p, env.deviceOverride);
    if (info && info->isDirectory() && p.endsWith(QLatin1String(".app"), Qt::CaseInsensitive)) {
        for (const QString& folder : env.roots.applicationFolders) {
            if (standardizePath(folder, env.roots.home) != parent)
                continue;
            if (isBundle)
                *isBundle = true;
            return bundleRefusal(p, guard);
        }
    }

    // Anything else only inside the Library folders the scan searches: never the home itself,
    // the user's documents, keychains or mail, nor the system's folders.
    QStringList folders = launchItemFolders(env.roots);
    for (const ScanTarget& target : scanTargets(env.roots))
        folders << target.path;
    QString scanFolder;
    for (const QString& folder : std::as_const(folders))
        if (const QString f = standardizePath(folder, env.roots.home); isInside(p, f) && f.size() > scanFolder.size())
            scanFolder = f;
    if (scanFolder.isEmpty())
        return QStringLiteral("拒绝删除扫描范围之外的路径：") + p;
    // Nothing at any depth below the system's own items.
    for (const QString& part : QStringView(p).mid(scanFolder.size() + 1).toString().split(u'/', Qt::SkipEmptyParts))
        if (part.startsWith(QLatin1String("com.apple."), Qt::CaseInsensitive) || part == QLatin1String("Apple"))
            return QStringLiteral("拒绝删除受保护目录：") + p;

    UninstallPlan plan;
    ResidualItem item;
    item.url = QUrl::fromLocalFile(p);
    std::optional<QString> last;
    for (const MatchEvidence evidence : {MatchEvidence::bundleIdentifier, MatchEvidence::containerMetadata,
                                         MatchEvidence::launchProgram, MatchEvidence::packageReceipt}) {
        item.evidence = evidence;
        last = guard.residualRefusal(item, plan);
        if (!last)
            return std::nullopt;
    }
    return last;
}

int adminHelperDelete(const QByteArray& bytes, const UninstallGuard& guard, QString& why, bool* isBundle)
{
    if (isBundle)
        *isBundle = false;
    const QString path = QFile::decodeName(bytes);
    if (QFile::encodeName(path) != bytes) {
        why = QStringLiteral("拒绝删除含无效字符编码的路径");
        return AdminHelperExit::refused;
    }
    if (const auto refusal = adminHelperRefusal(path, guard, isBundle)) {
        why = *refusal;
        return AdminHelperExit::refused;
    }
    const SafeFiles::RemoveOutcome outcome = SafeFiles::removeNoFollow(path, std::nullopt, guard.environment().deviceOverride);
    why = outcome.message;
    switch (outcome.status) {
    case SafeFiles::RemoveOutcome::Status::removed:
    case SafeFiles::RemoveOutcome::Status::missing:
        return AdminHelperExit::deleted;
    case SafeFiles::RemoveOutcome::Status::refused:
        return AdminHelperExit::refused;
    case SafeFiles::RemoveOutcome::Status::failed:
        break;
    }
    return AdminHelperExit::failed;
}

int adminHelperRun(const QByteArrayList& paths, const UninstallGuard& guard, QByteArray& report, QStringList& why)
{
    int worst = AdminHelperExit::deleted;
    bool bundleKept = false;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        int status = AdminHelperReport::skipped;
        QString reason;
        if (!bundleKept) {
            bool isBundle = false;
            status = adminHelperDelete(paths.at(i), guard, reason, &isBundle);
            bundleKept = isBundle && status != AdminHelperExit::deleted;
        }
        report += AdminHelperReport::line(status, i);
        if (status != AdminHelperExit::deleted)
            why << QString::number(i) + QStringLiteral(": ")
                    + (status == AdminHelperReport::skipped ? QStringLiteral("skipped") : reason);
        // Failed outranks refused: a refusal touched nothing.
        if (status == AdminHelperExit::refused && worst == AdminHelperExit::deleted)
            worst = AdminHelperExit::refused;
        else if (status == AdminHelperExit::failed || status == AdminHelperReport::skipped)
            worst = AdminHelperExit::failed;
    }
    return worst;
}

bool userMayRemove(const QString& path, const UninstallEnvironment& env)
{
    const auto folder = SafeFiles::linkStat(parentOf(path), env.deviceOverride);
    const auto entry = SafeFiles::linkStat(path, env.deviceOverride);
    if (!folder)
        return false;
    return SafeFiles::mayRemoveEntry(*folder, entry.value_or(SafeFiles::EntryStat{}), env.credentials);
}

bool userMayEmpty(const QString& folder, const UninstallEnvironment& env)
{
    if (env.credentials.uid == 0)
        return true;
    constexpr int kMaxFolders = 100000;
    constexpr int kMaxDepth = 256;
    QList<std::pair<QString, int>> pending{{folder, 0}};
    int seen = 0;
    while (!pending.isEmpty()) {
        const auto [path, depth] = pending.takeLast();
        // Past the bounds the answer is not known: the plain removal is tried, as before.
        if (++seen > kMaxFolders || depth > kMaxDepth)
            return true;
        const auto self = SafeFiles::linkStat(path, env.deviceOverride);
        if (!self || !self->isDirectory())
            continue;
        const auto names = listFolderNames(path);
        if (!names)
            return false;
        for (const QString& name : *names) {
            const QString inner = path + u'/' + name;
            const auto entry = SafeFiles::linkStat(inner, env.deviceOverride);
            if (!entry)
                continue;
            if (!SafeFiles::mayRemoveEntry(*self, *entry, env.credentials))
                return false;
            if (entry->isDirectory())
                pending.append({inner, depth + 1});
        }
    }
    return true;
}

AdminRoute::AdminRoute(const UninstallEnvironment& env) : m_env(env)
{
    if (env.adminRoots)
        m_env.roots = *env.adminRoots;
    m_guard = std::make_unique<UninstallGuard>(m_env);
}

std::optional<QString> AdminRoute::unavailableReason(const QString& path) const
{
    if (!m_env.admin)
        return QStringLiteral("本次运行未启用管理员授权");
    switch (m_env.admin->availability()) {
    case AdminDeleter::Availability::noPkexec:
        return QStringLiteral("本机没有安装 pkexec，无法弹出管理员授权框");
    case AdminDeleter::Availability::noHelper:
        return QStringLiteral("未找到 Corvanta 的管理员删除工具 corvanta-admin-delete");
    case AdminDeleter::Availability::ready:
        break;
    }
    if (adminHelperRefusal(path, *m_guard))
        return QStringLiteral("管理员删除工具只删除应用程序文件夹中的应用和资源库中的残留，不处理此位置");
    return std::nullopt;
}

} // namespace corvanta::Uninstall
