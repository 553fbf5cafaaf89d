#include "Views/CellDrawing.h"

#include "Services/GaussianBoxBlur.h"
#include "Services/IconCache.h"

#include <QCache>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace corvanta {

namespace CellDrawing {

QPainterPath continuousRoundedRect(const QRectF& rect, double radius)
{
    QPainterPath path;
    if (rect.isEmpty())
        return path;
    // The curve starts 1.528 radii from the corner and its handles sit close to the corner, so
    // the apex lies where a circular arc of `radius` would put it while the ends meet the sides
    // almost without a change of curvature.
    const double half = std::min(rect.width(), rect.height()) / 2;
    const double p = std::clamp(radius * 1.528, 0.0, half);
    const double k = 0.178 * p;
    const double l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
    path.moveTo(l + p, t);
    path.lineTo(r - p, t);
    path.cubicTo(r - k, t, r, t + k, r, t + p);
    path.lineTo(r, b - p);
    path.cubicTo(r, b - k, r - k, b, r - p, b);
    path.lineTo(l + p, b);
    path.cubicTo(l + k, b, l, b - k, l, b - p);
    path.lineTo(l, t + p);
    path.cubicTo(l, t + k, l + k, t, l + p, t);
    path.closeSubpath();
    return path;
}

void fillMaterial(QPainter& painter, const QPainterPath& shape)
{
    painter.fillPath(shape, QColor(255, 255, 255, 46));
    painter.fillPath(shape, QColor(40, 40, 48, 40));
}

namespace {

QImage shadowImage(const QSizeF& size, double radius, double blurRadius)
{
    const int pad = int(std::ceil(blurRadius * 2));
    QImage image(int(std::ceil(size.width())) + 2 * pad, int(std::ceil(size.height())) + 2 * pad, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(continuousRoundedRect(QRectF(QPointF(pad, pad), size), radius), Qt::black);
    }
    if (blurRadius > 0)
        GaussianBoxBlur::apply(image, blurRadius / 2, 1);
    return image;
}

} // namespace

void drawSoftShadow(QPainter& painter, const QRectF& rect, double radius, double blurRadius, const QPointF& offset, double opacity)
{
    if (rect.isEmpty() || opacity <= 0)
        return;
    static QCache<QString, QImage> cache(64);
    const QString key = QStringLiteral("%1:%2:%3:%4").arg(rect.width()).arg(rect.height()).arg(radius).arg(blurRadius);
    QImage* image = cache.object(key);
    if (!image) {
        image = new QImage(shadowImage(rect.size(), radius, blurRadius));
        cache.insert(key, image);
    }
    const double pad = std::ceil(blurRadius * 2);
    const double old = painter.opacity();
    painter.setOpacity(old * opacity);
    painter.drawImage(rect.topLeft() + offset - QPointF(pad, pad), *image);
    painter.setOpacity(old);
}

QImage iconShadow(const QImage& icon, const QRectF& square, double radius, double blurRadius, double dpr)
{
    const double pad = std::ceil(blurRadius * 2);
    const QSizeF size = square.size() + QSizeF(2 * pad, 2 * pad);
    QImage image((size * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF local(QPointF(pad, pad), square.size());
        p.setClipPath(continuousRoundedRect(local, radius));
        drawFitted(p, icon, local);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(image.rect(), Qt::black);
    }
    if (blurRadius > 0)
        GaussianBoxBlur::apply(image, blurRadius / 2 * dpr, 1);
    return image;
}

void drawIconShadow(QPainter& painter, const QImage& shadow, const QRectF& square, double blurRadius, const QPointF& offset, double opacity)
{
    if (shadow.isNull() || opacity <= 0)
        return;
    const double pad = std::ceil(blurRadius * 2);
    const double old = painter.opacity();
    painter.setOpacity(old * opacity);
    painter.drawImage(square.topLeft() + offset - QPointF(pad, pad), shadow);
    painter.setOpacity(old);
}

QPixmap roundedIconPixmap(const QImage& icon, double size, double radius, double dpr)
{
    const int pixels = int(std::ceil(size * dpr));
    if (icon.isNull() || pixels <= 0)
        return {};
    QPixmap pixmap(pixels, pixels);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF local(0, 0, size, size);
    p.setClipPath(continuousRoundedRect(local, radius));
    drawFitted(p, icon, local);
    p.end();
    return pixmap;
}

void drawFitted(QPainter& painter, const QImage& image, const QRectF& rect)
{
    if (image.isNull() || rect.isEmpty())
        return;
    QSizeF fitted = QSizeF(image.size()).scaled(rect.size(), Qt::KeepAspectRatio);
    QRectF target(QPointF(), fitted);
    target.moveCenter(rect.center());
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
    painter.restore();
}

QPainterPath dashedAppSymbol(const QPointF& centre, double size)
{
    // A rounded square outline broken into dashes, with a short stroke in each corner.
    QPainterPath path;
    const double side = size * 0.8;
    QRectF square(centre.x() - side / 2, centre.y() - side / 2, side, side);
    const QPainterPath outline = continuousRoundedRect(square, side * 0.22);
    const double length = outline.length();
    const int dashes = 12;
    for (int i = 0; i < dashes; ++i) {
        const double from = length * (double(i) + 0.2) / dashes;
        const double to = length * (double(i) + 0.8) / dashes;
        QPointF start = outline.pointAtPercent(outline.percentAtLength(from));
        path.moveTo(start);
        for (double d = from; d <= to; d += std::max(1.0, (to - from) / 6))
            path.lineTo(outline.pointAtPercent(outline.percentAtLength(std::min(d, length))));
        path.lineTo(outline.pointAtPercent(outline.percentAtLength(to)));
    }
    return path;
}

QPainterPath crossPath(const QPointF& centre, double halfExtent)
{
    const double h = halfExtent;
    QPainterPath path;
    path.moveTo(centre + QPointF(-h, -h));
    path.lineTo(centre + QPointF(h, h));
    path.moveTo(centre + QPointF(h, -h));
    path.lineTo(centre + QPointF(-h, h));
    return path;
}

QPainterPath xmarkSymbol(const QPointF& centre, double size) { return crossPath(centre, size * 0.32); }

QPainterPath folderSymbol(const QPointF& centre, double size)
{
    const double w = size, h = size * 0.74;
    const QRectF body(centre.x() - w / 2, centre.y() - h / 2 + size * 0.06, w, h);
    QPainterPath path = continuousRoundedRect(body, size * 0.1);
    const QRectF tab(body.left(), body.top() - size * 0.1, w * 0.42, size * 0.22);
    path = path.united(continuousRoundedRect(tab, size * 0.07));
    return path;
}

double symbolStrokeWidth(double size) { return std::max(1.0, size * 0.085); }

QFont labelFont(double fontSize)
{
    QFont font;
    font.setPixelSize(std::max(1, int(std::lround(fontSize))));
    font.setWeight(QFont::Medium);
    return font;
}

double labelLineHeight(double fontSize)
{
    const QFontMetricsF metrics(labelFont(fontSize));
    return metrics.ascent() + metrics.descent();
}

QString elidedMiddle(const QString& text, const QFontMetricsF& metrics, double width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QString ellipsis(QChar(0x2026));
    if (metrics.horizontalAdvance(ellipsis) > width)
        return {};
    // Whole characters only: an accent or a surrogate pair is never split from its base.
    QList<qsizetype> bounds;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = 0; at >= 0; at = finder.toNextBoundary())
        bounds.append(at);
    const qsizetype count = bounds.size() - 1;
    const auto shown = [&](qsizetype head, qsizetype tail) { return text.left(bounds[head]) + ellipsis + text.mid(bounds[count - tail]); };
    const auto fits = [&](qsizetype head, qsizetype tail) { return head + tail < count && metrics.horizontalAdvance(shown(head, tail)) <= width; };
    qsizetype head = 0, tail = 0;
    for (;;) {
        // The shorter side grows first (the head on a tie); when it cannot, the other one may.
        const bool headFirst = head <= tail;
        if (fits(head + (headFirst ? 1 : 0), tail + (headFirst ? 0 : 1)))
            headFirst ? ++head : ++tail;
        else if (fits(head + (headFirst ? 0 : 1), tail + (headFirst ? 1 : 0)))
            headFirst ? ++tail : ++head;
        else
            break;
    }
    return shown(head, tail);
}

QPixmap labelPixmap(const QString& text, double fontSize, double width, double height, double dpr)
{
    const double pad = 3;
    const QSize pixels(int(std::ceil((width + 2 * pad) * dpr)), int(std::ceil((height + 2 * pad) * dpr)));
    if (pixels.isEmpty())
        return {};
    const QFont font = labelFont(fontSize);
    const QRectF box(pad, pad, width, height);
    const int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip;

    QImage shadow(pixels, QImage::Format_ARGB32_Premultiplied);
    shadow.setDevicePixelRatio(dpr);
    shadow.fill(Qt::transparent);
    // Measured on the image it is drawn on: hinting at this pixel ratio decides the real width.
    const QString shown = elidedMiddle(text, QFontMetricsF(font, &shadow), width);
    {
        QPainter p(&shadow);
        p.setFont(font);
        p.setPen(QColor(0, 0, 0, 140));
        p.drawText(box.translated(0, 1), flags, shown);
    }
    GaussianBoxBlur::apply(shadow, dpr, 1);

    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.drawImage(QPointF(0, 0), shadow);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(box, flags, shown);
    }
    return QPixmap::fromImage(image);
}

} // namespace CellDrawing

