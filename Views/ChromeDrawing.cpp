#include "Views/ChromeDrawing.h"

#include "Views/CellDrawing.h"

#include <QPainter>
#include <QPainterPathStroker>

namespace corvanta {

void drawCapsule(QPainter* painter, const QRectF& rect, const CapsuleStyle& style)
{
    const double radius = rect.height() / 2;
    painter->save();
    painter->setPen(Qt::NoPen);
    // A few widening rings of low alpha stand in for a blurred shadow without an effect pass.
    const int rings = 4;
    for (int i = rings; i >= 1; --i) {
        const double grow = style.shadowRadius * i / rings / 2;
        QColor shade(0, 0, 0, int(255 * style.shadowOpacity / rings));
        painter->setBrush(shade);
        const QRectF r = rect.translated(0, style.shadowOffsetY).adjusted(-grow, -grow, grow, grow);
        painter->drawRoundedRect(r, radius + grow, radius + grow);
    }
    painter->setBrush(style.fill);
    painter->drawRoundedRect(rect, radius, radius);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(style.outline, style.outlineWidth));
    painter->drawRoundedRect(rect, radius, radius);
    painter->restore();
}

QPainterPath magnifierSymbol(const QPointF& center, double size)
{
    const double r = size * 0.34;
    const QPointF lens = center + QPointF(-size * 0.08, -size * 0.08);
    QPainterPath ring;
    ring.addEllipse(lens, r, r);
    QPainterPath handle;
    handle.moveTo(lens + QPointF(r * 0.72, r * 0.72));
    handle.lineTo(center + QPointF(size * 0.45, size * 0.45));
    QPainterPathStroker stroker;
    stroker.setWidth(size * 0.11);
    stroker.setCapStyle(Qt::RoundCap);
    return stroker.createStroke(ring).united(stroker.createStroke(handle));
}

namespace {

QPainterPath circleMinus(const QPointF& center, double size, const QPainterPath& mark)
{
    QPainterPath disc;
    disc.addEllipse(center, size / 2, size / 2);
    QPainterPathStroker stroker;
    stroker.setWidth(size * 0.12);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return disc.subtracted(stroker.createStroke(mark));
}

} // namespace

QPainterPath clearSymbol(const QPointF& center, double size)
{
    return circleMinus(center, size, CellDrawing::crossPath(center, size * 0.18));
}

QPainterPath plusCircleSymbol(const QPointF& center, double size)
{
    const double a = size * 0.24;
    QPainterPath plus;
    plus.moveTo(center + QPointF(-a, 0));
    plus.lineTo(center + QPointF(a, 0));
    plus.moveTo(center + QPointF(0, -a));
    plus.lineTo(center + QPointF(0, a));
    return circleMinus(center, size, plus);
}

QPainterPath checkCircleSymbol(const QPointF& center, double size)
{
    QPainterPath check;
    check.moveTo(center + QPointF(-size * 0.22, 0));
    check.lineTo(center + QPointF(-size * 0.05, size * 0.17));
    check.lineTo(center + QPointF(size * 0.23, -size * 0.17));
    return circleMinus(center, size, check);
}

} // namespace corvanta
