#include "Views/GroupIconView.h"

#include "Services/IconCache.h"
#include "Support/TimingCurve.h"
#include "Views/FolderJiggleHost.h"
#include "Views/GroupNameField.h"
#include "Views/OffscreenPrerender.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace corvanta {

// ---- mini icon ----

GroupAppIconView::GroupAppIconView(const GridCellServices& services, const AppItem& app, std::optional<double> size, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_services(services), m_app(app), m_size(size)
{
    setAcceptedMouseButtons(Qt::NoButton);
    if (services.icons) {
        if (auto cached = services.icons->cachedImage(iconCacheKey(app)))
            m_icon = *cached;
    }
    loadIcon(); // made under a parent already on a scene: no scene change will come
}

void GroupAppIconView::setSize(std::optional<double> size)
{
    prepareGeometryChange();
    m_size = size;
}

QRectF GroupAppIconView::boundingRect() const
{
    if (m_size)
        return {0, 0, *m_size, *m_size};
    return m_icon.isNull() ? QRectF() : QRectF(QPointF(), QSizeF(m_icon.size()));
}

void GroupAppIconView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    if (m_icon.isNull() || offscreenDrawCancelled())
        return; // clear until the icon arrives
    const QRectF r = boundingRect();
    painter->save();
    if (m_size) {
        // The rounded mini is rendered once per icon, size and pixel ratio.
        const double dpr = painter->device() ? std::max(1.0, painter->device()->devicePixelRatioF()) : 1.0;
        if (m_art.isNull() || m_art.devicePixelRatio() != dpr || m_artSide != *m_size) {
            m_art = CellDrawing::roundedIconPixmap(m_icon, *m_size, 0.2 * *m_size, dpr);
            m_artSide = *m_size;
        }
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawPixmap(r, m_art, QRectF(m_art.rect()));
    } else {
        CellDrawing::drawFitted(*painter, m_icon, r);
    }
    painter->restore();
}

void GroupAppIconView::loadIcon()
{
    // Minis of hidden cells (pages far from the one on screen) load nothing until shown.
    if (!m_icon.isNull() || m_loadRequested || !m_services.icons || !scene() || !isVisible())
        return;
    if (auto cached = m_services.icons->cachedImage(iconCacheKey(m_app))) {
        m_icon = *cached;
        update();
        return;
    }
    m_loadRequested = true;
    m_services.loadIcon(this, iconCacheKey(m_app), m_app.path(), [this](const QImage& image) {
        prepareGeometryChange();
        m_icon = image;
        m_art = QPixmap();
        update();
    });
}

QVariant GroupAppIconView::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if ((change == ItemSceneHasChanged && value.value<QGraphicsScene*>()) || (change == ItemVisibleHasChanged && value.toBool()))
        loadIcon();
    return QGraphicsObject::itemChange(change, value);
}

// ---- block geometry ----

GroupIconView::BlockGeometry::BlockGeometry(double s)
    : side(0.8 * s), radius(0.26 * side), inset(0.12 * side), gap(std::min(0.05 * side, 8.0)), mini((side - 2 * inset - 2 * gap) / 3)
{
}

QPointF GroupIconView::BlockGeometry::miniOrigin(qsizetype i) const
{
    return {inset + (mini + gap) * double(i % 3), inset + (mini + gap) * double(i / 3)};
}

// ---- the cell's content: the block (with the minis) and the name line ----

class GroupIconView::Content : public QGraphicsObject {
public:
    explicit Content(GroupIconView& cell, QGraphicsItem* parent) : QGraphicsObject(parent), m_cell(cell), m_block(new Block(cell, this))
    {
        setAcceptedMouseButtons(Qt::NoButton);
    }

