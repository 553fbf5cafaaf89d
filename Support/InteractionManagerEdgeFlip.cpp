// Moving a dragged entry to the neighbouring page by dwelling at a screen edge.
#include "Support/InteractionManager.h"

#include "Support/Logger.h"

#include <cmath>

namespace corvanta {

void InteractionManager::cancelEdgeFlipDwell()
{
    ++m_edgeFlipToken;
    m_scheduler.cancel(m_edgeFlipWork);
    m_edgeFlipWork = Scheduler::kNoTask;
}

void InteractionManager::resetEdgeFlipState()
{
    cancelEdgeFlipDwell();
    m_edgeFlipZone = 0;
    m_edgeFlipEnteredAt = 0;
    m_edgeFlipArmed = true;
}

void InteractionManager::runEdgeFlipStep()
{
    const double x = m_reorderCursor.x();
    const int page = m_pagerOffset->page();
    // The strip follows the width of the screen the overlay is on now.
    const double width = pageWidth();
    int zone = 0;
    if (x < reorderEdgeWidth && page > 0)
        zone = -1;
    else if (x > width - reorderEdgeWidth && page < pageCount - 1)
        zone = 1;

    if (zone == 0) {
        if (m_edgeFlipZone != 0 || !m_edgeFlipArmed)
            resetEdgeFlipState();
        return;
    }
    if (zone == m_edgeFlipZone) {
        if (m_edgeFlipArmed && m_edgeFlipWork == Scheduler::kNoTask) {
            const double elapsed = now() - m_edgeFlipEnteredAt;
            if (elapsed >= reorderEdgeFlipDelay)
                performEdgeFlipIfStillInZone(zone);
            else
                scheduleEdgeFlipCheck(zone, reorderEdgeFlipDelay - elapsed);
        }
        return;
    }
    m_edgeFlipZone = zone;
    m_edgeFlipEnteredAt = now();
    cancelEdgeFlipDwell();
    if (m_edgeFlipArmed)
        scheduleEdgeFlipCheck(zone);
}

void InteractionManager::scheduleEdgeFlipCheck(int zone, std::optional<double> delay)
{
    cancelEdgeFlipDwell();
    const quint64 token = m_edgeFlipToken;
    QPointer<InteractionManager> self(this);
    m_edgeFlipWork = m_scheduler.schedule(delay.value_or(reorderEdgeFlipDelay), [self, token, zone] {
        if (!self || self->m_edgeFlipToken != token)
            return;
        self->m_edgeFlipWork = Scheduler::kNoTask;
        self->performEdgeFlipIfStillInZone(zone);
    });
}

void InteractionManager::performEdgeFlipIfStillInZone(int zone)
{
    if (!m_isReorderDragging || !m_edgeFlipArmed || m_edgeFlipZone != zone)
        return;
    const double x = m_reorderCursor.x();
    const bool inStrip = zone < 0 ? x < reorderEdgeWidth : x > pageWidth() - reorderEdgeWidth;
    if (!inStrip)
        return;
    m_edgeFlipArmed = false;
    cancelEdgeFlipDwell();
    performReorderEdgeFlip(zone);
}

void InteractionManager::performReorderEdgeFlip(int direction)
{
    if (!m_reorderDraggedEntryID)
        return;
    const int target = m_pagerOffset->page() + direction;
    if (target < 0 || target >= pageCount)
        return;
    // Whole milliseconds, forgiving the rounding of clock subtraction.
    const auto dwellMs = qint64(std::floor((now() - m_edgeFlipEnteredAt) * 1000 + 1e-6));
    CLOG_INFO(QStringLiteral("InteractionManager: reorder edge flip → page %1（%2缘驻留 %3ms）")
                  .arg(target)
                  .arg(direction < 0 ? QStringLiteral("左") : QStringLiteral("右"))
                  .arg(dwellMs));
    if (onReorderMove)
        onReorderMove(*m_reorderDraggedEntryID, target, direction < 0 ? kAppendIndex : 0);
    settle(target, QStringLiteral("reorder edge flip"));
}

} // namespace corvanta
