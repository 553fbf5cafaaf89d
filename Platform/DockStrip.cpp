#include "Platform/DockStrip.h"

#include "Platform/DisplayScreen.h"

#include <algorithm>

namespace corvanta::DockStrip {

namespace {

constexpr double kEdgeTolerance = 1;

} // namespace

std::optional<QRectF> strip(const QRectF& f, const QRectF& v)
{
    if (minY(v) - minY(f) > kEdgeTolerance)
        return QRectF(minX(f), minY(f), f.width(), minY(v) - minY(f));
    if (minX(v) - minX(f) > kEdgeTolerance)
        return QRectF(minX(f), minY(f), minX(v) - minX(f), f.height());
    if (maxX(f) - maxX(v) > kEdgeTolerance)
        return QRectF(maxX(v), minY(f), maxX(f) - maxX(v), f.height());
    return std::nullopt;
}

QRectF visibleFrameBeside(const QRectF& frame, const QList<QRectF>& dockWindows)
{
    double left = minX(frame);
    double right = maxX(frame);
    double bottom = minY(frame);
    for (const QRectF& dock : dockWindows) {
        const QRectF on = dock.intersected(frame);
        if (on.isEmpty())
            continue;
        const bool wide = on.width() >= on.height();
        if (wide && minY(on) - minY(frame) <= kEdgeTolerance)
            bottom = std::max(bottom, maxY(on));
        else if (!wide && minX(on) - minX(frame) <= kEdgeTolerance)
            left = std::max(left, maxX(on));
        else if (!wide && maxX(frame) - maxX(on) <= kEdgeTolerance)
            right = std::min(right, minX(on));
    }
    return QRectF(left, bottom, std::max(0.0, right - left), std::max(0.0, maxY(frame) - bottom));
}

bool dropZoneContains(const QPointF& p, const std::optional<QRectF>& dockStrip)
{
    return dockStrip && dockStrip->contains(p);
}

QList<QRectF> toGlobal(const QList<QRectF>& rects, double primaryHeight)
{
    QList<QRectF> out;
    out.reserve(rects.size());
    for (const QRectF& r : rects)
        out.append(QRectF(r.x(), primaryHeight - r.y() - r.height(), r.width(), r.height()));
    return out;
}

} // namespace corvanta::DockStrip
