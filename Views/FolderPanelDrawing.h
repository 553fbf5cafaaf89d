#pragma once

#include <QImage>
#include <QPainterPath>
#include <QPixmap>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace corvanta {

// The glass of the folder panel: the blurred backdrop cropped to the panel's shape, a white veil
// and a thin border brighter at the bottom. `backdrop` is the blurred picture already scaled to
// cover the overlay and `backdropOrigin` its top left in the painter's coordinates; a null picture
// falls back to the translucent material fill. Nothing is blurred here: every frame only crops.
// `shape` is the continuous-corner rectangle of `cornerRadius`.
void drawFolderGlass(QPainter& painter, const QPainterPath& shape, double cornerRadius, const QImage& backdrop, const QPointF& backdropOrigin);

// A soft shadow of a continuous-corner rectangle, blurred once and drawn as nine slices, so a
// panel that changes its size every frame never blurs again. The corners scale with the corner
// radius and blur asked for; the edges and the middle stretch.
class NineSliceShadow {
public:
    NineSliceShadow(double corner, double blurRadius);
    void draw(QPainter& painter, const QRectF& rect, double corner, double blurRadius, const QPointF& offset, double opacity) const;
    // Whether the middle slice is drawn (off when something opaque covers it anyway).
    void setDrawsMiddle(bool draws) { m_drawsMiddle = draws; }

private:
    QPixmap m_pixmap;
    double m_pad;   // how far the blur reaches outside the shape
    double m_inner; // the corner's extent inside the shape
    bool m_drawsMiddle = true;
};

} // namespace corvanta
