#include "IconPainter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace corvanta::samples {

namespace {

QPainterPath regularPolygon(const QRectF& box, int corners, double rotation, double innerRatio = 1.0)
{
    // With innerRatio below 1 every second corner is pulled inwards, which turns it into a star.
    const int points = innerRatio < 1.0 ? corners * 2 : corners;
    const QPointF centre = box.center();
    const double radius = box.width() / 2.0;
    QPainterPath path;
    for (int i = 0; i < points; ++i) {
        const double angle = rotation + 2.0 * std::numbers::pi * i / points;
        const double r = (innerRatio < 1.0 && i % 2 == 1) ? radius * innerRatio : radius;
        const QPointF p(centre.x() + r * std::cos(angle), centre.y() + r * std::sin(angle));
        if (i == 0) {
            path.moveTo(p);
        } else {
            path.lineTo(p);
        }
    }
    path.closeSubpath();
    return path;
}

QPainterPath shield(const QRectF& box)
{
    const double w = box.width();
    const double h = box.height();
    QPainterPath path;
    path.moveTo(box.left() + w * 0.5, box.top());
    path.cubicTo(box.left() + w * 0.75, box.top() + h * 0.1, box.right(), box.top() + h * 0.1, box.right(),
                 box.top() + h * 0.12);
    path.cubicTo(box.right(), box.top() + h * 0.65, box.left() + w * 0.75, box.top() + h * 0.88,
                 box.left() + w * 0.5, box.bottom());
    path.cubicTo(box.left() + w * 0.25, box.top() + h * 0.88, box.left(), box.top() + h * 0.65, box.left(),
                 box.top() + h * 0.12);
    path.cubicTo(box.left(), box.top() + h * 0.1, box.left() + w * 0.25, box.top() + h * 0.1, box.left() + w * 0.5,
                 box.top());
    path.closeSubpath();
    return path;
}

QPainterPath outline(IconShape shape, const QRectF& box)
{
    QPainterPath path;
    switch (shape) {
    case IconShape::Squircle:
        path.addRoundedRect(box, box.width() * 0.22, box.height() * 0.22);
        return path;
    case IconShape::Circle:
        path.addEllipse(box);
        return path;
    case IconShape::Hexagon:
        return regularPolygon(box, 6, std::numbers::pi / 6.0);
    case IconShape::Diamond:
        return regularPolygon(box, 4, -std::numbers::pi / 2.0);
    case IconShape::Star:
        return regularPolygon(box, 5, -std::numbers::pi / 2.0, 0.5);
    case IconShape::Shield:
        return shield(box);
    }
    return path;
}

}  // namespace

QImage paintIcon(const IconArt& art, int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const double margin = side * art.inset;
    const QRectF box(margin, margin, side - 2 * margin, side - 2 * margin);
    const QPainterPath body = outline(art.shape, box);

    QLinearGradient fill(box.topLeft(), box.bottomRight());
    fill.setColorAt(0.0, QColor::fromRgb(art.top));
    fill.setColorAt(1.0, QColor::fromRgb(art.bottom));
    painter.fillPath(body, fill);
    // A light rim keeps dark icons visible on a dark backdrop.
    painter.setPen(QPen(QColor(255, 255, 255, 110), std::max(1.0, side / 64.0)));
    painter.drawPath(body);

    // Light artwork takes a dark letter; dark artwork a white one.
    const bool lightArt = qGray(art.top) + qGray(art.bottom) > 2 * 170;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(std::max(6, static_cast<int>(box.height() * (art.glyph.size() > 1 ? 0.36 : 0.5))));
    painter.setFont(font);
    const QPointF shadowOffset(side / 128.0 + 0.5, side / 128.0 + 0.5);
    painter.setPen(lightArt ? QColor(255, 255, 255, 160) : QColor(0, 0, 0, 90));
    painter.drawText(box.translated(shadowOffset), Qt::AlignCenter, art.glyph);
    painter.setPen(lightArt ? QColor(40, 40, 40) : QColor(Qt::white));
    painter.drawText(box, Qt::AlignCenter, art.glyph);
    painter.end();
    return image;
}

}  // namespace corvanta::samples
