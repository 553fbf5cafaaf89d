#include "Views/ReorderGhostView.h"

#include "Services/IconCache.h"
#include "Support/InteractionManager.h"
#include "Views/CellDrawing.h"

#include <QGraphicsScene>
#include <QPainter>

namespace corvanta {

ReorderGhostView::ReorderGhostView(const GridCellServices& services, const PageEntry& entry, const GridMetrics& metrics, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_services(services), m_entry(entry), m_metrics(metrics), m_ticker(*services.scheduler)
{
    setAcceptedMouseButtons(Qt::NoButton);
    setAcceptHoverEvents(false);
    setOpacity(0.92);
    setZValue(1);
    if (const AppItem* app = entry.asApp(); app && services.icons) {
        if (auto cached = services.icons->cachedImage(iconCacheKey(*app)))
            m_icon = *cached;
    }
    apply();
    if (scene()) // made under a parent already on a scene: no scene change will come
        loadIcon();
}

void ReorderGhostView::setMetrics(const GridMetrics& metrics)
{
    prepareGeometryChange();
    m_metrics = metrics;
    m_shadow = {};
}

void ReorderGhostView::follow(const InteractionManager& engine)
{
    setCursor(engine.reorderCursor());
    setDropTarget(engine.reorderDropTarget());
    connect(&engine, &InteractionManager::reorderCursorChanged, this, [this, &engine] { setCursor(engine.reorderCursor()); });
    connect(&engine, &InteractionManager::reorderDropTargetChanged, this, [this, &engine] { setDropTarget(engine.reorderDropTarget()); });
}

void ReorderGhostView::setCursor(const QPointF& cursor)
{
    if (m_shown && m_dropTarget)
        return; // flying onto its slot: the cursor no longer pulls it
    m_shown = true;
    m_pos = cursor;
    m_x.reset(cursor.x());
    m_y.reset(cursor.y());
    apply();
}

void ReorderGhostView::setDropTarget(const std::optional<QRectF>& target)
{
    if (!target)
        return;
    m_dropTarget = target;
    const double now = m_services.scheduler->now();
    m_x.setTarget(target->center().x(), now);
    m_y.setTarget(target->center().y(), now);
    m_s.setTarget(1, now);
    if (!m_ticker.isRunning())
        m_ticker.start([this](double t) { tick(t); });
}

void ReorderGhostView::tick(double now)
{
    m_pos = {m_x.value(now), m_y.value(now)};
    m_scale = m_s.value(now);
    if (m_x.isSettled(now) && m_y.isSettled(now) && m_s.isSettled(now)) {
        m_pos = {m_x.target(), m_y.target()};
        m_scale = m_s.target();
        m_ticker.stop();
    }
    apply();
}

void ReorderGhostView::apply()
{
    setPos(m_pos);
    setScale(m_scale);
}

QRectF ReorderGhostView::boundingRect() const
{
    const double s = m_metrics.iconSize;
    return QRectF(-s / 2, -s / 2, s, s).adjusted(-20, -20, 20, 24); // room for the shadow
}

void ReorderGhostView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    const double s = m_metrics.iconSize;
    if (s <= 0)
        return;
    QPainter& p = *painter;
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF square(-s / 2, -s / 2, s, s);
    const QPainterPath shape = CellDrawing::continuousRoundedRect(square, 0.2 * s);
    if (m_entry.isApp() && !m_icon.isNull()) {
        if (m_shadow.isNull())
            m_shadow = CellDrawing::iconShadow(m_icon, square, 0.2 * s, 10);
        CellDrawing::drawIconShadow(p, m_shadow, square, 10, QPointF(0, 4), 0.4);
    } else {
        CellDrawing::drawSoftShadow(p, square, 0.2 * s, 10, QPointF(0, 4), 0.4);
    }
    p.save();
    p.setClipPath(shape);
    if (m_entry.isGroup()) {
        m_services.fillMaterial(p, shape, *this);
        p.fillPath(CellDrawing::folderSymbol(QPointF(0, 0), 0.4 * s), QColor(255, 255, 255, 166));
    } else if (!m_icon.isNull()) {
        CellDrawing::drawFitted(p, m_icon, square);
    } else {
        m_services.fillMaterial(p, shape, *this);
    }
    p.restore();
}

void ReorderGhostView::loadIcon()
{
    const AppItem* app = m_entry.asApp();
    if (!app || !m_icon.isNull() || m_loadRequested || !m_services.icons)
        return;
    m_loadRequested = true;
    m_services.loadIcon(this, iconCacheKey(*app), app->path(), [this](const QImage& image) {
        m_icon = image;
        m_shadow = {};
        update();
    });
}

QVariant ReorderGhostView::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemSceneHasChanged && value.value<QGraphicsScene*>())
        loadIcon();
    return QGraphicsObject::itemChange(change, value);
}

} // namespace corvanta
