#pragma once

#include "Services/UninstallAdminCheck.h"
#include "Services/UninstallEnvironment.h"
#include "Services/UninstallGuard.h"
#include "Services/UninstallRecords.h"

#include <QHash>
#include <QMutex>

#include <atomic>
#include <functional>
#include <memory>

namespace corvanta {

// Builds uninstall plans (what would go: the bundle and the leftovers it finds, with sizes, kinds
// and permission problems) and carries out confirmed ones. Every path it deletes passes the
// deletion guard right before the deletion; nothing is ever followed through a symbolic link.
// Requests run on the environment's background runner and refer to the manager: it must outlive
// them (the shared one lives as long as the process).
class UninstallManager {
public:
    using UninstallPlan = Uninstall::UninstallPlan;
    using ResidualItem = Uninstall::ResidualItem;
    using ResidualKind = Uninstall::ResidualKind;
    using PermissionIssue = Uninstall::PermissionIssue;
    using UninstallError = Uninstall::UninstallError;
    using UninstallResult = Uninstall::UninstallResult;
    using UninstallOutcome = Uninstall::UninstallOutcome;

    // Identifies one plan request; late results of a cancelled or replaced request are dropped.
    using PlanTicket = quint64;
    static constexpr PlanTicket kNoTicket = 0;

    // The program's instance, over the real folders and tools of this machine.
    static UninstallManager& shared();

    explicit UninstallManager(UninstallEnvironment environment);
    ~UninstallManager();
    UninstallManager(const UninstallManager&) = delete;
    UninstallManager& operator=(const UninstallManager&) = delete;

    const UninstallEnvironment& environment() const { return m_env; }
    const Uninstall::UninstallGuard& guard() const { return *m_guard; }

    // Starts building the plan for `app` in the background; `done` runs on the home runner (the
    // main thread) with the plan, unless the ticket was cancelled first. Never fails: problems
    // narrow the leftovers or become permission issues.
    PlanTicket makePlan(const AppItem& app, std::function<void(PlanTicket, UninstallPlan)> done);
    // The result of this request will not be delivered; the scan stops at its next check.
    void cancelPlan(PlanTicket ticket);

    // Builds the plan on the calling thread. `cancelled` is polled between the scan's passes.
    UninstallPlan buildPlan(const AppItem& app, const std::atomic_bool* cancelled = nullptr) const;

    // Carries out a confirmed plan (already reduced to the leftovers the user kept) in the
    // background; `done` runs on the home runner.
    void uninstall(const UninstallPlan& plan, bool includeApp, std::function<void(UninstallOutcome)> done);
    // The same on the calling thread (a background thread: it waits for the application to quit,
    // for child tools and for the administrator prompt).
    UninstallOutcome executeUninstall(const UninstallPlan& plan, bool includeApp) const;

    // True for the program itself, the system's applications and anything under the system folder:
    // these are never offered for uninstall.
    bool isProtectedApp(const AppItem& app) const;

    // Opens a settings page named by a permission issue.
    void openSystemSettings(const QString& url) const;

private:
    QList<PermissionIssue> checkPermissions(const AppItem& app) const;
    QList<PermissionIssue> checkResidualWritability(const QList<ResidualItem>& residuals) const;

    UninstallEnvironment m_env;
    std::unique_ptr<Uninstall::UninstallGuard> m_guard;
    std::unique_ptr<Uninstall::AdminRoute> m_adminRoute;
    mutable QMutex m_mutex;
    PlanTicket m_lastTicket = kNoTicket;
    QHash<PlanTicket, std::shared_ptr<std::atomic_bool>> m_pending;
};

} // namespace corvanta
