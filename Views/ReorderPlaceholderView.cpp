#include "Views/ReorderPlaceholderView.h"

#include "Views/CellDrawing.h"

namespace corvanta {

ReorderPlaceholderView::ReorderPlaceholderView(const QUuid& entryID, const GridMetrics& metrics, FrameRegistry* frames, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_entryID(entryID), m_metrics(metrics)
{
    setFlag(ItemHasNoContents);
    setAcceptedMouseButtons(Qt::NoButton);
    if (frames)
        m_report = FrameReport(*frames, FrameKind::icon);
}

QRectF ReorderPlaceholderView::boundingRect() const { return {0, 0, m_metrics.columnPitch, m_metrics.rowPitch}; }

void ReorderPlaceholderView::setMetrics(const GridMetrics& metrics)
{
    prepareGeometryChange();
    m_metrics = metrics;
}

void ReorderPlaceholderView::setReportedCellFrame(const QRectF& cellFrame)
{
    m_reported = CellGeometry::iconSquare(cellFrame, m_metrics);
    m_report.reportIcon(m_entryID, *m_reported);
}

} // namespace corvanta
