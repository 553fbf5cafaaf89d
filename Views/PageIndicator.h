#pragma once

#include "Support/Clock.h"
#include "Views/FrameRegistry.h"
#include "Views/ValueAnimator.h"

#include <QGraphicsObject>

#include <functional>
#include <memory>
#include <vector>

namespace corvanta {

// The row of page dots under the grid, centred in its area. The current page's dot is white, the
// others white at 0.35, the fill easing over 0.2 s when the page changes. A click on a dot calls
// onTap with its index; each dot reports its own frame as chrome so the engine never takes a click
// on a dot for a click on empty space.
class PageIndicator : public QGraphicsObject {
    Q_OBJECT
public:
    static constexpr double kDotSize = 8;
    static constexpr double kSpacing = 8;
    static constexpr double kInactiveOpacity = 0.35;
    static constexpr double kFillDuration = 0.2;

    // `frames`/`frameSpace`: where the dots report their frames and the item whose coordinates
    // those frames are in (the overlay's root view); unset: no reports.
    PageIndicator(Scheduler& scheduler, FrameRegistry* frames, const QGraphicsItem* frameSpace, QGraphicsItem* parent = nullptr);
    ~PageIndicator() override;

    void setWidth(double width);
    void setPageCount(int count);
    void setCurrentPage(int page);
    int pageCount() const { return m_pageCount; }
    int currentPage() const { return m_currentPage; }

    std::function<void(int index)> onTap;

    // Dot `index`, in this item's coordinates.
    QRectF dotRect(int index) const;
    // Fill opacity of dot `index` shown now.
    double dotOpacity(int index) const;
    // Reports the dots' frames again (after the item or an ancestor moved).
    void reportFrames();

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;

private:
    int dotAt(const QPointF& point) const;
    void rebuildDots();

    Scheduler& m_scheduler;
    FrameRegistry* m_registry;
    const QGraphicsItem* m_frameSpace;
    double m_width = 0;
    int m_pageCount = 0;
    int m_currentPage = 0;
    std::vector<std::unique_ptr<ValueAnimator>> m_fills;
    std::vector<FrameReport> m_reports;
    int m_pressedDot = -1;
};

} // namespace corvanta
