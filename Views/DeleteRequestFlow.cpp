#include "Views/DeleteRequestFlow.h"

#include "Support/InteractionManager.h"
#include "Support/LogText.h"
#include "Support/Logger.h"
#include "Views/TilehallContentView.h"
#include "Views/UninstallConfirmationSheet.h"
#include "Views/UninstallReasonText.h"
#include "Views/UninstallSelection.h"

#include <cerrno>
#include <cstring>

namespace corvanta {

namespace {

QString failureLine(const Uninstall::ItemOutcome& outcome, const QString& home)
{
    const QString path = outcome.url.toLocalFile();
    QString line = QStringLiteral("• ") + UninstallText::abbreviatedPath(path, home);
    if (!outcome.message.isEmpty()) {
        // The guard's refusals end with the path: the line names it once, at its start.
        QString reason = UninstallText::failureReason(outcome.message);
        if (const QString named = QStringLiteral("：") + path; reason.endsWith(named) && reason.size() > named.size())
            reason.chop(named.size());
        line += QStringLiteral("：") + reason;
    }
    // What went before the failure is gone for good: the user must not expect it still there.
    if (outcome.removedEntries > 0)
        line += QStringLiteral("（其中 ") + QString::number(outcome.removedEntries) + QStringLiteral(" 项已删除）");
    return line;
}

// Only a denial may be put down to missing rights; a refusal (a mount, a link, a swapped item)
// is not one.
bool deniedByRights(const QString& reported)
{
    static const QStringList denials{QString::fromLocal8Bit(std::strerror(EACCES)),
                                     QString::fromLocal8Bit(std::strerror(EPERM)),
                                     QStringLiteral("not authorised"), QStringLiteral("no administrator helper"),
                                     QStringLiteral("administrator helper unavailable")};
    return denials.contains(reported.trimmed());
}

// The leftovers the user chose: an uninstall that stops with an error leaves them all, since the
// bundle did not go.
QString keptLeftovers(const Uninstall::UninstallPlan& plan, const QString& cause, const QString& home)
{
    QStringList lines;
    for (const Uninstall::ResidualItem& item : plan.residuals)
        lines << QStringLiteral("• ") + UninstallText::abbreviatedPath(item.path(), home);
    if (lines.isEmpty())
        return {};
    return u'\n' + cause + QStringLiteral("，以下勾选的 ") + QString::number(lines.size())
        + QStringLiteral(" 项残留已保留：\n") + lines.join(QLatin1Char('\n'));
}

// The error's own text, with the reason from the file layer put in the interface's language.
QString errorText(const Uninstall::UninstallError& error)
{
    if (error.code == Uninstall::UninstallError::Code::appDeleteFailed)
        return Uninstall::UninstallError::appDeleteFailed(UninstallText::failureReason(error.reason)).description();
    return error.description();
}

} // namespace

std::optional<UninstallAlert> uninstallResultAlert(const Uninstall::UninstallPlan& plan, bool includeApp,
                                                   const Uninstall::UninstallOutcome& outcome, const QString& home)
{
    const QString& name = plan.app.name;
    const Uninstall::UninstallResult& result = outcome.result;
    if (outcome.error && result.appPartlyRemoved) {
        // Half a bundle cannot start: the alert says so and where the rest lies, not just "failed".
        const QString remains = UninstallText::abbreviatedPath(result.appRemainingPath, home);
        const bool rights = outcome.error->code == Uninstall::UninstallError::Code::appDeleteFailed
            && deniedByRights(outcome.error->reason);
        return UninstallAlert{QStringLiteral("「") + name + QStringLiteral("」未能完全删除"),
                              QStringLiteral("应用已被部分删除，无法再启动；剩余部分仍在 ") + remains
                                  + (rights ? QStringLiteral("（可能权限不足）") : QString())
                                  + QStringLiteral("，可稍后手动删除。\n") + errorText(*outcome.error)
                                  + keptLeftovers(plan, QStringLiteral("应用本体未能完全删除"), home),
                              true};
    }
    if (outcome.error)
        return UninstallAlert{QStringLiteral("删除「") + name + QStringLiteral("」失败"),
                              errorText(*outcome.error) + keptLeftovers(plan, QStringLiteral("应用本体未删除"), home),
                              true};
    if (result.failedURLs.isEmpty())
        return std::nullopt;

    QStringList lines;
    const QString count = QString::number(result.failedURLs.size());
    bool rights = false;
    for (const Uninstall::ItemOutcome& item : result.residualOutcomes)
        rights = rights || (!item.succeeded() && deniedByRights(item.message));
    const QString maybeRights = rights ? QStringLiteral("（可能权限不足）") : QString();
    UninstallAlert alert;
    if (includeApp && result.appDeleted) {
        alert.message = QStringLiteral("「") + name + QStringLiteral("」已删除");
        lines << QStringLiteral("但有 ") + count + QStringLiteral(" 项残留清理失败") + maybeRights + QStringLiteral("，可稍后手动清理。");
    } else {
        // The bundle was left in place on purpose: the alert must not claim it went.
        alert.message = QStringLiteral("「") + name + QStringLiteral("」已保留");
        lines << QStringLiteral("已清理 ") + QString::number(result.deletedCount) + QStringLiteral(" 项残留，但有 ") + count
                + QStringLiteral(" 项残留清理失败") + maybeRights + QStringLiteral("，可稍后手动清理。");
    }
    for (const Uninstall::ItemOutcome& item : result.residualOutcomes) {
        if (!item.succeeded())
            lines << failureLine(item, home);
    }
    alert.informativeText = lines.join(QLatin1Char('\n'));
    return alert;
}

DeleteRequestFlow::DeleteRequestFlow(Dependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_deps(std::move(dependencies))
{
    UninstallConfirmationSheet* sheet = m_deps.sheet;
    QPointer<DeleteRequestFlow> self(this);
    sheet->onCancel = [self] {
        if (self)
            self->cancel();
    };
    sheet->onConfirm = [self](const Plan& plan, bool includeApp) {
        if (self)
            self->confirmUninstall(plan, includeApp);
    };
    sheet->onGrantPermission = [self](const Plan& plan) {
        if (self)
            self->grantUninstallPermission(plan);
    };
    // The root view's own Esc closes the sheet too; follow it.
    connect(m_deps.root, &TilehallContentView::stateChanged, this, &DeleteRequestFlow::rootStateChanged);
}

void DeleteRequestFlow::requestDelete(const AppItem& app)
{
    if (m_deps.isProtected(app)) {
        CLOG_INFO(QStringLiteral("Delete rejected (protected app): ") + logSafe(app.name));
        return;
    }
    CLOG_INFO(QStringLiteral("Delete requested: ") + logSafe(app.name) + QStringLiteral(" (")
        + logSafe(app.bundleIdentifier) + QStringLiteral(") — building plan"));
    // A request replaces any scan still running for an earlier one.
    if (m_ticket)
        m_deps.cancelPlan(m_ticket);
    m_ticket = 0;

    m_deps.sheet->begin();
    m_deps.sheet->setScanningApp(app);
    // Scanning first: the sheet must never look closed between the two steps.
    m_deps.root->setUninstallScanningApp(app);
    m_deps.root->setHasUninstallPlan(false);
    m_deps.engine->suppressScrollPaging = true;
    m_deps.engine->setModalScrimOpacity(0.35);
    m_sheetShown = true;
    m_deps.showSheet(m_deps.sheet, true);

    QPointer<DeleteRequestFlow> self(this);
    const Ticket ticket = m_deps.makePlan(app, [self](Ticket delivered, Plan plan) {
        if (self)
            self->deliver(delivered, std::move(plan));
    });
    // A plan may already have been delivered synchronously (then the sheet already shows it).
    if (m_deps.root->uninstallScanningApp())
        m_ticket = ticket;
}

void DeleteRequestFlow::deliver(Ticket ticket, Plan plan)
{
    const bool current = m_sheetShown && m_deps.root->uninstallScanningApp()
        && (m_ticket == ticket || m_ticket == 0) && m_deps.root->uninstallScanningApp()->id == plan.app.id;
    if (!current) {
        CLOG_INFO(QStringLiteral("Uninstall plan dropped — request replaced or cancelled: ") + logSafe(plan.app.name));
        return;
    }
    m_ticket = 0;
    CLOG_INFO(QStringLiteral("Uninstall plan ready: ") + logSafe(plan.app.name) + QStringLiteral(" — ")
        + QString::number(plan.residuals.size()) + QStringLiteral(" leftovers, ")
        + QString::number(plan.permissionIssues.size()) + QStringLiteral(" permission issues"));
    m_deps.root->setHasUninstallPlan(true);
    m_deps.root->setUninstallScanningApp(std::nullopt);
    m_deps.sheet->setScanningApp(std::nullopt);
    m_deps.sheet->setPlan(std::move(plan));
}

void DeleteRequestFlow::closeSheet()
{
    if (m_ticket) {
        m_deps.cancelPlan(m_ticket);
        m_ticket = 0;
    }
    const bool wasShown = m_sheetShown;
    m_sheetShown = false;
    if (m_deps.root->showsUninstallSheet())
        m_deps.root->dismissUninstallSheet();
    if (wasShown)
        m_deps.showSheet(m_deps.sheet, false);
}

void DeleteRequestFlow::cancel()
{
    closeSheet();
}

void DeleteRequestFlow::rootStateChanged()
{
    if (m_sheetShown && !m_deps.root->showsUninstallSheet())
        closeSheet();
}

void DeleteRequestFlow::confirmUninstall(const Plan& plan, bool includeApp)
{
    closeSheet();
    QPointer<DeleteRequestFlow> self(this);
    QMetaObject::invokeMethod(this, [self, plan, includeApp] {
        if (self)
            self->executeDelete(plan, includeApp);
    }, Qt::QueuedConnection);
}

void DeleteRequestFlow::grantUninstallPermission(const Plan& plan)
{
    closeSheet();
    for (const auto& issue : plan.permissionIssues) {
        if (!issue.isBlocking)
            continue;
        if (issue.settingsURL) {
            CLOG_INFO(QStringLiteral("Delete deferred — 收起瓦厅并打开系统设置授权面板"));
            m_deps.root->closeTilehall(false);
            m_deps.openSystemSettings(*issue.settingsURL);
        }
        return;
    }
}

void DeleteRequestFlow::executeDelete(const Plan& plan, bool includeApp)
{
    QPointer<DeleteRequestFlow> self(this);
    m_deps.uninstall(plan, includeApp, [self, plan, includeApp](Outcome outcome) {
        if (!self)
            return;
        const QString name = logSafe(plan.app.name);
        if (outcome.error)
            CLOG_ERROR(QStringLiteral("Delete failed: ") + name + QStringLiteral(" — ") + outcome.error->description());
        // The grid changes before any alert, so the alert never shows over a stale grid. A bundle
        // removed part-way can no longer start: its tile goes as well.
        if (includeApp && (outcome.result.appDeleted || outcome.result.appPartlyRemoved))
            self->m_deps.root->removeUninstalledApp(plan.app.id);
        if (auto alert = uninstallResultAlert(plan, includeApp, outcome, self->m_deps.home))
            self->m_deps.runAlert(*alert);
        if (!outcome.error)
            CLOG_INFO(QStringLiteral("Delete completed: ") + name + QStringLiteral(" — residuals ")
                + QString::number(outcome.result.deletedCount) + QStringLiteral(" deleted / ")
                + QString::number(outcome.result.failedURLs.size()) + QStringLiteral(" failed"));
    });
}

} // namespace corvanta
