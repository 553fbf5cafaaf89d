#pragma once

#include "Models/PageEntry.h"
#include "Support/FrameTicker.h"
#include "Support/InterpolatingSpring.h"
#include "Views/GridCellServices.h"
#include "Views/GridMetrics.h"

#include <QGraphicsObject>
#include <QImage>

#include <optional>

namespace corvanta {

// The floating copy of the entry being dragged: 1.12 times the icon, translucent, its centre on
// the cursor; once the engine publishes where the entry lands it springs onto that slot's centre
// and shrinks to the icon size, and later cursor moves no longer pull it. It takes no clicks.
// Coordinates are the overlay window's (origin top left): put it in an item at the window's origin.
class ReorderGhostView : public QGraphicsObject {
    Q_OBJECT
public:
    static constexpr double kDragScale = 1.12;
    static InterpolatingSpring::Parameters ghostSpring() { return {1, 200, 22, 0}; }

    ReorderGhostView(const GridCellServices& services, const PageEntry& entry, const GridMetrics& metrics, QGraphicsItem* parent = nullptr);

    const PageEntry& entry() const { return m_entry; }
    void setMetrics(const GridMetrics& metrics);
    // The ghost starts at the cursor it is first given.
    void setCursor(const QPointF& cursor);
    void setDropTarget(const std::optional<QRectF>& target);
    // Follows the engine's reorderCursor and reorderDropTarget from now on.
    void follow(const class InteractionManager& engine);

    QPointF position() const { return m_pos; }
    double ghostScale() const { return m_scale; }
    const QImage& icon() const { return m_icon; }
    bool isFlying() const { return m_ticker.isRunning(); }

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    void apply();
    void tick(double now);
    void loadIcon();

    GridCellServices m_services;
    PageEntry m_entry;
    GridMetrics m_metrics;
    QPointF m_pos;
    double m_scale = kDragScale;
    bool m_shown = false;
    std::optional<QRectF> m_dropTarget;
    QImage m_icon;
    QImage m_shadow;
    bool m_loadRequested = false;
    InterpolatingSpring m_x{0, ghostSpring()};
    InterpolatingSpring m_y{0, ghostSpring()};
    InterpolatingSpring m_s{kDragScale, ghostSpring()};
    FrameTicker m_ticker;
};

} // namespace corvanta
