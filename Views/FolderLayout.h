#pragma once

#include "Views/GridMetrics.h"

#include <QHash>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QUuid>

namespace corvanta {

// The geometry of the opened-folder panel, in the overlay's space (origin top left): how many
// members fit on one folder page, how many pages and visible rows there are, where the panel and
// its title lie and where each member's icon is. Built from the grid's own metrics on every pass,
// so the folder's cells have exactly the size and spacing of the main grid's.
struct FolderLayout {
    static constexpr double kTopReserve = 16;     // as the main grid
    static constexpr double kBottomReserve = 69;  // as the main grid
    static constexpr double kRowPadding = 24;     // above the first row and below the last
    static constexpr double kTitleGap = 16;       // between the title's bottom and the panel
    static constexpr double kMaxTitleWidth = 460;
    static constexpr double kMaxInset = 24;
    static constexpr double kTitleFontSize = 28;

    GridMetrics metrics;
    qint64 appCount = 0;
    qint64 capacity = 1;
    qint64 pageCount = 1;
    qint64 visibleRows = 1;
    double horizontalInset = 0;
    QRectF panelRect;
    QRectF titleRect;

    // `titleSize`: the folder name drawn in the title font; `reorderDragging`: the main engine is
    // dragging an entry (the panel then keeps a spare slot for it).
    FolderLayout(qint64 appCount, const GridMetrics& metrics, QSizeF container, QSizeF titleSize, bool editingTitle, bool reorderDragging);

    // The icon of the member at `index` (any page), placed as if its page were the one shown.
    QRectF iconRect(qint64 index) const;
    // What the user sees of each member's icon, clipped to the panel, with the shown page moved
    // right by `translation`; members out of sight have no entry. A repeated id keeps the last.
    QHash<QUuid, QRectF> visibleIconFrames(const QList<QUuid>& ids, double translation) const;
    // A member's slot (columnPitch × rowPitch) inside its page, relative to the panel's top left.
    QPointF slotOrigin(qint64 index) const;
};

} // namespace corvanta
