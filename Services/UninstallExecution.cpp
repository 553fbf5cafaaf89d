#include "Services/UninstallExecution.h"

#include "Platform/SafeFiles.h"
#include "Services/UninstallAdminCheck.h"
#include "Services/UninstallDock.h"
#include "Support/LogText.h"
#include "Support/Logger.h"

#include <QHash>
#include <QSet>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace corvanta::Uninstall {

namespace {

using Status = ItemOutcome::Status;

QString safe(const QString& text) { return logSafe(text); }

void runLaunchctl(const QStringList& arguments, const UninstallEnvironment& env)
{
    if (!env.processes || !isExecutableFile(env.tools.launchctl)) {
        static std::atomic_bool logged{false};
        if (!logged.exchange(true))
            CLOG_INFO(QStringLiteral("Uninstall: launch item tool not found — ") + safe(env.tools.launchctl)
                      + QStringLiteral("; launch items not unloaded"));
        return;
    }
    const ChildResult result = env.processes->run(env.tools.launchctl, arguments, env.tools.timeoutMs, 64 * 1024);
    if (!result.started)
        CLOG_ERROR(QStringLiteral("Uninstall: launchctl ") + safe(arguments.join(u' ')) + QStringLiteral(" failed — not started"));
    else if (result.timedOut)
        CLOG_ERROR(QStringLiteral("Uninstall: launchctl ") + safe(arguments.join(u' ')) + QStringLiteral(" failed — timed out"));
}

void bootoutLaunchItem(const QString& path, const UninstallEnvironment& env)
{
    CLOG_INFO(QStringLiteral("Uninstall: bootout launch item — ") + safe(path));
    const QString uid = QString::number(::getuid());
    runLaunchctl({QStringLiteral("bootout"), QStringLiteral("gui/") + uid, path}, env);
    runLaunchctl({QStringLiteral("bootout"), QStringLiteral("user/") + uid, path}, env);
    runLaunchctl({QStringLiteral("bootout"), QStringLiteral("system"), path}, env);
    runLaunchctl({QStringLiteral("unload"), QStringLiteral("-w"), path}, env);
}

std::optional<SafeFiles::Identity> identityOf(const FileIdentity& identity)
{
    if (!identity.isValid())
        return std::nullopt;
    return SafeFiles::Identity{identity.device, identity.inode};
}

// The administrator route for paths whose plain removal was denied (or, beside a denied bundle,
// will be), all in one call: one authorisation for exactly these items. A failure keeps the plain
// removal's error: that is what went wrong; the helper's own words are in its log line. Success is
// believed only when the path is gone afterwards.
QList<ItemOutcome> adminDeleteAll(const QList<ItemOutcome>& plain, const UninstallEnvironment& env)
{
    QStringList paths;
    for (const ItemOutcome& item : plain)
        paths << item.url.toLocalFile();
    QList<AdminDeleter::Result> results = env.admin ? env.admin->deletePaths(paths) : QList<AdminDeleter::Result>();
    QList<ItemOutcome> out;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const QString& path = paths.at(i);
        const AdminDeleter::Result result =
            i < results.size() ? results.at(i) : AdminDeleter::Result{false, false, QStringLiteral("no administrator helper")};
        ItemOutcome done = plain.at(i);
        done.status = Status::failed;
        if (done.message.isEmpty())
            done.message = result.message;
        if (!result.succeeded) {
            CLOG_ERROR(QStringLiteral("Uninstall: admin delete failed — ") + safe(path) + QStringLiteral(": ")
                       + safe(result.message.isEmpty() ? QStringLiteral("unknown") : result.message));
        } else if (SafeFiles::linkStat(path, env.deviceOverride)) {
            CLOG_ERROR(QStringLiteral("Uninstall: admin delete reported success but file remains — ") + safe(path));
        } else {
            CLOG_INFO(QStringLiteral("Uninstall: admin delete OK — ") + safe(path));
            done.status = Status::deletedAsAdmin;
            done.message.clear();
        }
        out << done;
    }
    return out;
}

