#include "Views/FolderMorph.h"

#include "Views/CellDrawing.h"

#include <algorithm>

namespace corvanta::FolderMorph {

double clampedProgress(double progress)
{
    return std::clamp(progress, 0.0, 1.0);
}

double lerp(double from, double to, double t)
{
    return from + t * (to - from);
}

QRectF Panel::rect() const
{
    const double k = t();
    const double w = lerp(sourceRect.width(), targetRect.width(), k);
    const double h = lerp(sourceRect.height(), targetRect.height(), k);
    const QPointF centre(lerp(sourceRect.center().x(), targetRect.center().x(), k), lerp(sourceRect.center().y(), targetRect.center().y(), k));
    return {centre.x() - w / 2, centre.y() - h / 2, w, h};
}

double Panel::corner() const
{
    return lerp(sourceCorner, targetCorner, t());
}

QPainterPath Panel::shape() const
{
    return CellDrawing::continuousRoundedRect(rect(), corner());
}

double Icon::size() const
{
    return lerp(startSize, endSize, t());
}

QPointF Icon::center() const
{
    const double k = t();
    return {lerp(startCenter.x(), endCenter.x(), k), lerp(startCenter.y(), endCenter.y(), k)};
}

QRectF Icon::rect() const
{
    const double side = size();
    const QPointF c = center();
    return {c.x() - side / 2, c.y() - side / 2, side, side};
}

} // namespace corvanta::FolderMorph
