#pragma once

#include "Models/SceneStore.h"
#include "Support/FrameTicker.h"
#include "Support/InterpolatingSpring.h"
#include "Views/GridCellServices.h"
#include "Views/GridMetrics.h"

#include <QGraphicsObject>
#include <QHash>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

namespace corvanta {

class AppIconView;
class GroupIconView;
class InteractionManager;
class ReorderPlaceholderView;

// One page of the main grid: each entry of the page in its slot (index n: column n mod columns,
// row n div columns, top-left at (columnPitch × column, rowPitch × row)). Cells are kept by entry
// id across updates, so a cell keeps its icon and animation state when the page is rebuilt; when
// the order changes, cells glide to their new slots with the reorder spring (all but the dragged
// entry, which jumps). The dragged entry shows as an empty placeholder that keeps reporting its
// slot; its cell is kept hidden meanwhile and comes back in its new slot after the drop.
//
// The page's size is columnPitch × columns by rowPitch × rows, whatever it holds; entries beyond
// rows × columns go into further rows below, neither clipped nor dropped.
class TilehallGridView : public QGraphicsObject {
    Q_OBJECT
public:
    // What the engine and the root view say about the page's cells.
    struct State {
        bool isJiggleMode = false;
        std::optional<QUuid> launchingAppID;
        std::optional<QUuid> reorderDraggedEntryID;
        std::optional<QUuid> mergeCandidateID;
        // Cells report their icon squares (true while no folder is open).
        bool trackFrames = true;
        std::optional<QUuid> openedGroupID;

        // The engine's published values, with the root view's frame switch and open folder.
        static State from(const InteractionManager& engine, bool trackFrames, std::optional<QUuid> openedGroupID);
        bool operator==(const State&) const = default;
    };

    // Mass 1, stiffness 320, damping 30: the one spring of every slot change.
    static InterpolatingSpring::Parameters reorderSpring() { return {1, 320, 30, 0}; }

    TilehallGridView(const GridCellServices& services, const TilehallPage& page, const GridMetrics& metrics, QGraphicsItem* parent = nullptr);
    ~TilehallGridView() override;

    // The cells' actions: a tap on an application (launch), on a folder (open), on a delete badge,
    // and an edit of a folder's name in its cell. Unset actions do nothing.
    std::function<void(const AppItem&)> onLaunch;
    std::function<void(const QUuid& groupID)> onGroupOpen;
    std::function<void(const AppItem&)> onDelete;
    std::function<void(const QUuid& groupID, const QString& name)> onRenameGroup;

    const TilehallPage& page() const { return m_page; }
    // Reconciles the cells with `page` by entry id. With `animated`, cells that change slot glide
    // there on the spring (a change made from the grid); otherwise they jump (a rescan, a scene
    // switch).
    void setPage(const TilehallPage& page, bool animated);
    const GridMetrics& metrics() const { return m_metrics; }
    // New geometry: every cell jumps to its slot.
    void setMetrics(const GridMetrics& metrics);
    const State& state() const { return m_state; }
    void setState(const State& state);
    // Reports every cell's frame again: call after moving the page or one of its ancestors (the
    // frames are the slots' places, read from item positions, unaffected by scale or opacity).
    void reportFrames();

    // A page made hidden (a page far from the one on screen) holds its entries but makes its
    // cells only when it is first shown, or when asked here: thousands of cells nobody sees would
    // cost a second of the main thread and their share of memory.
    bool hasCells() const { return m_cellsMade; }
    void makeCells();

    // The slot of index n, relative to the page's top-left corner.
    static QPointF slotOrigin(qsizetype index, const GridMetrics& metrics);

    // ---- the cells, by entry id ----
    AppIconView* appCell(const QUuid& id) const;
    GroupIconView* groupCell(const QUuid& id) const;
    ReorderPlaceholderView* placeholder() const { return m_placeholder; }
    // Whether some cell is still gliding to its slot.
    bool isSettling() const { return m_ticker.isRunning(); }

    QRectF boundingRect() const override;
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    struct Cell;
    void reconcile(bool animated);
    void applyInputs(Cell& cell);
    void reportFrame(Cell& cell);
    void tick(double now);

    GridCellServices m_services;
    TilehallPage m_page;
    GridMetrics m_metrics;
    State m_state;
    QHash<QUuid, std::shared_ptr<Cell>> m_cells;
    ReorderPlaceholderView* m_placeholder = nullptr;
    FrameTicker m_ticker;
    bool m_cellsMade = false;
};

// The name the paged-grid hosts use for a page of the main grid.
using GridPageView = TilehallGridView;

} // namespace corvanta