// One removal without links followed. `denied` tells whether the administrator route may help:
// the removal was denied and the route can take this path.
ItemOutcome plainRemove(const QUrl& url, const FileIdentity& identity, const UninstallEnvironment& env,
                        const AdminRoute& route, bool& denied)
{
    const QString path = url.toLocalFile();
    const SafeFiles::RemoveOutcome removal = env.remove
        ? env.remove(path, identityOf(identity))
        : SafeFiles::removeNoFollow(path, identityOf(identity), env.deviceOverride, env.mounts);
    denied = false;
    if (removal.permissionDenied()) {
        const auto unavailable = route.unavailableReason(path);
        denied = !unavailable;
        if (unavailable && env.admin)
            CLOG_ERROR(QStringLiteral("Uninstall: no administrator route for ") + safe(path) + QStringLiteral(" — ")
                       + *unavailable);
    }
    ItemOutcome out{url, Status::failed, removal.message, removal.removedEntries};
    switch (removal.status) {
    case SafeFiles::RemoveOutcome::Status::removed:
        out.status = Status::deleted;
        out.message.clear();
        break;
    case SafeFiles::RemoveOutcome::Status::missing:
        out.status = Status::alreadyGone;
        out.message.clear();
        break;
    case SafeFiles::RemoveOutcome::Status::refused:
        out.status = Status::refused;
        break;
    case SafeFiles::RemoveOutcome::Status::failed:
        break;
    }
    return out;
}

// The guard's word on one leftover right before it goes.
std::optional<QString> leftoverRefusal(const ResidualItem& item, const UninstallPlan& plan, const UninstallGuard& guard)
{
    if (auto refusal = guard.basicRefusal(item.path()))
        return refusal;
    return guard.residualRefusal(item, plan);
}

// The bundle is still there but no longer whole: entries of it went, or its files shrank.
bool partlyRemoved(const ItemOutcome& bundle, const UninstallPlan& plan, const UninstallEnvironment& env)
{
    const QString path = plan.app.path();
    if (!SafeFiles::linkStat(path, env.deviceOverride))
        return false;
    return bundle.removedEntries > 0 || SafeFiles::directorySize(path, env.deviceOverride) < plan.appSize;
}

} // namespace

bool isProtectedApp(const AppItem& app, const UninstallEnvironment& env)
{
    return app.bundleIdentifier == env.ownBundleIdentifier || app.bundleIdentifier.startsWith(QLatin1String("com.apple."))
        || app.path().startsWith(env.roots.system(QStringLiteral("/System")))
        || (!env.roots.ownBundle.isEmpty()
            && isSameOrInside(standardizePath(app.path(), env.roots.home), standardizePath(env.roots.ownBundle, env.roots.home)));
}

void terminateProcesses(const AppItem& app, const UninstallEnvironment& env)
{
    if (!env.running || (app.bundleIdentifier.isEmpty() && app.path().isEmpty()))
        return;
    const QString id = app.bundleIdentifier;
    const QString path = app.path();
    const QList<qint64> running = env.running->processes(id, path);
    if (running.isEmpty())
        return;
    CLOG_INFO(QStringLiteral("Uninstall: terminating ") + QString::number(running.size())
              + QStringLiteral(" running process(es) of ") + safe(id));
    for (qint64 pid : running)
        env.running->terminate(pid);
    if (env.now && env.pause) {
        const double deadline = env.now() + 2.0;
        while (env.now() < deadline) {
            if (env.running->processes(id, path).isEmpty())
                return;
            env.pause(0.1);
        }
    }
    for (qint64 pid : env.running->processes(id, path)) {
        CLOG_INFO(QStringLiteral("Uninstall: force terminating pid ") + QString::number(pid));
        env.running->forceTerminate(pid);
    }
}

