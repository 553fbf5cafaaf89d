#pragma once

#include "Views/CellDrawing.h"
#include "Views/GridMetrics.h"
#include "X11/ProgramDriver.h"

#include <QPointF>
#include <QRectF>
#include <QRegularExpression>
#include <QString>

#include <optional>

// Where the program draws the icon in slot `index` of the grid's first page on the 1440×900 test
// screen, from the layout probe it logs once.
inline std::optional<QRectF> iconRect(const QString& log, int index = 0)
{
    static const QRegularExpression probe(QStringLiteral("container=([0-9.]+)x([0-9.]+) rows=([0-9]+) cols=([0-9]+) iconScale=([0-9.]+)"));
    const QRegularExpressionMatch m = probe.match(log);
    if (!m.hasMatch())
        return std::nullopt;
    const QSizeF container(m.captured(1).toDouble(), m.captured(2).toDouble());
    const corvanta::GridMetrics metrics(container, m.captured(3).toLongLong(), m.captured(4).toLongLong(), m.captured(5).toDouble());
    const QRectF icon = corvanta::CellGeometry(metrics).iconRect;
    // The grid is centred in its page, below the search bar; the overlay hangs over the screen edges.
    const QPointF window((1440 - container.width()) / 2, (900 - container.height()) / 2);
    const QPointF grid((container.width() - metrics.columnPitch * double(metrics.columns)) / 2,
                       metrics.searchTopPadding + metrics.searchBarHeight);
    const QPointF cell(metrics.columnPitch * double(index % metrics.columns), metrics.rowPitch * double(index / metrics.columns));
    return icon.translated(window + grid + cell);
}

// Asks to uninstall the application in the grid's first cell, as a person does: a long press puts
// the grid in jiggle mode (unless it is already), then a click on the cell's badge. The icons close
// up after an uninstall, so a click while the next one is still sliding into the slot misses its
// badge; it is made again until the program answers the request (or refuses it).
inline void askToUninstallTheFirstCell(Program& program, Keyboard& keyboard)
{
    const std::optional<QRectF> icon = iconRect(program.log(), 0);
    ASSERT_TRUE(icon.has_value()) << program.log().toStdString();
    if (program.logCount(QStringLiteral("— entering jiggle mode")) <= program.logCount(QStringLiteral("exit jiggle mode"))) {
        keyboard.moveTo(icon->center());
        keyboard.button(true);
        ASSERT_TRUE(program.waitForLog(QStringLiteral("— entering jiggle mode"))) << program.log().toStdString();
        keyboard.button(false);
    }
    const auto answers = [&] {
        return program.logCount(QStringLiteral("Delete requested: ")) + program.logCount(QStringLiteral("Delete rejected"));
    };
    const int before = answers();
    const QPointF badge = corvanta::CellGeometry::badgeRect(*icon).center();
    ASSERT_TRUE(keyboard.waitFor([&] {
        keyboard.click(badge.x(), badge.y());
        return keyboard.waitFor([&] { return answers() > before; }, 1000);
    })) << program.log().toStdString();
}
