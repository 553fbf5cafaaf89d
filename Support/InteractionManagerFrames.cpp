// Frame tables reported by the views, and the hit tests made against them.
#include "Support/InteractionManager.h"

#include "Support/Geometry.h"

namespace corvanta {

void InteractionManager::setCapturedGridIconFrames(const QHash<QUuid, QRectF>& frames)
{
    m_capturedGridIconFrames = frames;
    m_resolvedGridIconFrames.reset();
    invalidateMergedIconFrames();
}

void InteractionManager::setGridIconFrameOffset(double offset)
{
    if (offset == m_gridIconFrameOffset)
        return;
    m_gridIconFrameOffset = offset;
    m_resolvedGridIconFrames.reset();
    invalidateMergedIconFrames();
}

void InteractionManager::setCapturedGridChromeFrames(const QList<QRectF>& frames)
{
    m_capturedGridChromeFrames = frames;
    m_resolvedGridChromeFrames.reset();
}

void InteractionManager::setGridChromeFrameOffset(double offset)
{
    if (offset == m_gridChromeFrameOffset)
        return;
    m_gridChromeFrameOffset = offset;
    m_resolvedGridChromeFrames.reset();
}

void InteractionManager::invalidateResolvedGridFrames()
{
    m_resolvedGridIconFrames.reset();
    m_resolvedGridChromeFrames.reset();
    invalidateMergedIconFrames();
}

void InteractionManager::setOuterIconFrames(const QHash<QUuid, QRectF>& frames)
{
    m_outerIconFrames = frames;
    invalidateMergedIconFrames();
}

void InteractionManager::setFolderIconFrames(const QHash<QUuid, QRectF>& frames)
{
    m_folderIconFrames = frames;
}

void InteractionManager::setOuterChromeFrames(const QList<QRectF>& frames)
{
    m_outerChromeFrames = frames;
}

void InteractionManager::setOpenedGroupID(std::optional<QUuid> id)
{
    m_openedGroupID = id;
}

const QHash<QUuid, QRectF>& InteractionManager::gridIconFrames() const
{
    if (m_gridIconFrameOffset == 0)
        return m_capturedGridIconFrames;
    if (!m_resolvedGridIconFrames) {
        QHash<QUuid, QRectF> shifted;
        shifted.reserve(m_capturedGridIconFrames.size());
        for (auto it = m_capturedGridIconFrames.cbegin(); it != m_capturedGridIconFrames.cend(); ++it)
            shifted.insert(it.key(), it.value().translated(m_gridIconFrameOffset, 0));
        m_resolvedGridIconFrames = std::move(shifted);
    }
    return *m_resolvedGridIconFrames;
}

const QList<QRectF>& InteractionManager::gridChromeFrames() const
{
    if (m_gridChromeFrameOffset == 0)
        return m_capturedGridChromeFrames;
    if (!m_resolvedGridChromeFrames) {
        QList<QRectF> shifted;
        shifted.reserve(m_capturedGridChromeFrames.size());
        for (const QRectF& frame : m_capturedGridChromeFrames)
            shifted.append(frame.translated(m_gridChromeFrameOffset, 0));
        m_resolvedGridChromeFrames = std::move(shifted);
    }
    return *m_resolvedGridChromeFrames;
}

const QHash<QUuid, QRectF>& InteractionManager::iconFrames() const
{
    if (m_openedGroupID)
        return m_folderIconFrames;
    const QHash<QUuid, QRectF>& grid = gridIconFrames();
    if (m_outerIconFrames.isEmpty())
        return grid;
    if (grid.isEmpty())
        return m_outerIconFrames;
    // Read several times per drag event: merge once per change of either table.
    if (!m_mergedIconFrames) {
        QHash<QUuid, QRectF> merged = grid;
        for (auto it = m_outerIconFrames.cbegin(); it != m_outerIconFrames.cend(); ++it)
            merged.insert(it.key(), it.value());
        m_mergedIconFrames = std::move(merged);
    }
    return *m_mergedIconFrames;
}

const QList<QRectF>& InteractionManager::chromeFrames() const
{
    if (m_openedGroupID) {
        m_chromeFramesCache.clear();
        if (folderPanelFrame)
            m_chromeFramesCache.append(*folderPanelFrame);
        return m_chromeFramesCache;
    }
    const QList<QRectF>& grid = gridChromeFrames();
    if (grid.isEmpty())
        return m_outerChromeFrames;
    if (m_outerChromeFrames.isEmpty())
        return grid;
    m_chromeFramesCache = m_outerChromeFrames + grid;
    return m_chromeFramesCache;
}

void InteractionManager::seedGridIconFrame(const QUuid& id, const QRectF& frame)
{
    if (!(frame.width() > 1 && frame.height() > 1))
        return;
    m_capturedGridIconFrames.insert(id, frame);
    m_resolvedGridIconFrames.reset();
    invalidateMergedIconFrames();
}

std::optional<QUuid> InteractionManager::appID(const QPointF& windowPoint) const
{
    if (!(contentSize.height() > 0))
        return std::nullopt;
    const QPointF p = flipped(windowPoint);
    const QHash<QUuid, QRectF>& frames = iconFrames();
    for (auto it = frames.cbegin(); it != frames.cend(); ++it) {
        if (rectContains(it.value(), p))
            return it.key();
    }
    return std::nullopt;
}

bool InteractionManager::bothFrameTablesEmpty() const
{
    return iconFrames().isEmpty() && chromeFrames().isEmpty();
}

bool InteractionManager::isInteractiveElement(const QPointF& windowPoint) const
{
    if (!(contentSize.height() > 0))
        return true;
    if (bothFrameTablesEmpty())
        return true; // no frames yet: never take a click for a blank one
    const QPointF p = flipped(windowPoint);
    const QHash<QUuid, QRectF>& icons = iconFrames();
    for (auto it = icons.cbegin(); it != icons.cend(); ++it) {
        if (rectContains(it.value(), p))
            return true;
    }
    for (const QRectF& frame : chromeFrames()) {
        if (rectContains(frame, p))
            return true;
    }
    return false;
}

} // namespace corvanta
