#include "App/SuccessorHandOver.h"

#include "Services/ShortcutManager.h"
#include "Support/Logger.h"

#include <QPointer>

namespace corvanta {

SuccessorHandOver::SuccessorHandOver(Dependencies dependencies, QObject* parent) : QObject(parent), m_deps(std::move(dependencies)) {}

void SuccessorHandOver::handOverToSuccessorAndExit()
{
    if (!call(m_deps.suppressionWasUsed))
        return;
    if (m_gate.isExiting || call(m_deps.isQuitting) || m_gate.pending)
        return;
    const int ticket = ++m_gate.serial;
    m_gate.pending = ticket;
    CLOG_INFO(QStringLiteral("阶段88.5：交班等待中，重开可撤销 — ticket=%1").arg(ticket));
    QPointer<SuccessorHandOver> self(this);
    m_pendingSuccession = ScheduledTask(m_deps.scheduler, m_deps.scheduler->schedule(handOverDelay, [self, ticket] {
        if (self)
            self->runTicket(ticket);
    }));
}

void SuccessorHandOver::runTicket(int ticket)
{
    const bool visibleNow = call(m_deps.isOverlayVisible);
    if (m_gate.pending != ticket || m_gate.isExiting)
        return;
    m_gate.pending.reset();
    // The task has run; forget it so a later cancel has nothing to do.
    m_pendingSuccession = ScheduledTask();
    if (call(m_deps.isQuitting) || visibleNow)
        return;

    m_gate.isExiting = true;
    CLOG_INFO(QStringLiteral("阶段88.5/157：交班正式执行 — ticket=%1").arg(ticket));
    if (m_deps.triggers)
        m_deps.triggers->cancelInteractivePinch();
    if (m_deps.kickDesktopWallpaper)
        m_deps.kickDesktopWallpaper();
    if (m_deps.triggers) {
        m_deps.triggers->unregisterShortcut();
        m_deps.triggers->stopHotCornerMonitor();
    }
    // Everything the successor reads is on disk before it starts, so its first read sees the last
    // edit, and nothing of this process's can arrive after it.
    if (m_deps.saveState)
        m_deps.saveState();
    if (m_deps.flushLog)
        m_deps.flushLog();

    const Started started = m_deps.startSuccessor ? m_deps.startSuccessor() : Started{0, QStringLiteral("no executable")};
    if (!started.error.isEmpty()) {
        // Without a successor nobody would answer the triggers: this process stays and serves.
        CLOG_ERROR(QStringLiteral("阶段72：后继进程拉起失败（") + started.error + QStringLiteral("）—— 本进程继续常驻，热键与热角重新注册"));
        m_gate.isExiting = false;
        if (m_deps.registerTriggersAgain)
            m_deps.registerTriggersAgain();
        return;
    }
    CLOG_INFO(QStringLiteral("阶段72：后继进程已拉起 PID=%1").arg(started.pid));
    if (m_deps.flushLog)
        m_deps.flushLog();
    if (m_deps.exitProcess)
        m_deps.exitProcess();
}

void SuccessorHandOver::cancelPendingSuccession()
{
    const bool wasPending = m_gate.pending.has_value();
    m_gate.pending.reset();
    if (wasPending)
        CLOG_INFO(QStringLiteral("阶段88.5：重新显示，撤销旧交班"));
    m_pendingSuccession.cancel();
}

} // namespace corvanta
