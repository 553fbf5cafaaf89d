#pragma once

#include "Models/AppItem.h"
#include "Views/GridMetrics.h"
#include "Views/AppIconView.h"
#include "Views/GridCellServices.h"

#include <QGraphicsObject>
#include <QHash>
#include <QUuid>

#include <functional>
#include <optional>

namespace corvanta {

// What replaces the paged grid while a search runs: the matching applications in a centred grid
// of `columns` columns (10 pt from the top, scrolled with the wheel), or a line saying nothing
// matched. Result cells never jiggle, never show a delete badge and never take a merge; they keep
// their identity by application id across searches.
class SearchResultsView : public QGraphicsObject {
    Q_OBJECT
public:
    static constexpr double kTopPadding = 10;

    SearchResultsView(const GridCellServices& services, QGraphicsItem* parent = nullptr);

    std::function<void(const AppItem&)> onLaunch;

    void setSize(const QSizeF& size);
    void setMetrics(const GridMetrics& metrics);
    void setResults(const QList<AppItem>& results, const QString& searchText);
    void setLaunchingAppID(std::optional<QUuid> id);
    // The text shown when nothing matched; empty while there are results.
    QString emptyText() const;
    // The slot of result n, in this item's coordinates (before scrolling).
    QRectF resultSlot(qsizetype index) const;
    double scrollOffset() const { return m_scroll; }
    AppIconView* cell(const QUuid& id) const { return m_cells.value(id); }

    QRectF boundingRect() const override { return {QPointF(0, 0), m_size}; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

protected:
    void wheelEvent(QGraphicsSceneWheelEvent* event) override;

private:
    void reconcile();
    void scrollTo(double offset);
    void applyInputs(AppIconView* cell) const;
    double contentHeight() const;

    GridCellServices m_services;
    QSizeF m_size;
    GridMetrics m_metrics;
    QList<AppItem> m_results;
    QString m_searchText;
    std::optional<QUuid> m_launchingAppID;
    QGraphicsObject* m_content;
    QHash<QUuid, AppIconView*> m_cells;
    double m_scroll = 0;
};

} // namespace corvanta
