// Merging a dragged entry into another icon, and dragging a member out of the open folder.
#include "Support/InteractionManager.h"

#include "Support/LogFormat.h"
#include "Support/Logger.h"

namespace corvanta {

void InteractionManager::scheduleMergeHover(const QUuid& targetID)
{
    setMergeCandidateID(targetID);
    const quint64 token = ++m_mergeHoverToken;
    const std::optional<AppItem> app = appLookup ? appLookup(targetID) : std::nullopt;
    CLOG_DEBUG(QStringLiteral("InteractionManager: 合并计时启动 target=%1 token=%2").arg(app ? app->name : QStringLiteral("?"), QString::number(token)));
    QPointer<InteractionManager> self(this);
    m_scheduler.schedule(mergeHoverDelay, [self, token, targetID] {
        if (!self)
            return;
        if (self->m_mergeHoverToken != token) {
            CLOG_DEBUG(QStringLiteral("InteractionManager: 合并计时已取消 token=%1→%2").arg(token).arg(self->m_mergeHoverToken));
            return;
        }
        const bool candidateMatches = self->m_mergeCandidateID == targetID;
        if (self->m_isReorderDragging && candidateMatches && self->m_reorderDraggedEntryID) {
            self->performMerge(*self->m_reorderDraggedEntryID, targetID);
            return;
        }
        CLOG_DEBUG(QStringLiteral("InteractionManager: 合并计时到点但条件不满足 dragging=%1 candidate匹配=%2 有拖动条目=%3")
                       .arg(logBool(self->m_isReorderDragging), logBool(candidateMatches),
                           logBool(self->m_reorderDraggedEntryID.has_value())));
    });
}

void InteractionManager::clearMergeHover()
{
    if (!m_mergeCandidateID)
        return;
    setMergeCandidateID(std::nullopt);
    m_mergeArmPoint.reset();
    ++m_mergeHoverToken;
}

void InteractionManager::performMerge(QUuid draggedID, QUuid targetID)
{
    cancelPendingVacuate();
    clearMergeHover();
    resetEdgeFlipState();
    m_isReorderDragging = false;
    setReorderDraggedEntryID(std::nullopt);
    setReorderDropTarget(std::nullopt);
    CLOG_INFO(QStringLiteral("InteractionManager: 合并 — %1 → %2").arg(entryName(draggedID), entryName(targetID)));
    if (onMergeEntries)
        onMergeEntries(draggedID, targetID);
}

std::optional<InteractionManager::FolderMember> InteractionManager::folderDragOutCandidate(const QPointF& windowPoint) const
{
    if (!m_openedGroupID || !groupLookup)
        return std::nullopt;
    const std::optional<AppGroup> group = groupLookup(*m_openedGroupID);
    if (!group)
        return std::nullopt;
    const auto id = appID(windowPoint);
    if (!id)
        return std::nullopt;
    for (const AppItem& app : group->apps) {
        if (app.id == *id)
            return FolderMember{*id, *m_openedGroupID};
    }
    return std::nullopt;
}

void InteractionManager::performDragOutFromFolder(QUuid appID, QUuid groupID, const QPointF& windowPoint)
{
    m_mouseDownFolderAppID.reset();
    m_mouseDownFolderGroupID.reset();
    shouldCancelClose = true;
    m_dragOutSession = true;
    CLOG_INFO(QStringLiteral("InteractionManager: 从文件夹拖出 — %1").arg(entryName(appID)));
    if (onDragOutFromFolder)
        onDragOutFromFolder(appID, groupID);
    beginReorderDrag(appID, windowPoint);
}

} // namespace corvanta
