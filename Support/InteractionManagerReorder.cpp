// Reorder drag: make room, hand over to a merge, fly back into the slot at release.
#include "Support/InteractionManager.h"

#include "Support/Geometry.h"
#include "Support/Logger.h"

#include <cmath>
#include <limits>

namespace corvanta {

void InteractionManager::beginReorderDrag(const QUuid& entryID, const QPointF& point)
{
    m_reorderDidStart = true;
    m_isReorderDragging = true;
    ++m_longPressToken;
    shouldCancelClose = true;

    cancelPendingVacuate();
    clearMergeHover();

    setReorderDraggedEntryID(entryID);
    setReorderCursor(QPointF(point.x(), contentSize.height() - point.y()));

    m_dragOriginPage.reset();
    m_dragOriginIndex.reset();
    if (pageEntryIDsProvider) {
        for (int page = 0; page < std::max(pageCount, 1); ++page) {
            const QList<QUuid> ids = pageEntryIDsProvider(page);
            const qsizetype index = ids.indexOf(entryID);
            if (index >= 0) {
                m_dragOriginPage = page;
                m_dragOriginIndex = int(index);
                break;
            }
        }
    }

    const std::optional<AppItem> app = appLookup ? appLookup(entryID) : std::nullopt;
    if (app) {
        m_dockDropArmed = true;
        setDockDropAlreadyPresent(dockContainsApp ? dockContainsApp(*app) : false);
        CLOG_INFO(QStringLiteral("InteractionManager: reorder drag started — %1").arg(app->name));
    } else {
        m_dockDropArmed = false;
        setDockDropAlreadyPresent(false);
        CLOG_INFO(QStringLiteral("InteractionManager: reorder drag started — entry %1")
                      .arg(entryID.toString(QUuid::WithoutBraces).toUpper()));
    }
}

void InteractionManager::updateReorderTarget()
{
    if (!m_reorderDraggedEntryID || !pageEntryIDsProvider)
        return;
    const QUuid dragged = *m_reorderDraggedEntryID;
    const int page = m_pagerOffset->page();
    const QList<QUuid> ids = pageEntryIDsProvider(page);
    const QHash<QUuid, QRectF>& frames = iconFrames();
    const QPointF c = m_reorderCursor;

    bool someZoneContains = false;
    double best = std::numeric_limits<double>::max();
    qsizetype candidate = -1;
    QRectF candidateFrame;
    qsizetype draggedIndex = -1;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const QUuid& id = ids[i];
        if (id == dragged)
            draggedIndex = i;
        const auto it = frames.constFind(id);
        if (it == frames.cend())
            continue;
        const QRectF& frame = it.value();
        const QRectF zone = rectOutset(frame, frame.width() * 0.35, frame.height() * 0.35);
        if (!rectContains(zone, c))
            continue;
        someZoneContains = true;
        if (id == dragged)
            continue;
        const double distance = pointDistance(c, rectCenter(frame));
        if (distance < best) {
            best = distance;
            candidate = i;
            candidateFrame = frame;
        }
    }

    if (candidate >= 0) {
        if (draggedIndex < 0)
            return; // the dragged entry is not on this page
        const QUuid target = ids[candidate];
        const int hitIndex = int(candidate);
        const QRectF hotspot = rectOutset(candidateFrame, -candidateFrame.width() * mergeHotspotInset,
            -candidateFrame.height() * mergeHotspotInset);
        if (rectContains(hotspot, c)) {
            if (m_mergeCandidateID != target) {
                cancelPendingVacuate();
                clearMergeHover();
                m_mergeArmPoint = c;
                scheduleMergeHover(target);
                return;
            }
            const double moved = m_mergeArmPoint ? pointDistance(*m_mergeArmPoint, c) : 0;
            const double tolerance = mergeMoveToleranceRatio * candidateFrame.width();
            if (moved > tolerance) {
                cancelPendingVacuate();
                clearMergeHover();
                CLOG_INFO(QStringLiteral("InteractionManager: 悬停合并 → 全避让（图标内位移 %1pt > %2pt）")
                              .arg(qint64(moved))
                              .arg(qint64(tolerance)));
                if (onReorderMove)
                    onReorderMove(dragged, page, hitIndex);
            }
            return;
        }
        clearMergeHover();
        commitVacuate(dragged, page, hitIndex);
        return;
    }

