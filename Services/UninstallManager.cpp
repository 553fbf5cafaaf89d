#include "Services/UninstallManager.h"

#include "Platform/FileRead.h"
#include "Platform/SafeFiles.h"
#include "Services/UninstallExecution.h"
#include "Services/UninstallScan.h"
#include "Support/LogText.h"
#include "Support/Logger.h"

#include <QUrl>

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
    const AppItem onDisk = withResolvedFolder(app);
    plan.permissionIssues = checkPermissions(onDisk);
    QStringList mountRefusals;
    plan.residuals = scanResiduals(onDisk, m_env, *m_guard, cancelled, &mountRefusals);
    plan.permissionIssues << checkResidualWritability(plan.residuals);
    // What is kept for a mount is told in the sheet, so the user knows why it is not listed.
    for (const QString& refusal : std::as_const(mountRefusals))
        plan.permissionIssues << PermissionIssue{QStringLiteral("已跳过挂载点"), refusal, std::nullopt, false};
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

// Whether this process may remove `path` from its folder.
bool mayRemove(const QString& path, const UninstallEnvironment& env)
{
    const auto folder = SafeFiles::linkStat(parentOf(path), env.deviceOverride);
    const auto entry = SafeFiles::linkStat(path, env.deviceOverride);
    if (!folder)
        return false;
    return SafeFiles::mayRemoveEntry(*folder, entry.value_or(SafeFiles::EntryStat{}), env.credentials);
}

} // namespace

QList<UninstallManager::PermissionIssue> UninstallManager::checkPermissions(const AppItem& app) const
{
    QList<PermissionIssue> issues;
    const QString parent = parentOf(app.path());
    if (!mayRemove(app.path(), m_env))
        issues << PermissionIssue{QStringLiteral("需要管理员授权"),
                                  QStringLiteral("「") + app.name + QStringLiteral("」位于 ") + parent
                                      + QStringLiteral("，删除时系统将弹出管理员授权框，输入密码即可继续。"),
                                  std::nullopt, false};
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
    QStringList locked;
    for (const ResidualItem& item : residuals) {
        if (item.requiresAdmin)
            ++admin;
        else if (!mayRemove(item.path(), m_env))
            locked << item.path().mid(item.path().lastIndexOf(u'/') + 1);
    }
    if (admin > 0)
        issues << PermissionIssue{QStringLiteral("需要管理员授权"),
                                  QStringLiteral("有 ") + QString::number(admin)
                                      + QStringLiteral(" 项残留位于系统目录（/Library 等），删除时系统会弹出管理员授权框；若跳过授权，这些项目会清理失败。"),
                                  std::nullopt, false};
    if (!locked.isEmpty()) {
        QString names = locked.mid(0, 3).join(QStringLiteral("、"));
        if (locked.size() >= 4)
            names += QStringLiteral(" 等 ") + QString::number(locked.size()) + QStringLiteral(" 项");
        issues << PermissionIssue{QStringLiteral("部分残留无写入权限"),
                                  names + QStringLiteral(" 无写入权限，删除时系统可能要求管理员授权，或该项清理失败（不影响应用本体卸载）。"),
                                  std::nullopt, false};
    }
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
    return Uninstall::executeUninstall(plan, includeApp, m_env, *m_guard);
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
