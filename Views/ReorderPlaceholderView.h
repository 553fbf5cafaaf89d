#pragma once

#include "Views/FrameRegistry.h"
#include "Views/GridMetrics.h"

#include <QGraphicsObject>
#include <QUuid>

#include <optional>

namespace corvanta {

// The empty slot of the entry being dragged: draws nothing, but keeps reporting the slot's icon
// square under the entry's id (whether or not the grid tracks frames), so the engine's frame
// table keeps the entry while it is in the air.
class ReorderPlaceholderView : public QGraphicsObject {
    Q_OBJECT
public:
    ReorderPlaceholderView(const QUuid& entryID, const GridMetrics& metrics, FrameRegistry* frames, QGraphicsItem* parent = nullptr);

    QUuid entryID() const { return m_entryID; }
    void setMetrics(const GridMetrics& metrics);
    void setReportedCellFrame(const QRectF& cellFrame);
    std::optional<QRectF> reportedIconFrame() const { return m_reported; }

    QRectF boundingRect() const override;
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}

private:
    QUuid m_entryID;
    GridMetrics m_metrics;
    FrameReport m_report;
    std::optional<QRectF> m_reported;
};

} // namespace corvanta
