// The engine's side of dropping an application on the Dock: the drop zone over the Dock's strip,
// the hand-off to a system drag and the drop by preferences. Where the strip lies on the screen
// comes from dockDropZoneContains; without it the screen has no Dock strip and no zone.
#include "Support/InteractionManager.h"

#include "Support/Logger.h"

namespace corvanta {

void InteractionManager::updateDockDropZone(const QPointF& windowPoint)
{
    if (!m_dockDropArmed) {
        setOverDockDropZone(false);
        return;
    }
    const bool inside = m_overlayWindow && dockDropZoneContains && dockDropZoneContains(windowPoint);
    if (inside == m_isOverDockDropZone)
        return;
    setOverDockDropZone(inside);
    if (!inside) {
        CLOG_INFO(QStringLiteral("InteractionManager: 离开程序坞投放区"));
        return;
    }
    // A make-room move still waiting would shift the grid after the entry went home.
    cancelPendingVacuate();
    clearMergeHover();
    resetEdgeFlipState();
    if (m_dragOriginPage && m_dragOriginIndex && m_reorderDraggedEntryID && onReorderMove)
        onReorderMove(*m_reorderDraggedEntryID, *m_dragOriginPage, *m_dragOriginIndex);
    CLOG_INFO(QStringLiteral("InteractionManager: 进入程序坞投放区（松手即常驻，条目已回到起始槽位）"));
    beginSystemDockDrag();
}

void InteractionManager::endDrawnDrag()
{
    m_isReorderDragging = false;
    m_dragOutSession = false;
    m_dockDropArmed = false;
    m_dragOriginPage.reset();
    m_dragOriginIndex.reset();
    clearMergeHover();
    resetEdgeFlipState();
    setReorderDraggedEntryID(std::nullopt);
    setReorderDropTarget(std::nullopt);
}

void InteractionManager::beginSystemDockDrag()
{
    if (m_systemDockDragActive || !m_reorderDraggedEntryID || !m_lastDragEvent)
        return;
    const QUuid entry = *m_reorderDraggedEntryID;
    if (onBeginSystemDockDrag && onBeginSystemDockDrag(entry, *m_lastDragEvent)) {
        m_systemDockDragActive = true;
        m_systemDockDragEntryID = entry;
        endDrawnDrag();
        CLOG_INFO(QStringLiteral("InteractionManager: 拖拽已升级为系统会话（Dock 原生接收），自绘拖拽收尾"));
        return;
    }
    CLOG_INFO(QStringLiteral("InteractionManager: 系统拖拽启动失败 — 回退自绘拖拽（松手走 defaults 兜底）"));
}

void InteractionManager::finishSystemDockDrag(int operation, const QPointF& windowPoint)
{
    if (!m_systemDockDragActive)
        return;
    m_systemDockDragActive = false;
    setOverDockDropZone(false);
    if (operation == 0 && m_systemDockDragEntryID) {
        if (m_overlayWindow) {
            setReorderCursor(flipped(windowPoint));
            if (const auto index = nearestEntry(m_reorderCursor)) {
                CLOG_INFO(QStringLiteral("InteractionManager: 系统拖拽未被接收 — 条目落回最近槽位（拖出语义）"));
                if (onReorderMove)
                    onReorderMove(*m_systemDockDragEntryID, m_pagerOffset->page(), *index);
            }
        }
    } else {
        CLOG_INFO(QStringLiteral("InteractionManager: 系统拖拽结束 — operation=%1（已接收），条目保留在瓦厅").arg(operation));
    }
    m_systemDockDragEntryID.reset();
    // The system drag's own loop took the mouse-up: end the press here as that mouse-up would.
    ++m_longPressToken;
    endPress();
}

void InteractionManager::finishDockDrop(QUuid entryID)
{
    endDrawnDrag();
    setOverDockDropZone(false);
    CLOG_INFO(QStringLiteral("InteractionManager: 松手落在程序坞投放区 — %1").arg(entryName(entryID)));
    if (onDropToDock)
        onDropToDock(entryID);
}

} // namespace corvanta
