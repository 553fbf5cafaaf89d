#include "Views/SearchResultsView.h"

#include "Views/ContentLayers.h"

#include <QGraphicsSceneWheelEvent>
#include <QPainter>

namespace corvanta {

SearchResultsView::SearchResultsView(const GridCellServices& services, QGraphicsItem* parent)
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
    for (AppIconView* cell : std::as_const(m_cells))
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
    for (AppIconView* cell : std::as_const(m_cells))
        applyInputs(cell);
}

void SearchResultsView::applyInputs(AppIconView* cell) const
{
    // Results never jiggle, never show a delete badge and never take a merge.
    AppIconView::Inputs inputs;
    inputs.trackFrame = true;
    inputs.isLaunching = m_launchingAppID == cell->app().id;
    cell->setInputs(inputs);
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
    QHash<QUuid, AppIconView*> kept;
    for (qsizetype i = 0; i < m_results.size(); ++i) {
        const AppItem& app = m_results.at(i);
        AppIconView* cell = m_cells.take(app.id);
        if (!cell)
            cell = new AppIconView(m_services, app, m_metrics, m_content);
        else
            cell->setApp(app);
        applyInputs(cell);
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
    for (qsizetype i = 0; i < m_results.size(); ++i) {
        if (AppIconView* cell = m_cells.value(m_results.at(i).id))
            cell->setReportedCellFrame(layoutFrame(m_content, resultSlot(i), m_services.frameSpace));
    }
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
