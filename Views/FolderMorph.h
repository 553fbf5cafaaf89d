#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QRectF>

namespace corvanta {

// The three interpolations that grow the folder panel out of the folder's grid icon and fold it
// back: the panel's rectangle and corner, one flying icon's centre and size, and the mask that
// clips the flying icons to the panel. Each is linear in one progress value, clamped to [0, 1] so a
// curve's overshoot never grows the panel past its target nor shrinks it past its source.
namespace FolderMorph {

double clampedProgress(double progress);
double lerp(double from, double to, double t);

// The panel, and the mask of the flying icons (same values, same shape).
struct Panel {
    double progress = 0;
    QRectF sourceRect;
    QRectF targetRect;
    double sourceCorner = 0;
    double targetCorner = 0;

    double t() const { return clampedProgress(progress); }
    // The panel's rectangle now: width, height and centre each interpolated.
    QRectF rect() const;
    double corner() const;
    // The continuous-corner rounded rectangle that clips the panel's content and masks the icons.
    QPainterPath shape() const;
    // Black shadow: opacity 0.28 t, blur radius 20 t, offset (0, 8 t).
    double shadowOpacity() const { return 0.28 * t(); }
    double shadowRadius() const { return 20 * t(); }
    QPointF shadowOffset() const { return {0, 8 * t()}; }
};
using Mask = Panel;

// One icon flying between the folder block's mini slot and its place in the panel.
struct Icon {
    double progress = 0;
    QPointF startCenter;
    QPointF endCenter;
    double startSize = 0;
    double endSize = 0;

    double t() const { return clampedProgress(progress); }
    double size() const;
    QPointF center() const;
    QRectF rect() const;
    // Rounded to 0.2 of its side, like every icon.
    double corner() const { return 0.2 * size(); }
    // Black shadow: opacity 0.14 t, blur radius 2 t, offset (0, t).
    double shadowOpacity() const { return 0.14 * t(); }
    double shadowRadius() const { return 2 * t(); }
    QPointF shadowOffset() const { return {0, t()}; }
};

} // namespace FolderMorph
} // namespace corvanta
