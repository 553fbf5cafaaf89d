#pragma once

#include <QSizeF>
#include <QtGlobal>

namespace corvanta {

// The geometry of the application grid, derived from the overlay's size and the settings. The root
// view computes one value per layout pass and hands it unchanged to everything that draws or
// measures the grid; nothing else derives grid geometry.
struct GridMetrics {
    qint64 rows = 1;
    qint64 columns = 1;
    double marginX = 16;
    double columnPitch = 0;
    double vpadTop = 76;
    double vpadBottom = 65;
    double rowPitch = 0;
    double iconSize = 0;
    double iconPadW = 8;
    double iconPadH = 8;
    double labelReserve = 32;
    double labelHeight = 0;
    double labelFontSize = 13;
    double labelSpacing = 12;
    double labelWidth = 0;
    double searchBarWidth = 255;
    double searchBarHeight = 36;
    double searchTopPadding = 56;
    double dotsBottomPadding = 0;

    static constexpr double kPaddingScale = 0.85; // what the root view always passes

    GridMetrics() = default;
    GridMetrics(QSizeF screenSize, qint64 rows, qint64 columns, double iconScale, double paddingScale = kPaddingScale);

    // The base page margin for a content width; the pieces deliberately do not join.
    static double baseMargin(double width);
};

} // namespace corvanta
