// Clicks, long press and jiggle mode.
#include "Support/InteractionManager.h"

#include "Platform/InteractionPlatform.h"
#include "Support/Geometry.h"
#include "Support/Logger.h"

namespace corvanta {

void InteractionManager::runClickRules(const QPointF& point)
{
    const QPointF topLeft = flipped(point);

    if (onTitleTap && !titleFrames.isEmpty()) {
        for (const QRectF& frame : std::as_const(titleFrames)) {
            if (!rectContains(frame, topLeft))
                continue;
            shouldCancelClose = true;
            if (onTitleTap()) {
                CLOG_INFO(QStringLiteral("InteractionManager: 文件夹标题被点击（改名入口）"));
                return;
            }
            break;
        }
    }

    if (bothFrameTablesEmpty()) {
        CLOG_INFO(QStringLiteral("InteractionManager: 位置表未就绪，跳过本次空白关闭判定（不误关）"));
        return;
    }

    if (isInteractiveElement(point)) {
        CLOG_INFO(QStringLiteral("InteractionManager: click hit interactive element — leave to SwiftUI"));
        return;
    }

    CLOG_INFO(QStringLiteral("InteractionManager: blank click — closing immediately"));
    if (onBlankClick && onBlankClick()) {
        CLOG_INFO(QStringLiteral("InteractionManager: blank click consumed by UI state"));
        return;
    }
    CLOG_INFO(QStringLiteral("InteractionManager: closing tilehall (blank area click)"));
    if (onClose)
        onClose();
}

void InteractionManager::handleModalMouseUp(const QPointF& point)
{
    m_mouseDownPoint.reset();
    m_isDragging = false;
    if (!m_overlayWindow || m_platform.modalWindowAtOrAboveOverlay(m_overlayWindow))
        return;
    if (isInteractiveElement(point) || bothFrameTablesEmpty())
        return;
    // The alert lies hidden under the overlay, where nobody can answer it.
    CLOG_WARN(QStringLiteral("InteractionManager: 模态窗被瓦厅盖住，空白点击结束模态并关闭"));
    m_platform.abortModalSessionAndCloseModalWindow();
    if (onClose)
        onClose();
}

void InteractionManager::scheduleLongPress(const QPointF& point)
{
    const quint64 token = ++m_longPressToken;
    QPointer<InteractionManager> self(this);
    m_scheduler.schedule(longPressDuration, [self, token, point] {
        if (!self || self->m_longPressToken != token)
            return;
        if (self->m_mouseDownPoint && !self->m_isDragging && self->longPressEnabled)
            self->tryEnterJiggleMode(point);
    });
}

void InteractionManager::tryEnterJiggleMode(const QPointF& point)
{
    if (m_isJiggleMode)
        return;
    const auto id = appID(point);
    if (!id)
        return;
    QString name;
    if (const auto app = appLookup ? appLookup(*id) : std::nullopt)
        name = app->name;
    else if (const auto group = groupLookup ? groupLookup(*id) : std::nullopt)
        name = group->name;
    else
        return;
    setJiggleMode(true);
    shouldCancelClose = true;
    CLOG_INFO(QStringLiteral("InteractionManager: long-press on %1 — entering jiggle mode").arg(name));
}

void InteractionManager::scheduleDragStillJiggle()
{
    ++m_dragStillToken;
    if (m_edgeFlipZone != 0) {
        m_dragStillTask.cancel();
        return;
    }
    m_dragStillArmedToken = m_dragStillToken;
    m_dragStillArmedCursor = m_reorderCursor;
    m_dragStillDeadline = now() + dragStillJiggleDelay;
    if (!m_dragStillTask.isActive())
        m_dragStillTask = ScheduledTask(&m_scheduler, m_scheduler.schedule(dragStillJiggleDelay, [this] { dragStillFired(); }));
}

void InteractionManager::dragStillFired()
{
    m_dragStillTask = ScheduledTask(); // it has run; nothing to cancel
    const double remaining = m_dragStillDeadline - now();
    if (remaining > 1e-9) {
        // Re-armed since this task was scheduled: wait for the latest deadline.
        m_dragStillTask = ScheduledTask(&m_scheduler, m_scheduler.schedule(remaining, [this] { dragStillFired(); }));
        return;
    }
    // A hover over a merge target or over the Dock is the user deciding: it is not cut short.
    if (m_dragStillToken != m_dragStillArmedToken || !m_isReorderDragging || m_systemDockDragActive || m_isJiggleMode
        || m_mergeCandidateID || m_isOverDockDropZone)
        return;
    if (m_reorderCursor != m_dragStillArmedCursor) {
        scheduleDragStillJiggle();
        return;
    }
    CLOG_INFO(QStringLiteral("InteractionManager: 拖住静止超时 — entering jiggle mode"));
    setJiggleMode(true);
    shouldCancelClose = true;
    if (m_reorderDraggedEntryID && onReorderMove) {
        if (const auto index = nearestEntry(m_reorderCursor))
            onReorderMove(*m_reorderDraggedEntryID, m_pagerOffset->page(), *index);
    }
    finishReorderDrag();
}

void InteractionManager::exitJiggleMode()
{
    if (!m_isJiggleMode)
        return;
    setJiggleMode(false);
    CLOG_INFO(QStringLiteral("InteractionManager: exit jiggle mode"));
}

} // namespace corvanta
