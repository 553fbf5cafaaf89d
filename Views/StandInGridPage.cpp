#include "Views/StandInGridPage.h"

#include "Services/IconCache.h"
#include "Support/InteractionManager.h"

#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

namespace corvanta {

StandInCell::StandInCell(const StandInServices& services, const PageEntry& entry, const GridMetrics& metrics, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_services(services), m_entry(entry), m_metrics(metrics)
{
    if (m_services.frames)
        m_report = FrameReport(*m_services.frames, FrameKind::icon);
    setAcceptedMouseButtons(Qt::LeftButton);
    setEntry(entry);
}

void StandInCell::setEntry(const PageEntry& entry)
{
    m_entry = entry;
    m_icon = QImage();
    if (const AppItem* app = entry.asApp(); app && m_services.icons) {
        if (std::optional<QImage> image = m_services.icons->cachedImage(IconCache::cacheKey(*app)))
            m_icon = *image;
    }
    update();
}

void StandInCell::setMetrics(const GridMetrics& metrics)
{
    prepareGeometryChange();
    m_metrics = metrics;
}

void StandInCell::setTrackFrame(bool track)
{
    m_trackFrame = track;
    reportFrame();
}

QRectF StandInCell::iconRect() const
{
    const double size = m_metrics.iconSize;
    return {(m_metrics.columnPitch - size) / 2, (m_metrics.rowPitch - size - m_metrics.labelHeight - 6) / 2, size, size};
}

void StandInCell::reportFrame()
{
    if (!m_services.frames)
        return;
    if (!m_trackFrame || !scene()) {
        m_report.clear();
        return;
    }
    m_report.reportIcon(m_entry.id(), layoutFrame(this, iconRect(), m_services.frameSpace));
}

QRectF StandInCell::boundingRect() const
{
    return {0, 0, m_metrics.columnPitch, m_metrics.rowPitch};
}

void StandInCell::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF icon = iconRect();
    const double radius = icon.width() * 0.225;
    QPainterPath square;
    square.addRoundedRect(icon, radius, radius);
    if (!m_icon.isNull()) {
        painter->save();
        painter->setClipPath(square);
        painter->drawImage(icon, m_icon);
        painter->restore();
    } else {
        painter->fillPath(square, QColor(255, 255, 255, m_entry.isGroup() ? 60 : 90));
    }
    QFont font;
    font.setPixelSize(int(m_metrics.labelFontSize));
    painter->setFont(font);
    painter->setPen(Qt::white);
    const QRectF label(0, icon.bottom() + 6, m_metrics.columnPitch, m_metrics.labelHeight + 4);
    const QString entryName = m_entry.isApp() ? m_entry.asApp()->name : m_entry.asGroup()->name;
    const QString name = QFontMetricsF(font).elidedText(entryName, Qt::ElideMiddle, m_metrics.labelWidth);
    painter->drawText(label, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, name);
}

void StandInCell::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    if (!iconRect().contains(event->pos()))
        event->ignore();
}

void StandInCell::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    if (iconRect().contains(event->pos()) && onTap)
        onTap();
}

// ---- page ----

StandInGridPage::State StandInGridPage::State::from(const InteractionManager& engine, bool trackFrames, std::optional<QUuid> openedGroupID)
{
    State state;
    state.isJiggleMode = engine.isJiggleMode();
    state.launchingAppID = engine.launchingAppID();
    state.reorderDraggedEntryID = engine.reorderDraggedEntryID();
    state.mergeCandidateID = engine.mergeCandidateID();
    state.trackFrames = trackFrames;
    state.openedGroupID = openedGroupID;
    return state;
}

StandInGridPage::StandInGridPage(const StandInServices& services, const TilehallPage& page, const GridMetrics& metrics, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_services(services), m_page(page), m_metrics(metrics)
{
    setFlag(ItemHasNoContents);
    reconcile();
}

QPointF StandInGridPage::slotOrigin(qsizetype index, const GridMetrics& metrics)
{
    const qint64 columns = std::max<qint64>(1, metrics.columns);
    return {metrics.columnPitch * double(index % columns), metrics.rowPitch * double(index / columns)};
}

QRectF StandInGridPage::boundingRect() const
{
    return {0, 0, m_metrics.columnPitch * double(m_metrics.columns), m_metrics.rowPitch * double(m_metrics.rows)};
}

void StandInGridPage::setPage(const TilehallPage& page, bool)
{
    m_page = page;
    reconcile();
}

void StandInGridPage::setMetrics(const GridMetrics& metrics)
{
    prepareGeometryChange();
    m_metrics = metrics;
    reconcile();
}

void StandInGridPage::setState(const State& state)
{
    if (state == m_state)
        return;
    m_state = state;
    reconcile();
}

void StandInGridPage::reconcile()
{
    QHash<QUuid, StandInCell*> kept;
    for (qsizetype i = 0; i < m_page.entries.size(); ++i) {
        const PageEntry& entry = m_page.entries.at(i);
        StandInCell* cell = m_cells.take(entry.id());
        if (!cell)
            cell = new StandInCell(m_services, entry, m_metrics, this);
        else
            cell->setEntry(entry);
        cell->setMetrics(m_metrics);
        cell->setPos(slotOrigin(i, m_metrics));
        cell->setVisible(entry.id() != m_state.reorderDraggedEntryID);
        const QUuid id = entry.id();
        cell->onTap = [this, id] {
            for (const PageEntry& e : std::as_const(m_page.entries)) {
                if (e.id() != id)
                    continue;
                if (const AppItem* app = e.asApp(); app && onLaunch)
                    onLaunch(*app);
                else if (e.isGroup() && onGroupOpen)
                    onGroupOpen(id);
                return;
            }
        };
        kept.insert(id, cell);
    }
    qDeleteAll(m_cells);
    m_cells = kept;
    reportFrames();
}

void StandInGridPage::reportFrames()
{
    for (StandInCell* cell : std::as_const(m_cells))
        cell->setTrackFrame(m_state.trackFrames);
}

} // namespace corvanta