UninstallOutcome executeUninstall(const UninstallPlan& given, bool includeApp, const UninstallEnvironment& env,
                                  const UninstallGuard& guard, const AdminRoute& route)
{
    UninstallOutcome outcome;
    // The bundle as it lies on disk: its folder reached without links, the bundle itself as named.
    UninstallPlan plan = given;
    plan.app = withResolvedFolder(given.app);
    const AppItem& app = plan.app;
    if (isProtectedApp(given.app, env) || isProtectedApp(app, env)) {
        outcome.error = UninstallError::protectedApp();
        return outcome;
    }
    CLOG_INFO(QStringLiteral("Uninstall: start — ") + safe(app.name) + QStringLiteral(" (") + safe(app.bundleIdentifier)
              + QStringLiteral("), includeApp=") + (includeApp ? QStringLiteral("true") : QStringLiteral("false")));

    // Nothing is quit or unloaded for a bundle that is not what the plan said it was. A bundle that
    // is gone already is no reason to keep the leftovers the user asked to remove.
    const bool bundleGone = !SafeFiles::linkStat(app.path(), env.deviceOverride).has_value();
    if (includeApp || !bundleGone) {
        if (const auto refusal = guard.bundleRefusal(plan)) {
            CLOG_ERROR(QStringLiteral("Uninstall: app bundle refused — ") + safe(*refusal));
            outcome.error = UninstallError::appDeleteFailed(*refusal);
            return outcome;
        }
    }

    terminateProcesses(app, env);

    for (const ResidualItem& item : plan.residuals) {
        if (item.kind != ResidualKind::launchItem || !item.path().toLower().endsWith(QLatin1String(".plist")))
            continue;
        if (guard.basicRefusal(item.path()) || guard.residualRefusal(item, plan))
            continue;
        bootoutLaunchItem(item.path(), env);
    }

    UninstallResult& result = outcome.result;
    // Leftovers already decided by the administrator call made for the bundle, by plan index.
    QHash<qsizetype, ItemOutcome> decided;
    bool adminAsked = false;
    if (!includeApp) {
        CLOG_INFO(QStringLiteral("Uninstall: app bundle skipped (未勾选应用本体)"));
    } else {
        bool denied = false;
        ItemOutcome bundle;
        // A bundle this user may not take out of its folder, or not empty, goes to the
        // administrator at once: a plain attempt would empty what it may of it, Info.plist among
        // it, and leave a folder the helper no longer takes for an application.
        if (route.serves(app.path()) && (!userMayRemove(app.path(), env) || !userMayEmpty(app.path(), env))) {
            bundle = ItemOutcome{app.url, Status::failed, QString::fromLocal8Bit(std::strerror(EACCES)), 0};
            denied = true;
        } else {
            bundle = plainRemove(app.url, plan.appIdentity, env, route, denied);
        }
        const QString firstError = bundle.message;
        if (!bundle.succeeded() && denied) {
            CLOG_ERROR(QStringLiteral("Uninstall: app delete failed — ") + safe(firstError)
                       + QStringLiteral("；尝试管理员提权直接删除"));
            // The leftovers this user cannot remove go in the same call, after the bundle: the
            // helper deletes them only once the bundle is gone, and the user is asked once.
            QList<ItemOutcome> batch{bundle};
            QList<qsizetype> batched;
            for (qsizetype i = 0; i < plan.residuals.size(); ++i) {
                const ResidualItem& item = plan.residuals.at(i);
                if (!leftoverRefusal(item, plan, guard) && SafeFiles::linkStat(item.path(), env.deviceOverride)
                    && !userMayRemove(item.path(), env) && route.serves(item.path())) {
                    batch << ItemOutcome{item.url, Status::failed, {}, 0};
                    batched << i;
                }
            }
            const QList<ItemOutcome> done = adminDeleteAll(batch, env);
            adminAsked = true;
            bundle = done.first();
            bundle.removedEntries = batch.first().removedEntries;
            if (!bundle.succeeded())
                bundle.message = firstError;
            for (qsizetype k = 0; k < batched.size(); ++k)
                decided.insert(batched.at(k), done.at(k + 1));
        } else if (!bundle.succeeded()) {
            CLOG_ERROR(QStringLiteral("Uninstall: app delete failed — ") + safe(firstError));
        }
        result.appOutcome = bundle;
        if (bundle.succeeded())
            guard.forgetRemnant(app.path());
        if (bundle.status == Status::deleted || bundle.status == Status::alreadyGone) {
            CLOG_INFO(QStringLiteral("Uninstall: app deleted — ") + safe(app.path()));
        } else if (bundle.status == Status::deletedAsAdmin) {
            CLOG_INFO(QStringLiteral("Uninstall: app deleted (with admin privileges) — ") + safe(app.path()));
        } else {
            outcome.error = UninstallError::appDeleteFailed(firstError);
            if (partlyRemoved(bundle, plan, env)) {
                result.appPartlyRemoved = true;
                result.appRemainingPath = app.path();
                // Its Info.plist may be gone with the rest: what is left can still be uninstalled
                // as this application once the cause is gone.
                if (const auto stat = SafeFiles::linkStat(app.path(), env.deviceOverride))
                    guard.rememberRemnant(app.path(), FileIdentity{stat->device, stat->inode},
                                          guard.remnantIdentifier(app.path()).value_or(app.bundleIdentifier));
                CLOG_ERROR(QStringLiteral("Uninstall: app bundle partly removed — ") + safe(app.path()) + QStringLiteral(" remains"));
            }
            for (const ResidualItem& item : plan.residuals)
                result.residualOutcomes.append(ItemOutcome{item.url, Status::skipped, {}, 0});
            result.failedURLs.clear();
            return outcome;
        }
        result.appDeleted = true;
    }

    // Every leftover in plan order; those denied wait for one administrator call at the end,
    // unless the bundle's call was the uninstall's one already.
    QList<ItemOutcome> outcomes;
    QList<qsizetype> pending;
    QSet<qsizetype> guardRefused; // logged already, in the guard's words
    for (qsizetype i = 0; i < plan.residuals.size(); ++i) {
        const ResidualItem& item = plan.residuals.at(i);
        if (decided.contains(i)) {
            outcomes << decided.value(i);
            continue;
        }
        ItemOutcome done;
        if (const auto refusal = leftoverRefusal(item, plan, guard)) {
            done = ItemOutcome{item.url, Status::refused, *refusal, 0};
            guardRefused.insert(i);
            CLOG_ERROR(QStringLiteral("Uninstall: residual delete refused — ") + safe(item.path()) + QStringLiteral(": ")
                       + safe(UninstallError::appDeleteFailed(*refusal).description()));
        } else {
            bool denied = false;
            done = plainRemove(item.url, item.identity, env, route, denied);
            if (!done.succeeded() && denied && !adminAsked)
                pending << i;
        }
        outcomes << done;
    }
    if (!pending.isEmpty()) {
        QList<ItemOutcome> batch;
        for (const qsizetype i : std::as_const(pending))
            batch << outcomes.at(i);
        const QList<ItemOutcome> done = adminDeleteAll(batch, env);
        for (qsizetype k = 0; k < pending.size(); ++k)
            outcomes[pending.at(k)] = done.at(k);
    }
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        const ItemOutcome& done = outcomes.at(i);
        const QString path = plan.residuals.at(i).path();
        if (done.succeeded())
            ++result.deletedCount;
        else
            result.failedURLs.append(done.url);
        if (done.status == Status::refused && !guardRefused.contains(i))
            CLOG_ERROR(QStringLiteral("Uninstall: residual delete refused — ") + safe(path) + QStringLiteral(": ")
                       + safe(done.message));
        else if (!done.succeeded() && done.status != Status::refused)
            CLOG_ERROR(QStringLiteral("Uninstall: residual delete failed — ") + safe(path) + QStringLiteral(": ")
                       + safe(done.message));
        result.residualOutcomes.append(done);
    }

    if (env.dock) {
        if (const auto tiles = env.dock->persistentApps()) {
            const DockPruneResult pruned = pruneDockTiles(*tiles, given.app);
            if (pruned.removed > 0 && env.dock->setPersistentApps(pruned.kept)) {
                env.dock->restartDock();
                result.dockTilesRemoved = true;
                CLOG_INFO(QStringLiteral("Uninstall: removed Dock icon for ") + safe(app.name) + QStringLiteral(" (persistent-apps ")
                          + QString::number(tiles->size()) + QStringLiteral(" → ") + QString::number(pruned.kept.size())
                          + u')');
            }
        }
    }

    CLOG_INFO(QStringLiteral("Uninstall: done — ") + safe(app.name) + QStringLiteral(", residuals ")
              + QString::number(result.deletedCount) + QStringLiteral(" deleted / ")
              + QString::number(result.failedURLs.size()) + QStringLiteral(" failed"));
    return outcome;
}

} // namespace corvanta::Uninstall
