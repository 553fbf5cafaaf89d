#include "Services/UninstallManager.h"

#include "Platform/FileRead.h"
#include "Platform/SafeFiles.h"
#include "Services/UninstallExecution.h"
#include "Services/UninstallScan.h"
#include "Support/LogText.h"
#include "Support/Logger.h"

#include <QUrl>

#include <algorithm>

namespace corvanta {

using namespace Uninstall;

namespace {

// Hands `task` to `runner`, or runs it here when there is none.
void dispatch(const TaskRunner& runner, Task task)
{
    if (runner)
        runner(std::move(task));
    else
        task();
}

} // namespace

UninstallManager::UninstallManager(UninstallEnvironment environment)
    : m_env(std::move(environment))
{
    // A home or an application folder reached through a link is compared by where it leads.
    m_env.roots = resolvedRoots(m_env.roots);
    m_guard = std::make_unique<UninstallGuard>(m_env);
    m_adminRoute = std::make_unique<AdminRoute>(m_env);
}

UninstallManager::~UninstallManager() = default;

UninstallManager::PlanTicket UninstallManager::makePlan(const AppItem& app,
                                                        std::function<void(PlanTicket, UninstallPlan)> done)
{
    auto cancelled = std::make_shared<std::atomic_bool>(false);
    PlanTicket ticket;
    {
        QMutexLocker lock(&m_mutex);
        ticket = ++m_lastTicket;
        m_pending.insert(ticket, cancelled);
    }
    auto work = [this, app, ticket, cancelled, done = std::move(done)]() mutable {
        UninstallPlan plan = buildPlan(app, cancelled.get());
        auto deliver = [this, ticket, cancelled, done = std::move(done), plan = std::move(plan)]() mutable {
            {
                QMutexLocker lock(&m_mutex);
                m_pending.remove(ticket);
            }
            if (!cancelled->load() && done)
                done(ticket, std::move(plan));
        };
        dispatch(m_env.home, std::move(deliver));
    };
    dispatch(m_env.background, std::move(work));
    return ticket;
}

void UninstallManager::cancelPlan(PlanTicket ticket)
{
    QMutexLocker lock(&m_mutex);
    if (const auto flag = m_pending.value(ticket))
        flag->store(true);
}

UninstallManager::UninstallPlan UninstallManager::buildPlan(const AppItem& app, const std::atomic_bool* cancelled) const
{
    UninstallPlan plan;
    plan.app = app;
    AppItem onDisk = withResolvedFolder(app);
    // What an earlier uninstall left of a bundle has lost its Info.plist, not its identity.
    if (app.bundleIdentifier.isEmpty())
        if (const auto identifier = m_guard->remnantIdentifier(onDisk.path()))
            plan.app.bundleIdentifier = onDisk.bundleIdentifier = *identifier;
    plan.permissionIssues = checkPermissions(onDisk);
    QStringList mountRefusals, unsearchable;
    plan.residuals = scanResiduals(onDisk, m_env, *m_guard, cancelled, &mountRefusals, &unsearchable);
    plan.permissionIssues << checkResidualWritability(plan.residuals);
    // Cookies that cannot be read are the full disk access notice's already.
    unsearchable.removeAll(m_env.roots.homeLibrary() + QStringLiteral("/Cookies"));
    // A folder inside one already named is hidden by it: one cause, named once.
    const QStringList named = unsearchable;
    unsearchable.removeIf([&named](const QString& folder) {
        return std::any_of(named.cbegin(), named.cend(), [&folder](const QString& other) { return isInside(folder, other); });
    });
    if (!unsearchable.isEmpty())
        plan.permissionIssues << PermissionIssue{QStringLiteral("部分目录无法扫描"),
                                                 unsearchable.join(QStringLiteral("、"))
                                                     + QStringLiteral(" 无法读取或是指向别处的链接，其中的残留未能列出。"),
                                                 std::nullopt, false};
    // What is kept for a mount is told in the sheet, so the user knows why it is not listed.
    for (const QString& refusal : std::as_const(mountRefusals))
        plan.permissionIssues << PermissionIssue{QStringLiteral("已跳过挂载点"), refusal, std::nullopt, false};
    // The bundle is refused for the same reason right before it would go: say so now, with the
    // mount it holds.
    const QString bundlePath = standardizePath(onDisk.path(), m_env.roots.home);
    if (const auto refusal = m_guard->mountRefusal(bundlePath)) {
        QString where = bundlePath;
        const QString real = SafeFiles::realPath(bundlePath).value_or(bundlePath);
        for (const QString& point : SafeFiles::mountPoints(m_env.mounts.mountTable))
            if (isInside(point, real)) {
                where = bundlePath + point.mid(real.size());
                break;
            }
        plan.permissionIssues << PermissionIssue{QStringLiteral("应用内有挂载点"),
                                                 QStringLiteral("「") + app.name + QStringLiteral("」中的 ") + where
                                                     + QStringLiteral(" 是挂载点，为保护其中的数据，应用本体不会被删除；请先取消该挂载。"),
                                                 std::nullopt, false};
    }
    plan.bundledUninstaller = detectBundledUninstaller(onDisk, m_env);
    plan.appSize = SafeFiles::directorySize(onDisk.path(), m_env.deviceOverride, m_env.mounts);
    if (const auto stat = SafeFiles::linkStat(onDisk.path(), m_env.deviceOverride))
        plan.appIdentity = FileIdentity{stat->device, stat->inode};
    return plan;
}

namespace {

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

const QString kNoAdminTitle = QStringLiteral("无法取得管理员授权");

} // namespace

QList<UninstallManager::PermissionIssue> UninstallManager::checkPermissions(const AppItem& app) const
{
    QList<PermissionIssue> issues;
    const QString parent = parentOf(app.path());
    if (!userMayRemove(app.path(), m_env) || !userMayEmpty(app.path(), m_env)) {
        // The password prompt is promised only where it will come and the helper will act on it.
        if (const auto why = m_adminRoute->unavailableReason(app.path()))
            issues << PermissionIssue{kNoAdminTitle,
                                      QStringLiteral("「") + app.name + QStringLiteral("」位于 ") + parent
                                          + QStringLiteral("，删除它需要管理员权限，但") + *why
                                          + QStringLiteral("，因此无法删除应用本体。"),
                                      std::nullopt, false};
        else
            issues << PermissionIssue{QStringLiteral("需要管理员授权"),
                                      QStringLiteral("「") + app.name + QStringLiteral("」位于 ") + parent
                                          + QStringLiteral("，删除时系统将弹出管理员授权框，输入密码即可继续。"),
                                      std::nullopt, false};
    }
    const QString cookies = m_env.roots.homeLibrary() + QStringLiteral("/Cookies");
    if (SafeFiles::linkStat(cookies) && !listFolderNames(cookies))
        issues << PermissionIssue{
            QStringLiteral("完全磁盘访问权限"),
            QStringLiteral("缺少该权限将无法扫描/清理 Cookies 等受保护目录的残留。可在「系统设置 → 隐私与安全性 → 完全磁盘访问」中为 Corvanta 开启。"),
            QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles"), true};
    return issues;
}

QList<UninstallManager::PermissionIssue>
UninstallManager::checkResidualWritability(const QList<ResidualItem>& residuals) const
{
    QList<PermissionIssue> issues;
    int admin = 0;
    QStringList locked, lockedFolders, unserved;
    QString why;
    auto nameOf = [](const QString& path) { return path.mid(path.lastIndexOf(u'/') + 1); };
    auto listed = [](const QStringList& names) {
        QString text = names.mid(0, 3).join(QStringLiteral("、"));
        if (names.size() >= 4)
            text += QStringLiteral(" 等 ") + QString::number(names.size()) + QStringLiteral(" 项");
        return text;
    };
    for (const ResidualItem& item : residuals) {
        const bool needsAdmin = !userMayRemove(item.path(), m_env);
        if (!needsAdmin && !item.requiresAdmin)
            continue;
        const auto unavailable = m_adminRoute->unavailableReason(item.path());
        if (needsAdmin && unavailable) {
            // Said before confirming, with the reason: no prompt will come for these.
            unserved << nameOf(item.path());
            if (why.isEmpty())
                why = *unavailable;
        } else if (item.requiresAdmin) {
            if (!unavailable)
                ++admin;
        } else if (needsAdmin) {
            locked << nameOf(item.path());
            if (const QString folder = parentOf(item.path()); !lockedFolders.contains(folder))
                lockedFolders << folder;
        }
    }
    if (admin > 0)
        issues << PermissionIssue{QStringLiteral("需要管理员授权"),
                                  QStringLiteral("有 ") + QString::number(admin)
                                      + QStringLiteral(" 项残留位于系统目录（/Library 等），删除时系统会弹出管理员授权框；若跳过授权，这些项目会清理失败。"),
                                  std::nullopt, false};
    if (!locked.isEmpty())
        issues << PermissionIssue{QStringLiteral("部分残留无写入权限"),
                                  listed(locked) + QStringLiteral(" 所在的文件夹 ") + listed(lockedFolders)
                                      + QStringLiteral(" 无写入权限，删除时系统可能要求管理员授权，或该项清理失败（不影响应用本体卸载）。"),
                                  std::nullopt, false};
    if (!unserved.isEmpty())
        issues << PermissionIssue{kNoAdminTitle,
                                  listed(unserved) + QStringLiteral(" 需要管理员权限才能删除，但") + why
                                      + QStringLiteral("，这些残留将无法清理（不影响应用本体卸载）。"),
                                  std::nullopt, false};
    return issues;
}

void UninstallManager::uninstall(const UninstallPlan& plan, bool includeApp, std::function<void(UninstallOutcome)> done)
{
    auto work = [this, plan, includeApp, done = std::move(done)]() mutable {
        UninstallOutcome outcome = executeUninstall(plan, includeApp);
        auto deliver = [done = std::move(done), outcome = std::move(outcome)]() mutable {
            if (done)
                done(std::move(outcome));
        };
        dispatch(m_env.home, std::move(deliver));
    };
    dispatch(m_env.background, std::move(work));
}

UninstallManager::UninstallOutcome UninstallManager::executeUninstall(const UninstallPlan& plan, bool includeApp) const
{
    return Uninstall::executeUninstall(plan, includeApp, m_env, *m_guard, *m_adminRoute);
}

bool UninstallManager::isProtectedApp(const AppItem& app) const { return Uninstall::isProtectedApp(app, m_env); }

void UninstallManager::openSystemSettings(const QString& url) const
{
    const QUrl parsed(url, QUrl::StrictMode);
    if (url.isEmpty() || !parsed.isValid())
        return;
    if (m_env.openUrl)
        m_env.openUrl(url);
    CLOG_INFO(QStringLiteral("Uninstall: opened system settings — ") + logSafe(url));
}

} // namespace corvanta