    if (!someZoneContains) {
        clearMergeHover();
        // Fresh out of a folder, the entry finds a slot at once instead of waiting for an icon.
        if (m_dragOutSession) {
            if (const auto index = nearestEntry(c); index && onReorderMove)
                onReorderMove(dragged, page, *index);
        }
    }
}

void InteractionManager::commitVacuate(const QUuid& draggedID, int page, int hitIndex)
{
    cancelPendingVacuate();
    m_pendingVacuateDraggedID = draggedID;
    m_pendingVacuatePage = page;
    m_pendingVacuateHitIndex = hitIndex;
    QPointer<InteractionManager> self(this);
    m_pendingVacuateWork = m_scheduler.schedule(vacuateCommitDelay, [self, hitIndex] {
        if (!self)
            return;
        self->m_pendingVacuateWork = Scheduler::kNoTask;
        if (!self->m_isReorderDragging)
            return;
        CLOG_DEBUG(QStringLiteral("InteractionManager: 空隙避让去抖到期，提交（targetIndex=%1）").arg(hitIndex));
        self->performPendingVacuate();
    });
    CLOG_DEBUG(QStringLiteral("InteractionManager: 空隙避让已武装（80ms 后提交，targetIndex=%1）").arg(hitIndex));
}

void InteractionManager::cancelPendingVacuate()
{
    m_pendingVacuateDraggedID.reset();
    m_scheduler.cancel(m_pendingVacuateWork);
    m_pendingVacuateWork = Scheduler::kNoTask;
}

void InteractionManager::performPendingVacuate()
{
    if (!m_pendingVacuateDraggedID)
        return;
    const QUuid entry = *m_pendingVacuateDraggedID;
    cancelPendingVacuate();
    if (onReorderMove)
        onReorderMove(entry, m_pendingVacuatePage, m_pendingVacuateHitIndex);
}

void InteractionManager::flushPendingVacuate()
{
    if (!m_pendingVacuateDraggedID)
        return;
    CLOG_DEBUG(QStringLiteral("InteractionManager: 松手 flush 挂起的空隙避让"));
    performPendingVacuate();
}

std::optional<int> InteractionManager::nearestEntry(const QPointF& point) const
{
    if (!pageEntryIDsProvider)
        return std::nullopt;
    const QList<QUuid> ids = pageEntryIDsProvider(m_pagerOffset->page());
    const QHash<QUuid, QRectF>& frames = iconFrames();
    std::optional<int> nearest;
    double best = std::numeric_limits<double>::max();
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const auto it = frames.constFind(ids[i]);
        if (it == frames.cend())
            continue;
        const double distance = pointDistance(point, rectCenter(it.value()));
        if (!nearest || distance < best) {
            best = distance;
            nearest = int(i);
        }
    }
    return nearest;
}

void InteractionManager::finishReorderDrag()
{
    m_isReorderDragging = false;
    // The Dock's zone (and its hint) belongs to the drag.
    setOverDockDropZone(false);
    m_dockDropArmed = false;
    resetEdgeFlipState();
    m_dragOutSession = false;
    ++m_dragStillToken;
    m_dragStillTask.cancel();

    if (!m_reorderDraggedEntryID) {
        clearMergeHover();
        cancelPendingVacuate();
        return;
    }
    const QUuid dragged = *m_reorderDraggedEntryID;
    if (m_mergeCandidateID && *m_mergeCandidateID != dragged) {
        performMerge(dragged, *m_mergeCandidateID);
        return;
    }
    clearMergeHover();
    flushPendingVacuate();

    const auto frame = iconFrames().constFind(dragged);
    if (frame != iconFrames().cend()) {
        setReorderDropTarget(frame.value());
        CLOG_INFO(QStringLiteral("InteractionManager: reorder drop — %1").arg(entryName(dragged)));
    }

    // The fly-back: once the copy has landed, the drag is over. A drag of another entry started
    // meanwhile (after a reset) is left alone.
    QPointer<InteractionManager> self(this);
    m_scheduler.schedule(kFlyBackDelay, [self, dragged] {
        if (!self || self->m_reorderDraggedEntryID != dragged || self->m_isReorderDragging)
            return;
        self->setReorderDraggedEntryID(std::nullopt);
        self->setReorderDropTarget(std::nullopt);
    });
}

} // namespace corvanta
