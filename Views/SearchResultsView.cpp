#include "Views/SearchResultsView.h"

#include "Views/ContentLayers.h"

#include <QGraphicsSceneWheelEvent>
#include <QPainter>

namespace corvanta {

SearchResultsView::SearchResultsView(const HostedPageServices& services, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_services(services), m_content(new LayerSlot(this))
{
    setFlag(ItemClipsChildrenToShape);
}

void SearchResultsView::setSize(const QSizeF& size)
{
    prepareGeometryChange();
    m_size = size;
    reconcile();
}

void SearchResultsView::setMetrics(const GridMetrics& metrics)
{
    m_metrics = metrics;
    for (HostedResultCell* cell : std::as_const(m_cells))
        cell->setMetrics(metrics);
    reconcile();
}

void SearchResultsView::setResults(const QList<AppItem>& results, const QString& searchText)
{
    m_results = results;
    m_searchText = searchText;
    m_scroll = 0;
    reconcile();
    update();
}

void SearchResultsView::setLaunchingAppID(std::optional<QUuid> id)
{
    m_launchingAppID = id;
}

QString SearchResultsView::emptyText() const
{
    if (!m_results.isEmpty())
        return {};
    return QStringLiteral("没有找到名为「") + m_searchText + QStringLiteral("」的应用");
}

QRectF SearchResultsView::resultSlot(qsizetype index) const
{
    const qint64 columns = std::max<qint64>(1, m_metrics.columns);
    const double gridWidth = m_metrics.columnPitch * double(columns);
    const double left = (m_size.width() - gridWidth) / 2;
    return {left + m_metrics.columnPitch * double(index % columns), kTopPadding + m_metrics.rowPitch * double(index / columns),
        m_metrics.columnPitch, m_metrics.rowPitch};
}

double SearchResultsView::contentHeight() const
{
    if (m_results.isEmpty())
        return 0;
    return resultSlot(m_results.size() - 1).bottom();
}

void SearchResultsView::reconcile()
{
    QHash<QUuid, HostedResultCell*> kept;
    for (qsizetype i = 0; i < m_results.size(); ++i) {
        const AppItem& app = m_results.at(i);
        HostedResultCell* cell = m_cells.take(app.id);
        if (!cell) {
            cell = new HostedResultCell(m_services, PageEntry::app(app), m_metrics, m_content);
        } else {
            cell->setEntry(PageEntry::app(app));
        }
        cell->setPos(resultSlot(i).topLeft());
        cell->onTap = [this, app] {
            if (onLaunch)
                onLaunch(app);
        };
        kept.insert(app.id, cell);
    }
    qDeleteAll(m_cells);
    m_cells = kept;
    scrollTo(m_scroll);
}

void SearchResultsView::scrollTo(double offset)
{
    const double most = std::max(0.0, contentHeight() - m_size.height());
    m_scroll = std::clamp(offset, 0.0, most);
    m_content->setPos(0, -m_scroll);
    for (HostedResultCell* cell : std::as_const(m_cells))
        cell->reportFrame();
}

void SearchResultsView::wheelEvent(QGraphicsSceneWheelEvent* event)
{
    if (event->orientation() != Qt::Vertical) {
        event->ignore();
        return;
    }
    scrollTo(m_scroll - event->delta() / 2.0);
}

void SearchResultsView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    const QString text = emptyText();
    if (text.isEmpty())
        return;
    QFont font;
    font.setPixelSize(17);
    painter->setFont(font);
    painter->setPen(QColor(255, 255, 255, int(255 * 0.6)));
    painter->drawText(boundingRect().adjusted(40, 0, -40, 0), Qt::AlignCenter | Qt::TextWordWrap, text);
}

} // namespace corvanta