QString iconCacheKey(const AppItem& app) { return IconCache::cacheKey(app); }

bool isRemovableApp(const AppItem& app)
{
    if (app.bundleIdentifier == QLatin1String("com.corvanta.app"))
        return false;
    if (app.bundleIdentifier.startsWith(QLatin1String("com.apple.")))
        return false;
    return !app.path().startsWith(QLatin1String("/System"));
}

CellGeometry::CellGeometry(const GridMetrics& m) : cellSize(m.columnPitch, m.rowPitch)
{
    iconRect = iconSquare(QRectF(QPointF(), cellSize), m);
    const double line = std::max(m.labelHeight, CellDrawing::labelLineHeight(m.labelFontSize));
    const double middle = iconRect.bottom() + m.labelSpacing + m.labelHeight / 2;
    labelRect = QRectF((m.columnPitch - m.labelWidth) / 2, middle - line / 2, m.labelWidth, line);
}

QRectF CellGeometry::iconSquare(const QRectF& f, const GridMetrics& m)
{
    const double s = m.iconSize;
    return {f.center().x() - s / 2, f.center().y() - (s + m.labelSpacing + m.labelHeight) / 2, s, s};
}

QRectF CellGeometry::badgeRect(const QRectF& icon)
{
    const double s = icon.width();
    return {icon.left() - 0.1 * s, icon.top() - 0.1 * s, 0.32 * s, 0.32 * s};
}

QRectF CellGeometry::iconSquareOfReported(const QRectF& reported, double iconSize)
{
    // Only a frame of exactly the widened size (1.1 × the side) is taken for one; anything else
    // is left as it came.
    const double widened = 1.1 * iconSize;
    if (iconSize <= 0 || std::abs(reported.width() - widened) > 0.01 || std::abs(reported.height() - widened) > 0.01)
        return reported;
    return {reported.right() - iconSize, reported.bottom() - iconSize, iconSize, iconSize};
}

QRectF CellGeometry::withBadge(const QRectF& icon) { return icon.united(badgeRect(icon)); }

} // namespace corvanta
