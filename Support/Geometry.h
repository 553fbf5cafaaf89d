#pragma once

#include <QPointF>
#include <QRectF>

#include <cmath>

namespace corvanta {

// Rectangle rules of the platform the frames come from. Containment is half-open: a point on a
// minimum edge is inside, one on a maximum edge is outside, and an empty rectangle contains
// nothing. QRectF::contains treats both edges as inside, which makes neighbouring icon frames
// overlap on their shared edge.
inline bool rectContains(const QRectF& rect, const QPointF& point)
{
    const QRectF r = rect.normalized();
    return point.x() >= r.left() && point.x() < r.right() && point.y() >= r.top() && point.y() < r.bottom();
}

inline QPointF rectCenter(const QRectF& rect)
{
    return {rect.x() + rect.width() / 2, rect.y() + rect.height() / 2};
}

// Grows (positive) or shrinks (negative) a rectangle by dx on the left and right and dy on the
// top and bottom.
inline QRectF rectOutset(const QRectF& rect, double dx, double dy)
{
    return {rect.x() - dx, rect.y() - dy, rect.width() + 2 * dx, rect.height() + 2 * dy};
}

inline double pointDistance(const QPointF& a, const QPointF& b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

} // namespace corvanta
