#include "Views/FolderPanelDrawing.h"

#include "Services/GaussianBoxBlur.h"
#include "Views/CellDrawing.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace corvanta {
namespace {

// The continuous corner starts this many radii from the corner (see continuousRoundedRect).
constexpr double kCornerReach = 1.528;
const QColor kVeil(255, 255, 255, 41); // 0.16

// The backdrop with the glass's white veil over it, made once per backdrop picture.
QImage veiled(const QImage& backdrop)
{
    static qint64 key = 0;
    static QImage made;
    if (key != backdrop.cacheKey() || made.isNull()) {
        // Opaque, so copies of it are plain pixel copies.
        made = backdrop.convertToFormat(QImage::Format_RGB32);
        QPainter p(&made);
        p.fillRect(made.rect(), kVeil);
        key = backdrop.cacheKey();
    }
    return made;
}

} // namespace

void drawFolderGlass(QPainter& painter, const QPainterPath& shape, double cornerRadius, const QImage& backdrop, const QPointF& backdropOrigin)
{
    if (shape.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (!backdrop.isNull()) {
        // A texture fill of the path: the raster engine crops the picture span by span, with no
        // intermediate image and no clip mask. The white veil is laid over the picture once per
        // picture, so a frame is one pass.
        const QImage picture = veiled(backdrop);
        QBrush glass(picture);
        glass.setTransform(QTransform::fromTranslate(backdropOrigin.x(), backdropOrigin.y()));
        // The part well inside the corners is one plain copy of the opaque picture; the path
        // fill then only covers the ring around it (the inner rectangle cancels out under the
        // odd-even rule). The rectangle sits on whole pixels, so the two meet without a seam.
        const QRectF bounds = shape.boundingRect();
        const double reach = cornerRadius * kCornerReach + 1;
        const QRect inner(QPoint(int(std::ceil(bounds.left() + reach)), int(std::ceil(bounds.top() + reach))),
            QPoint(int(std::floor(bounds.right() - reach)) - 1, int(std::floor(bounds.bottom() - reach)) - 1));
        if (inner.width() > 0 && inner.height() > 0) {
            painter.drawImage(inner, picture, QRectF(inner).translated(-backdropOrigin));
            QPainterPath ring = shape;
            ring.addRect(inner);
            ring.setFillRule(Qt::OddEvenFill);
            painter.fillPath(ring, glass);
        } else {
            painter.fillPath(shape, glass);
        }
    } else {
        CellDrawing::fillMaterial(painter, shape);
        painter.fillPath(shape, kVeil);
    }
    const QRectF bounds = shape.boundingRect();
    QLinearGradient border(bounds.topLeft(), bounds.bottomLeft());
    border.setColorAt(0, QColor(255, 255, 255, 46));  // 0.18
    border.setColorAt(1, QColor(255, 255, 255, 133)); // 0.52
    // A 1 pt line inside the edge: the shape clipped to itself, stroked 2 pt wide.
    painter.setClipPath(shape, Qt::IntersectClip);
    painter.strokePath(shape, QPen(QBrush(border), 2));
    painter.restore();
}

NineSliceShadow::NineSliceShadow(double corner, double blurRadius)
{
    m_pad = std::ceil(blurRadius * 2);
    m_inner = std::ceil(corner * kCornerReach) + 1;
    const double side = 2 * (m_pad + m_inner) + 2;
    QImage image(static_cast<int>(side), static_cast<int>(side), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(CellDrawing::continuousRoundedRect(QRectF(m_pad, m_pad, side - 2 * m_pad, side - 2 * m_pad), corner), Qt::black);
    }
    if (blurRadius > 0)
        GaussianBoxBlur::apply(image, blurRadius / 2, 1);
    m_pixmap = QPixmap::fromImage(image);
}

void NineSliceShadow::draw(QPainter& painter, const QRectF& rect, double corner, double blurRadius, const QPointF& offset, double opacity) const
{
    if (rect.isEmpty() || opacity <= 0 || m_pixmap.isNull())
        return;
    // Scale the prepared corner to the asked one; never past half the rectangle.
    const double wanted = 2 * blurRadius + corner * kCornerReach;
    double k = wanted / (m_pad + m_inner);
    k = std::min(k, std::min(rect.width(), rect.height()) / 2 / m_inner);
    if (k <= 0)
        return;
    const double pad = m_pad * k;
    const double slice = (m_pad + m_inner) * k;
    const QRectF outer = rect.translated(offset).adjusted(-pad, -pad, pad, pad);
    const double src = m_pad + m_inner;
    const double full = m_pixmap.width();

    const double xs[4] = {outer.left(), outer.left() + slice, outer.right() - slice, outer.right()};
    const double ys[4] = {outer.top(), outer.top() + slice, outer.bottom() - slice, outer.bottom()};
    const double sx[4] = {0, src, full - src, full};
    const double old = painter.opacity();
    painter.setOpacity(old * opacity);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            // The middle lies under the panel's opaque glass.
            if (row == 1 && column == 1 && !m_drawsMiddle)
                continue;
            const QRectF target(QPointF(xs[column], ys[row]), QPointF(xs[column + 1], ys[row + 1]));
            if (target.width() <= 0 || target.height() <= 0)
                continue;
            const QRectF source(QPointF(sx[column], sx[row]), QPointF(sx[column + 1], sx[row + 1]));
            painter.drawPixmap(target, m_pixmap, source);
        }
    }
    painter.setOpacity(old);
}

} // namespace corvanta
