#include "Views/PageIndicator.h"

#include <QGraphicsSceneMouseEvent>
#include <QPainter>

namespace corvanta {

PageIndicator::PageIndicator(Scheduler& scheduler, FrameRegistry* frames, const QGraphicsItem* frameSpace, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_scheduler(scheduler), m_registry(frames), m_frameSpace(frameSpace)
{
    setAcceptedMouseButtons(Qt::LeftButton);
}

PageIndicator::~PageIndicator() = default;

void PageIndicator::setWidth(double width)
{
    if (width == m_width)
        return;
    prepareGeometryChange();
    m_width = width;
    reportFrames();
}

void PageIndicator::setPageCount(int count)
{
    count = std::max(0, count);
    if (count == m_pageCount)
        return;
    prepareGeometryChange();
    m_pageCount = count;
    rebuildDots();
}

void PageIndicator::setCurrentPage(int page)
{
    if (page == m_currentPage)
        return;
    m_currentPage = page;
    for (int i = 0; i < int(m_fills.size()); ++i)
        m_fills[size_t(i)]->animate(i == page ? 1.0 : kInactiveOpacity, kFillDuration, TimingCurve::easeInEaseOut());
}

void PageIndicator::rebuildDots()
{
    m_fills.clear();
    for (int i = 0; i < m_pageCount; ++i)
        m_fills.push_back(std::make_unique<ValueAnimator>(m_scheduler, i == m_currentPage ? 1.0 : kInactiveOpacity, [this](double) { update(); }));
    reportFrames();
    update();
}

void PageIndicator::reportFrames()
{
    m_reports.clear();
    if (!m_registry || !m_frameSpace)
        return;
    for (int i = 0; i < m_pageCount; ++i) {
        FrameReport report(*m_registry, FrameKind::chrome);
        report.report(layoutFrame(this, dotRect(i), m_frameSpace));
        m_reports.push_back(std::move(report));
    }
}

QRectF PageIndicator::dotRect(int index) const
{
    const double rowWidth = m_pageCount * kDotSize + std::max(0, m_pageCount - 1) * kSpacing;
    const double x = (m_width - rowWidth) / 2 + index * (kDotSize + kSpacing);
    return {x, 0, kDotSize, kDotSize};
}

double PageIndicator::dotOpacity(int index) const
{
    if (index < 0 || index >= int(m_fills.size()))
        return 0;
    return m_fills[size_t(index)]->value();
}

int PageIndicator::dotAt(const QPointF& point) const
{
    for (int i = 0; i < m_pageCount; ++i) {
        if (dotRect(i).contains(point))
            return i;
    }
    return -1;
}

QRectF PageIndicator::boundingRect() const
{
    return {0, 0, m_width, kDotSize};
}

void PageIndicator::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    for (int i = 0; i < m_pageCount; ++i) {
        painter->setBrush(QColor(255, 255, 255, int(std::lround(255 * dotOpacity(i)))));
        painter->drawEllipse(dotRect(i));
    }
}

void PageIndicator::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    m_pressedDot = dotAt(event->pos());
    if (m_pressedDot < 0)
        event->ignore();
}

void PageIndicator::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    const int dot = dotAt(event->pos());
    if (dot >= 0 && dot == m_pressedDot && onTap)
        onTap(dot);
    m_pressedDot = -1;
}

} // namespace corvanta