    class Block : public QGraphicsObject {
    public:
        Block(GroupIconView& cell, QGraphicsItem* parent) : QGraphicsObject(parent), m_cell(cell) { setAcceptedMouseButtons(Qt::LeftButton); }
        void geometryWillChange() { prepareGeometryChange(); }
        QRectF boundingRect() const override
        {
            const double b = BlockGeometry(m_cell.m_metrics.iconSize).side;
            return QRectF(0, 0, b, b).adjusted(-2, -2, 2, 2);
        }
        void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override
        {
            const BlockGeometry g(m_cell.m_metrics.iconSize);
            if (g.side <= 0 || offscreenDrawCancelled())
                return;
            QPainter& p = *painter;
            p.setRenderHint(QPainter::Antialiasing);
            const QRectF r(0, 0, g.side, g.side);
            const QPainterPath shape = CellDrawing::continuousRoundedRect(r, g.radius);
            m_cell.m_services.fillMaterial(p, shape, *this);
            p.fillPath(shape, QColor(255, 255, 255, 41));
            // Inner border: stroke inside the edge, lighter towards the bottom.
            QLinearGradient gradient(r.topLeft(), r.bottomLeft());
            gradient.setColorAt(0, QColor(255, 255, 255, 46));
            gradient.setColorAt(1, QColor(255, 255, 255, 133));
            p.strokePath(CellDrawing::continuousRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), g.radius - 0.5), QPen(QBrush(gradient), 1));
            const double merge = m_cell.m_merge.value();
            if (merge > 0) {
                QPen ring(QColor(255, 255, 255, int(std::lround(0.9 * 255 * merge))), std::max(0.028 * g.side, 2.0));
                p.strokePath(shape, ring);
            }
        }
        void mousePressEvent(QGraphicsSceneMouseEvent* event) override
        {
            m_pressPos = event->scenePos();
            event->accept();
        }
        void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override
        {
            const QPointF moved = event->scenePos() - m_pressPos;
            if (std::hypot(moved.x(), moved.y()) <= 8 && boundingRect().contains(event->pos()) && m_cell.onTap)
                m_cell.onTap();
        }

    private:
        GroupIconView& m_cell;
        QPointF m_pressPos;
    };

    Block* block() const { return m_block; }
    QRectF boundingRect() const override
    {
        const CellGeometry cell(m_cell.m_metrics);
        return QRectF(QPointF(), cell.cellSize).united(cell.labelRect.adjusted(-3, -3, 3, 3));
    }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override
    {
        const GroupIconView::Inputs& in = m_cell.m_inputs;
        if (!in.showsName || (in.isNameEditable && !in.isJiggleMode) || offscreenDrawCancelled())
            return;
        const QRectF label = CellGeometry(m_cell.m_metrics).labelRect;
        if (label.isEmpty())
            return;
        const double dpr = painter->device() ? std::max(1.0, painter->device()->devicePixelRatioF()) : 1.0;
        if (m_label.isNull() || m_label.devicePixelRatio() != dpr || m_labelText != m_cell.m_group.name) {
            m_labelText = m_cell.m_group.name;
            m_label = CellDrawing::labelPixmap(m_labelText, m_cell.m_metrics.labelFontSize, label.width(), label.height(), dpr);
        }
        painter->drawPixmap(label.topLeft() - QPointF(3, 3), m_label);
    }
    void dropLabel() { m_label = {}; }
    void geometryWillChange()
    {
        prepareGeometryChange();
        m_block->geometryWillChange();
    }

    GroupNameField* field = nullptr;

private:
    GroupIconView& m_cell;
    Block* m_block;
    QPixmap m_label;
    QString m_labelText;
};

// ---- cell ----

GroupIconView::GroupIconView(const GridCellServices& services, const AppGroup& group, const GridMetrics& metrics, QGraphicsItem* parent)
    : QGraphicsObject(parent),
      m_services(services),
      m_group(group),
      m_metrics(metrics),
      m_host(new FolderJiggleHost(services, this)),
      m_content(new Content(*this, m_host)),
      m_merge(*services.scheduler, 0, [this](double v) {
          const double lift = 1 + 0.08 * v;
          m_content->block()->setScale(lift);
          m_content->block()->update();
      })
{
    setFlag(ItemHasNoContents);
    setAcceptedMouseButtons(Qt::NoButton);
    if (services.frames)
        m_report = FrameReport(*services.frames, FrameKind::icon);
    relayout();
    syncMinis();
}

GroupIconView::~GroupIconView() = default;

QList<GroupAppIconView*> GroupIconView::minis() const
{
    QList<GroupAppIconView*> out;
    const qsizetype n = std::min(m_group.apps.size(), kMiniCount);
    for (qsizetype i = 0; i < n; ++i)
        out.append(m_minis.value(m_group.apps[i].id));
    return out;
}

GroupNameField* GroupIconView::nameField() const { return m_content->field; }

