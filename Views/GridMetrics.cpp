#include "Views/GridMetrics.h"

#include <algorithm>
#include <cmath>

namespace corvanta {

double GridMetrics::baseMargin(double w)
{
    if (w <= 1440)
        return (w - 1440) / 24 + 148;
    if (w <= 1680)
        return (w - 1680) / 15 + 190;
    if (w <= 1920)
        return 90;
    if (w <= 2860)
        return (w - 1920) * 0.125531914893617 + 320;
    return (w - 2860) * 0.153 + 90;
}

namespace {

double floorAt(double value, double floor) { return value <= floor ? floor : value; }

double iconPad(double pitch)
{
    const double ratio = floorAt(0.08 * std::pow(0.9895, pitch - 180), 0.06);
    return floorAt(std::trunc(pitch * ratio), 8);
}

} // namespace

GridMetrics::GridMetrics(QSizeF screenSize, qint64 rowCount, qint64 columnCount, double iconScale, double paddingScale)
{
    rows = rowCount < 2 ? 1 : rowCount;
    columns = columnCount < 2 ? 1 : columnCount;
    const double w = floorAt(screenSize.width(), 1);
    const double usableHeight = floorAt(screenSize.height() - 16 - 69, 1);

    const double b = baseMargin(w);
    const double m = iconScale <= 1 ? b : (2 - iconScale) * b;
    marginX = floorAt(std::trunc(paddingScale * m), 16);
    columnPitch = (w - 2 * marginX) / double(columns);

    const double k = columnPitch * 0.842 * double(rows);
    if (usableHeight > k) {
        const double v = std::trunc((usableHeight - k) * 0.242);
        vpadTop = std::max(v, 76.0);
        vpadBottom = std::max(v, 65.0);
    } else {
        vpadTop = 76;
        vpadBottom = 65;
    }
    rowPitch = (usableHeight - vpadTop - vpadBottom) / double(rows);

    iconPadW = iconPad(columnPitch);
    iconPadH = iconPad(rowPitch);
    const double a = floorAt(columnPitch - 2 * iconPadH, 2);
    const double boxB = rowPitch - 2 * iconPadW;
    const double s = boxB <= 32 ? 0 : std::min({a, boxB - 32, 128.0});
    iconSize = std::min({rowPitch - 48, iconScale * s, columnPitch - 16, 128.0});

    labelReserve = 32;
    labelHeight = std::max(0.0, std::min(rowPitch - 32 - iconSize - 8, 25.0));
    labelFontSize = 13;
    labelSpacing = 12;
    labelWidth = std::min(columnPitch - 16, iconSize);
    searchBarWidth = 255;
    searchBarHeight = 36;
    searchTopPadding = 56;
    dotsBottomPadding = screenSize.height() * 0.0988;
}

} // namespace corvanta
