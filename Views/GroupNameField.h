#pragma once

#include "Views/FrameRegistry.h"
#include "Views/GridMetrics.h"

#include <QGraphicsObject>

#include <functional>

class QGraphicsTextItem;

namespace corvanta {

// The in-cell folder name editor: a plain-text field on a light rounded plate, labelWidth wide.
// Every edit reaches onRename at once (no commit step). Its frame is reported as chrome so a click
// on it is not taken for a click on empty space.
class GroupNameField : public QGraphicsObject {
    Q_OBJECT
public:
    GroupNameField(const QString& name, const GridMetrics& metrics, FrameRegistry* frames, QGraphicsItem* parent = nullptr);

    std::function<void(const QString&)> onRename;

    QString draft() const;
    void setDraft(const QString& text);
    // Reports the field's frame, given in the window's space.
    void setReportedFrame(const QRectF& frame);
    QGraphicsTextItem* textItem() const { return m_text; }

    QRectF boundingRect() const override { return {QPointF(), m_size}; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

private:

    GridMetrics m_metrics;
    QSizeF m_size;
    QGraphicsTextItem* m_text;
    FrameReport m_report;
};

} // namespace corvanta