QRectF GroupIconView::blockRect() const
{
    const double b = BlockGeometry(m_metrics.iconSize).side;
    QRectF r(0, 0, b, b);
    r.moveCenter(CellGeometry(m_metrics).iconCentre());
    return r;
}

void GroupIconView::setGroup(const AppGroup& group)
{
    m_group = group;
    m_content->dropLabel();
    m_content->update();
    syncMinis();
}

void GroupIconView::setMetrics(const GridMetrics& metrics)
{
    m_metrics = metrics;
    relayout();
    syncMinis();
}

void GroupIconView::relayout()
{
    const CellGeometry g(m_metrics);
    m_host->setCellSize(g.cellSize);
    m_host->setRotationAnchor({m_metrics.columnPitch / 2, (m_metrics.rowPitch + m_metrics.labelSpacing + m_metrics.labelHeight) / 2});
    m_content->geometryWillChange();
    m_content->dropLabel();
    auto* block = m_content->block();
    const QRectF r = blockRect();
    block->setPos(r.topLeft());
    block->setTransformOriginPoint(QPointF(r.width() / 2, r.height() / 2));
    if (m_content->field) {
        delete m_content->field;
        m_content->field = nullptr;
    }
    setInputs(m_inputs);
    updateReport();
}

void GroupIconView::syncMinis()
{
    const BlockGeometry g(m_metrics.iconSize);
    const qsizetype n = std::min(m_group.apps.size(), kMiniCount);
    QHash<QUuid, GroupAppIconView*> kept;
    for (qsizetype i = 0; i < n; ++i) {
        const AppItem& app = m_group.apps[i];
        GroupAppIconView* mini = m_minis.take(app.id);
        if (!mini)
            mini = new GroupAppIconView(m_services, app, g.mini, m_content->block());
        mini->setApp(app);
        mini->setSize(g.mini);
        mini->setPos(g.miniOrigin(i));
        kept.insert(app.id, mini);
    }
    qDeleteAll(m_minis);
    m_minis = kept;
}

void GroupIconView::setInputs(const Inputs& in)
{
    const bool mergeChanged = in.isMergeTarget != m_inputs.isMergeTarget || in.isJiggleMode != m_inputs.isJiggleMode;
    m_inputs = in;
    m_host->setJiggling(in.isJiggleMode && !in.isOpened);
    setZValue(in.isMergeTarget ? 1 : 0);
    setOpacity(in.isOpened ? 0 : 1); // never animated
    m_content->block()->setAcceptedMouseButtons(in.isOpened ? Qt::NoButton : Qt::LeftButton);
    const double merge = in.isMergeTarget && !in.isJiggleMode ? 1 : 0;
    if (mergeChanged || merge != m_merge.target())
        m_merge.animate(merge, 0.14, TimingCurve::easeOut());

    const bool wantsField = in.showsName && in.isNameEditable && !in.isJiggleMode;
    if (wantsField && !m_content->field) {
        m_content->field = new GroupNameField(m_group.name, m_metrics, m_services.frames, m_content);
        m_content->field->onRename = [this](const QString& name) {
            if (onRename)
                onRename(name);
        };
        const QRectF label = CellGeometry(m_metrics).labelRect;
        m_content->field->setPos(label.left(), label.center().y() - m_content->field->boundingRect().height() / 2);
        if (m_cellFrame)
            m_content->field->setReportedFrame(m_content->field->boundingRect().translated(m_content->field->pos() + m_cellFrame->topLeft()));
    } else if (!wantsField && m_content->field) {
        delete m_content->field;
        m_content->field = nullptr;
    }
    m_content->update();
    updateReport();
}

void GroupIconView::setReportedCellFrame(const QRectF& cellFrame)
{
    m_cellFrame = cellFrame;
    if (m_content->field)
        m_content->field->setReportedFrame(m_content->field->boundingRect().translated(m_content->field->pos() + cellFrame.topLeft()));
    updateReport();
}

void GroupIconView::updateReport()
{
    if (!m_inputs.trackFrame || !m_cellFrame) {
        m_reported.reset();
        m_report.clear();
        return;
    }
    m_reported = CellGeometry::iconSquare(*m_cellFrame, m_metrics);
    m_report.reportIcon(m_group.id, *m_reported);
}

} // namespace corvanta
