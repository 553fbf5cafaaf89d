#pragma once

#include "Models/AppItem.h"
#include "Views/GridMetrics.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QFontMetricsF;
class QPainter;

namespace corvanta {

// Drawing pieces shared by the grid's cells, the reorder ghost and the launch zoom copy.
namespace CellDrawing {

// A rounded rectangle whose corners ease into the straight edges (no visible kink where the arc
// meets the side), the shape of every icon and folder block.
QPainterPath continuousRoundedRect(const QRectF& rect, double radius);

// The translucent "material" fill of placeholders and folder blocks.
void fillMaterial(QPainter& painter, const QPainterPath& shape);

// A soft shadow of `shape`'s bounds rounded by `radius`, cached per size: blurred once, then blitted.
void drawSoftShadow(QPainter& painter, const QRectF& rect, double radius, double blurRadius, const QPointF& offset, double opacity);

// The soft shadow of an icon's own outline (its alpha, clipped to the rounded square), blurred
// once: drawn at the icon's place plus the offset. Built per icon and size, kept by the cell.
QImage iconShadow(const QImage& icon, const QRectF& square, double radius, double blurRadius, double dpr = 1);
// Draws a shadow made by iconShadow for `square`.
void drawIconShadow(QPainter& painter, const QImage& shadow, const QRectF& square, double blurRadius, const QPointF& offset, double opacity);

// `image` stretched to fit inside `rect` keeping its aspect ratio, smoothly scaled.
// The icon fitted into a `size` square and clipped to its continuous rounded corners, rendered
// once at the device's pixel ratio: drawing it again is a plain copy.
QPixmap roundedIconPixmap(const QImage& icon, double size, double radius, double dpr);
void drawFitted(QPainter& painter, const QImage& image, const QRectF& rect);

// Symbols of our own, drawn as paths in a square of side `size` centred on `centre`.
QPainterPath dashedAppSymbol(const QPointF& centre, double size);
QPainterPath xmarkSymbol(const QPointF& centre, double size);
// Two diagonal strokes through `centre`, each reaching `halfExtent` along both axes.
QPainterPath crossPath(const QPointF& centre, double halfExtent);
QPainterPath folderSymbol(const QPointF& centre, double size);
// Stroked symbols (the dashed app outline, the cross) need a pen width for their size.
double symbolStrokeWidth(double size);

// The cell label: one line, elided in the middle, white with a soft dark shadow, centred in a
// box `width` × `height`. Rendered once into a pixmap (device pixel ratio `dpr`), with 3 points
// of room on every side for the shadow; nothing of the text is clipped.
QPixmap labelPixmap(const QString& text, double fontSize, double width, double height, double dpr = 1);
QFont labelFont(double fontSize);
// The height a line of the label font needs: its ascent and descent.
double labelLineHeight(double fontSize);
// `text` as it fits `width` by `metrics`: whole when it fits, else as many whole characters as fit
// around an ellipsis in the middle, the head and the tail kept as even as the width allows.
QString elidedMiddle(const QString& text, const QFontMetricsF& metrics, double width);

} // namespace CellDrawing

// The key under which the icon cache keeps an application's icon.
QString iconCacheKey(const AppItem& app);

// Whether the user may remove an application from the grid: not the program itself, nothing of
// the system vendor's, nothing under "/System".
bool isRemovableApp(const AppItem& app);

// The geometry of one grid cell of `metrics`, in the cell's own coordinates (columnPitch ×
// rowPitch): the icon square centred above its label, the two stacked and centred vertically.
// The label's line box is the grid's labelHeight, grown about its middle to the line height of the
// label font where that is taller (large icons leave a label row of 8 points for a 13-point font).
struct CellGeometry {
    explicit CellGeometry(const GridMetrics& metrics);
    QSizeF cellSize;
    QRectF iconRect;
    QRectF labelRect;
    QPointF iconCentre() const { return iconRect.center(); }
    double iconSide() const { return iconRect.width(); }
    // The icon square of a cell whose frame is `cellFrame` (any coordinate space).
    static QRectF iconSquare(const QRectF& cellFrame, const GridMetrics& metrics);
    // That square widened to the delete badge overhanging its top-left corner.
    static QRectF withBadge(const QRectF& iconSquare);
    // The badge square, in the coordinates of the icon square.
    static QRectF badgeRect(const QRectF& iconSquare);
    // The icon square inside a reported frame that the badge widened up and left (any other frame
    // as it is): what a merge seeds and opens the new folder from.
    static QRectF iconSquareOfReported(const QRectF& reported, double iconSize);
};

} // namespace corvanta
