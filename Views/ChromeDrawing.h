#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace corvanta {

// The translucent capsule the chrome sits on: a soft shadow, a dark frosted fill and a thin outline.
struct CapsuleStyle {
    double shadowOpacity = 0.15;
    double shadowRadius = 8;
    double shadowOffsetY = 2;
    QColor fill = QColor(40, 40, 46, 150);
    QColor outline = QColor(255, 255, 255, 38);
    double outlineWidth = 0.5;
};

void drawCapsule(QPainter* painter, const QRectF& rect, const CapsuleStyle& style);

// Our own symbol paths, drawn in a square of `size` centred on `center`.
QPainterPath magnifierSymbol(const QPointF& center, double size);
// A filled circle with an x cut out of it.
QPainterPath clearSymbol(const QPointF& center, double size);
QPainterPath plusCircleSymbol(const QPointF& center, double size);
QPainterPath checkCircleSymbol(const QPointF& center, double size);

} // namespace corvanta
