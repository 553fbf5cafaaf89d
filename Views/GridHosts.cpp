#include "Views/GridHosts.h"

#include "Services/LayoutManager.h"
#include "Support/InteractionManager.h"
#include "Support/Logger.h"
#include "Support/TransitionFPSMeter.h"
#include "Views/ContentLayers.h"
#include "Views/DockDropHintView.h"
#include "Views/PageIndicator.h"
#include "Views/PagerLayerBox.h"
#include "Views/ReorderGhostHost.h"
#include "Views/SearchResultsView.h"
#include "Views/TilehallContentView.h"
#include "Views/TilehallSearchField.h"

namespace corvanta {

GridHosts::GridHosts(TilehallContentView& root) : QObject(&root), m_root(root)
{
    InteractionManager& engine = root.interactionManager();
    PagerOffset& pagerOffset = engine.pagerOffset();

    // ---- search bar ----
    m_searchField = new TilehallSearchField(root.scheduler(), root.searchBarArea());
    m_searchField->onChange = [this](const QString& text) {
        m_root.setSearchText(text);
        m_root.performSearch();
    };
    m_searchField->onSubmit = [this] { m_root.submitSearch(); };
    m_searchField->onTap = [this] { m_root.interactionManager().shouldCancelClose = true; };
    m_searchReport = FrameReport(root.frameRegistry(), FrameKind::chrome);

    // ---- paged grid ----
    const auto mode = root.options().pagerLayer ? PagerLayerBox::Mode::layerHosted : PagerLayerBox::Mode::offsetBased;
    m_pager = new PagerLayerBox(pagerOffset, root.scheduler(), mode, root.options().pagerLayer ? root.fpsMeter() : nullptr, root.gridArea());
    m_pager->setFrameSpace(&root);
    m_pager->onScrollBegin = [this] { m_root.markPagesPrepared(); };
    m_pager->onPageChange = [this] { m_root.markPagesPrepared(); };
    m_pager->onIconFrames = [this](const std::optional<QHash<QUuid, QRectF>>& frames, double shift) { m_root.onIconFrames(frames, shift); };
    m_pager->onChromeFrames = [this](const std::optional<QList<QRectF>>& frames, double shift) { m_root.onChromeFrames(frames, shift); };

    // ---- search results ----
    GridCellServices resultServices = root.cellServices();
    resultServices.frames = &root.frameRegistry();
    m_results = new SearchResultsView(resultServices, root.gridArea());
    m_results->onLaunch = [this](const AppItem& app) { m_root.launchApp(app, QStringLiteral("Search result launched: ") + app.name); };

    // ---- page dots ----
    m_dots = new PageIndicator(root.scheduler(), &root.frameRegistry(), &root, root.pageDotsArea());
    m_dots->onTap = [this](int index) {
        CLOG_INFO(QStringLiteral("Page dot tapped: ") + QString::number(index));
        InteractionManager& e = m_root.interactionManager();
        e.shouldCancelClose = true;
        e.settle(index, QStringLiteral("page dot"));
    };
    m_dots->setCurrentPage(pagerOffset.page());

    // ---- Dock hint ----
    m_dockHint = new DockDropHintView(root.overlay(TilehallContentView::Overlay::dockDropHint));
    m_dockHint->setVisible(false);

    // ---- reorder ghost ----
    m_ghost = new ReorderGhostHost(root.cellServices(), engine, root.overlay(TilehallContentView::Overlay::reorderGhost),
        [this](const QUuid& id) { return m_root.reorderGhostEntry(id); }, [this] { return m_root.metrics(); }, this);

    // The field appears with every show of the overlay.
    connect(&engine, &InteractionManager::isPresentedChanged, this, [this] {
        if (m_root.interactionManager().isPresented() && m_searchField)
            m_searchField->focusSoon();
    });
    connect(&root, &TilehallContentView::metricsChanged, this, &GridHosts::layout);
    connect(&root, &TilehallContentView::pagesPreparedChanged, this, [this] { rebuildStrip(false); });
    connect(&root, &TilehallContentView::stateChanged, this, [this] {
        updateSearch();
        updatePageStates();
    });
    connect(&root, &TilehallContentView::searchResultsChanged, this, &GridHosts::updateSearch);
    LayoutManager& store = root.layoutManager();
    connect(&store, &LayoutManager::layoutChanged, this, [this] { rebuildStrip(m_root.isApplyingGridChange()); });
    connect(&pagerOffset, &PagerOffset::pageChanged, this, [this] {
        if (m_dots)
            m_dots->setCurrentPage(m_root.interactionManager().pagerOffset().page());
        if (!m_root.pagesPrepared())
            rebuildStrip(false);
        else
            makeCellsAheadSoon();
    });
    for (auto signal : {&InteractionManager::isJiggleModeChanged, &InteractionManager::launchingAppIDChanged,
             &InteractionManager::reorderDraggedEntryIDChanged, &InteractionManager::mergeCandidateIDChanged})
        connect(&engine, signal, this, &GridHosts::updatePageStates);
    connect(&engine, &InteractionManager::launchingAppIDChanged, this, [this] {
        noteLaunchSource();
        if (m_results)
            m_results->setLaunchingAppID(m_launchFromResults ? m_launchID : std::nullopt);
    });
    for (auto signal : {&InteractionManager::isOverDockDropZoneChanged, &InteractionManager::dockDropAlreadyPresentChanged,
             &InteractionManager::reorderCursorChanged, &InteractionManager::isPresentedChanged})
        connect(&engine, signal, this, &GridHosts::updateDockHint);

    layout();
    updateSearch();
}

GridHosts::~GridHosts() = default;

void GridHosts::layout()
{
    const QSizeF barSize = m_root.searchBarArea()->size();
    m_searchField->setSize(barSize);
    m_searchReport.report(layoutFrame(m_searchField, QRectF(QPointF(0, 0), barSize), &m_root));

    const QSizeF gridSize = m_root.gridArea()->size();
    m_pager->setHeight(gridSize.height());
    m_pager->setPageWidth(gridSize.width());
    m_results->setSize(gridSize);
    m_results->setMetrics(m_root.metrics());

    m_dots->setWidth(m_root.pageDotsArea()->size().width());
    m_dots->reportFrames();
    rebuildStrip(false);
}

TilehallGridView* GridHosts::pageView(int index) const
{
    if (index < 0 || index >= m_pageOrder.size())
        return nullptr;
    return m_slots.value(m_pageOrder.at(index)).view;
}

void GridHosts::wirePage(TilehallGridView* view)
{
    view->onLaunch = [this](const AppItem& app) {
        InteractionManager& engine = m_root.interactionManager();
        if (engine.isJiggleMode())
            engine.exitJiggleMode();
        m_root.launchApp(app, QStringLiteral("App launched: ") + app.name);
    };
    view->onGroupOpen = [this](const QUuid& id) {
        InteractionManager& engine = m_root.interactionManager();
        if (engine.isJiggleMode())
            engine.exitJiggleMode();
        Logger::shared().info(QStringLiteral("Group opened: ") + id.toString(QUuid::WithoutBraces).toUpper(), __FILE__,
            "pagesContent(metrics:pageWidth:height:)", __LINE__);
        engine.shouldCancelClose = true;
        m_root.openFolder(id, std::nullopt);
    };
    view->onDelete = [this](const AppItem& app) {
        m_root.interactionManager().shouldCancelClose = true;
        m_root.requestDelete(app);
    };
    view->onRenameGroup = [this](const QUuid& id, const QString& name) { m_root.layoutManager().renameGroup(id, name); };
}

void GridHosts::rebuildStrip(bool animated)
{
    const QList<TilehallPage>& pages = m_root.layoutManager().layout().pages;
    const double pageWidth = m_root.gridArea()->size().width();
    const double height = m_root.gridArea()->size().height();
    const GridMetrics& metrics = m_root.metrics();
    // With no pages the strip is still one page wide.
    m_pager->setTotalWidth(pageWidth * double(std::max<qsizetype>(1, pages.size())));
    m_dots->setPageCount(int(std::max<qsizetype>(1, pages.size())));

    GridCellServices services = m_root.cellServices();
    services.frames = &m_pager->stripFrames();
    services.frameSpace = m_pager->strip();
    const auto state = TilehallGridView::State::from(m_root.interactionManager(), !m_root.openedGroupID(), m_root.openedGroupID());

    QHash<QUuid, PageSlot> kept;
    m_pageOrder.clear();
    for (qsizetype k = 0; k < pages.size(); ++k) {
        const TilehallPage& page = pages.at(k);
        PageSlot slot = m_slots.take(page.id);
        if (!slot.slot) {
            slot.slot = new LayerSlot(m_pager->strip());
            // Hidden until the pager finds it near the page on screen: its cells are made and load
            // their icons only then.
            slot.slot->setVisible(false);
        }
        static_cast<LayerSlot*>(slot.slot.data())->setSize({pageWidth, height});
        slot.slot->setPos(pageWidth * double(k), 0);
        if (m_root.buildsPage(int(k))) {
            if (!slot.view) {
                slot.view = new TilehallGridView(services, page, metrics, slot.slot);
                wirePage(slot.view);
            } else {
                slot.view->setMetrics(metrics);
                slot.view->setPage(page, animated);
            }
            slot.view->setState(state);
            const QRectF bounds = slot.view->boundingRect();
            slot.view->setPos((pageWidth - bounds.width()) / 2, (height - bounds.height()) / 2);
            slot.view->reportFrames();
        } else if (slot.view) {
            delete slot.view;
        }
        m_pageOrder.append(page.id);
        kept.insert(page.id, slot);
    }
    for (const PageSlot& gone : std::as_const(m_slots))
        delete gone.slot;
    m_slots = kept;
    m_pager->updateNearPages();
    if (m_root.pagesPrepared())
        makeCellsAheadSoon();
}

void GridHosts::makeCellsAheadSoon()
{
    // Pages two away get their cells once a flip has settled, so the next flip finds them made
    // and only shows them.
    Scheduler& scheduler = m_root.scheduler();
    m_cellsAhead = ScheduledTask(&scheduler, scheduler.schedule(kCellsAheadDelay, [this] {
        const int current = m_root.interactionManager().pagerOffset().page();
        for (int k = current - 2; k <= current + 2; ++k) {
            if (TilehallGridView* view = pageView(k))
                view->makeCells();
        }
    }));
}

void GridHosts::noteLaunchSource()
{
    const std::optional<QUuid> launching = m_root.interactionManager().launchingAppID();
    if (launching == m_launchID)
        return;
    m_launchID = launching;
    // Decided once per launch: the results may be cleared while the zoom still plays.
    m_launchFromResults = launching && m_root.showsSearchResults();
}

void GridHosts::updatePageStates()
{
    noteLaunchSource();
    auto state = TilehallGridView::State::from(m_root.interactionManager(), !m_root.openedGroupID(), m_root.openedGroupID());
    if (m_launchFromResults)
        state.launchingAppID.reset();
    for (const PageSlot& slot : std::as_const(m_slots)) {
        if (slot.view)
            slot.view->setState(state);
    }
}

void GridHosts::updateSearch()
{
    m_searchField->setText(m_root.searchText());
    m_searchField->setIsSearching(m_root.isSearching());
    m_searchField->setTakesClicks(m_root.searchBarTakesClicks());
    const bool results = m_root.showsSearchResults();
    m_results->setVisible(results);
    m_pager->setVisible(!results);
    if (results)
        m_results->setResults(m_root.searchResults(), m_root.searchText());
    else
        m_results->setResults({}, QString());
}

void GridHosts::updateDockHint()
{
    const InteractionManager& engine = m_root.interactionManager();
    // A hidden overlay shows no hint, whatever a drag cut short by the hide left behind.
    m_dockHint->setVisible(engine.isOverDockDropZone() && engine.isPresented());
    m_dockHint->setAlreadyInDock(engine.dockDropAlreadyPresent());
    m_dockHint->followCursor(engine.reorderCursor(), m_root.boundingRect());
}

} // namespace corvanta
