#pragma once

#include "Views/DockDropHintView.h"
#include "Views/FrameRegistry.h"
#include "Views/GridCellServices.h"
#include "Views/PageIndicator.h"
#include "Views/PagerLayerBox.h"
#include "Views/SearchResultsView.h"
#include "Views/TilehallGridView.h"
#include "Views/TilehallSearchField.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUuid>

#include <optional>

namespace corvanta {

class ReorderGhostHost;
class TilehallContentView;

// The root view's main content, placed into its areas: the search field in the search bar area,
// the paged grid (or, while a search runs, its results) in the grid area, the page dots in the
// dots area and the Dock-drop hint above everything. Each follows the root view's state, the
// layout store and the engine; only the pager box and the dots follow the pager itself.
class GridHosts : public QObject {
    Q_OBJECT
public:
    explicit GridHosts(TilehallContentView& root);
    ~GridHosts() override;

    TilehallSearchField* searchField() const { return m_searchField; }
    PagerLayerBox* pager() const { return m_pager; }
    SearchResultsView* searchResults() const { return m_results; }
    PageIndicator* pageDots() const { return m_dots; }
    DockDropHintView* dockDropHint() const { return m_dockHint; }
    ReorderGhostHost* reorderGhost() const { return m_ghost; }
    // The page view of page `index` when its cells are built; none for an empty page slot.
    TilehallGridView* pageView(int index) const;

private:
    void layout();
    void rebuildStrip(bool animated);
    void updatePageStates();
    void updateSearch();
    void updateDockHint();
    void wirePage(TilehallGridView* view);
    void makeCellsAheadSoon();

    TilehallContentView& m_root;
    QPointer<TilehallSearchField> m_searchField;
    QPointer<PagerLayerBox> m_pager;
    QPointer<SearchResultsView> m_results;
    QPointer<PageIndicator> m_dots;
    QPointer<DockDropHintView> m_dockHint;
    ReorderGhostHost* m_ghost = nullptr;
    FrameReport m_searchReport;
    // One slot per page, by page id, in page order; a slot holds the page view once built.
    struct PageSlot {
        QPointer<QGraphicsObject> slot;
        QPointer<TilehallGridView> view;
    };
    QList<QUuid> m_pageOrder;
    QHash<QUuid, PageSlot> m_slots;
    ScheduledTask m_cellsAhead;
    static constexpr double kCellsAheadDelay = 0.4;
    // The launch under way and whether it started from the search results; only the cell the user
    // chose plays the zoom, though the hidden grid holds the same application.
    std::optional<QUuid> m_launchID;
    bool m_launchFromResults = false;
    void noteLaunchSource();
};

} // namespace corvanta
