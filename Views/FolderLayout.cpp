#include "Views/FolderLayout.h"

#include <algorithm>

namespace corvanta {

FolderLayout::FolderLayout(qint64 count, const GridMetrics& m, QSizeF container, QSizeF titleSize, bool editingTitle, bool reorderDragging)
    : metrics(m), appCount(std::max<qint64>(0, count))
{
    const qint64 cells = m.rows * m.columns;
    capacity = cells < 2 ? 1 : cells;
    const qint64 pages = (appCount + capacity - 1) / capacity;
    pageCount = pages < 2 ? 1 : pages;
    const bool compact = pages < 2 && !reorderDragging;

    // One spare slot while several pages exist or a drag is under way, so a dragged icon has room.
    const qint64 shown = std::min(capacity, appCount);
    const qint64 slots = compact ? std::max<qint64>(shown, 1) : std::min(shown + 1, capacity);
    const qint64 columns = std::max<qint64>(1, m.columns);
    visibleRows = (slots + columns - 1) / columns;
    horizontalInset = std::clamp(m.marginX * 0.5, 0.0, kMaxInset);

    const QRectF usable(0, kTopReserve, container.width(), std::max(container.height() - kTopReserve - kBottomReserve, 1.0));
    const double titleWidth = editingTitle ? std::min(usable.width(), kMaxTitleWidth)
                                           : std::min({usable.width(), titleSize.width() + 16, kMaxTitleWidth});
    const double panelWidth = m.columnPitch * double(m.columns) + 2 * horizontalInset;
    const double panelHeight = m.rowPitch * double(visibleRows) + 2 * kRowPadding;
    // Centred in the usable area, but never so high that the title would not fit above it.
    panelRect = QRectF(usable.center().x() - panelWidth / 2,
        usable.top() + std::max((usable.height() - panelHeight) / 2, titleSize.height() + 32), panelWidth, panelHeight);
    titleRect = QRectF(usable.center().x() - titleWidth / 2, panelRect.top() - kTitleGap - titleSize.height(), titleWidth,
        titleSize.height());
}

QPointF FolderLayout::slotOrigin(qint64 index) const
{
    const qint64 cell = index % capacity;
    const qint64 columns = std::max<qint64>(1, metrics.columns);
    return {horizontalInset + metrics.columnPitch * double(cell % columns), kRowPadding + metrics.rowPitch * double(cell / columns)};
}

QRectF FolderLayout::iconRect(qint64 index) const
{
    // The icon as the application cell draws it in its slot: centred across, and with its label
    // spacing and label centred down as one block.
    const QPointF slot = slotOrigin(index);
    const GridMetrics& m = metrics;
    const double x = panelRect.left() + slot.x() + (m.columnPitch - m.iconSize) / 2;
    const double y = panelRect.top() + slot.y() + (m.rowPitch - (m.labelHeight + m.iconSize + m.labelSpacing)) / 2;
    return {x, y, m.iconSize, m.iconSize};
}

QHash<QUuid, QRectF> FolderLayout::visibleIconFrames(const QList<QUuid>& ids, double translation) const
{
    QHash<QUuid, QRectF> frames;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const double shift = translation + panelRect.width() * double(i / capacity);
        const QRectF visible = iconRect(i).translated(shift, 0).intersected(panelRect);
        if (visible.isEmpty())
            continue;
        frames.insert(ids.at(i), visible);
    }
    return frames;
}

} // namespace corvanta
