#pragma once

#include "Models/AppGroup.h"
#include "Models/AppItem.h"
#include "Models/PageEntry.h"
#include "Platform/AppLauncher.h"
#include "Services/DockManager.h"
#include "Support/Clock.h"
#include "Support/InputEvent.h"
#include "Support/TimingCurve.h"
#include "Views/FrameRegistry.h"
#include "Views/GridCellServices.h"
#include "Views/GridMetrics.h"
#include "Views/ValueAnimator.h"

#include <QGraphicsObject>
#include <QHash>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

namespace corvanta {

class ColorBackdrop;
class FolderOverlayHost;
class GridHosts;
class IconCache;
class InteractionManager;
class LayerSlot;
class LayoutManager;
class ShortcutManager;
class TransitionFPSMeter;
class WallpaperBackground;
class WallpaperStore;

// The root of the overlay's scene, created once and kept for the life of the process: from back
// to front the background, the main content (search bar, grid area, page dots) and the overlays
// above it (reorder ghost, Dock hint, opened folder, uninstall sheet). Everything it shows follows
// the layout store and the interaction engine; it mirrors its own state (search, opened folder)
// into the engine and runs its own zoom-and-fade when the shell does not animate the window.
//
// Its coordinates are the overlay window's, origin top left; the shell sizes it to the window.
class TilehallContentView : public QGraphicsObject {
    Q_OBJECT
public:
    struct Options {
        // The shell animates the window's layers ("QUORLA_LAYER_TRANSITION" is not "0"); the view
        // then only follows.
        bool layerTransition = true;
        // The paged grid sits in the layer-hosted pager ("QUORLA_PAGER_LAYER" is not "0").
        bool pagerLayer = true;
        // Width of the main screen; none when there is no screen.
        std::function<std::optional<double>()> mainScreenWidth;
        // Where the layer-hosted pager reports its commits; none: not measured.
        TransitionFPSMeter* fpsMeter = nullptr;
        // Where the cells decode icons missing from memory, and where they get them back.
        TaskRunner iconLoads = iconLoadRunner();
        TaskRunner mainThread = mainThreadRunner();
        static Options fromEnvironment();
    };

    // Overlays above the main content, by stacking order.
    enum class Overlay { reorderGhost, dockDropHint, openedFolder, uninstallSheet };

    static constexpr double kPagePreparationDelay = 0.08;
    static constexpr double kHiddenScale = 1.1;
    static constexpr double kFolderMotionDuration = 0.28;
    static constexpr double kPageDotsHeight = 8;
    static TimingCurve showCurve() { return TimingCurve::easeOut(); }
    static TimingCurve hideCurve() { return TimingCurve::easeIn(); }
    static TimingCurve folderMotionCurve() { return TimingCurve::easeOut(); }

    TilehallContentView(LayoutManager& layoutManager, InteractionManager& interactionManager, ShortcutManager& shortcutManager,
        WallpaperStore& wallpaperStore, IconCache& iconCache, Scheduler& scheduler, QGraphicsItem* parent = nullptr);
    TilehallContentView(LayoutManager& layoutManager, InteractionManager& interactionManager, ShortcutManager& shortcutManager,
        WallpaperStore& wallpaperStore, IconCache& iconCache, Scheduler& scheduler, Options options, QGraphicsItem* parent = nullptr);
    ~TilehallContentView() override;

    // ---- geometry: one layout pass per size or settings change ----
    QSizeF size() const { return m_size; }
    void setSize(const QSizeF& size);
    void setGeometry(const QRectF& rect);
    // Sizes the view to its scene's rectangle now and whenever it changes: for a view that is the
    // child of a window's content layer, which the window keeps at its own size.
    void setFollowsSceneRect(bool follows);
    // The grid geometry of the current pass, handed unchanged to every grid view.
    const GridMetrics& metrics() const { return m_metrics; }

    // ---- the layers the grid's views go into ----
    QGraphicsObject* backgroundLayer() const;
    QGraphicsObject* mainContent() const;
    LayerSlot* searchBarArea() const { return m_searchBarArea; }
    LayerSlot* gridArea() const { return m_gridArea; }
    LayerSlot* pageDotsArea() const { return m_pageDotsArea; }
    LayerSlot* overlay(Overlay which) const;
    WallpaperBackground* wallpaperBackground() const { return m_wallpaper; }
    ColorBackdrop* colorBackdrop() const { return m_color; }

    // ---- services the grid's views share ----
    LayoutManager& layoutManager() const { return m_layout; }
    InteractionManager& interactionManager() const { return m_engine; }
    ShortcutManager& shortcutManager() const { return m_shortcuts; }
    IconCache& iconCache() const { return m_icons; }
    Scheduler& scheduler() const { return m_scheduler; }
    const Options& options() const { return m_options; }
    TransitionFPSMeter* fpsMeter() const { return m_options.fpsMeter; }
    // What the grid's cells share; frames go to the root view's registry unless the caller says.
    GridCellServices cellServices();
    // The search field, the paged grid, the search results, the page dots and the Dock hint.
    GridHosts* hosts() const { return m_hosts; }
    // The opened folder's panel, while a folder is open.
    FolderOverlayHost* folderHost() const { return m_folderHost; }

    // ---- frames for the engine's hit-testing ----
    // Views outside the pager report here; the combined values go to the engine's outer tables.
    FrameRegistry& frameRegistry() { return m_frames; }
    // The layer-hosted pager's captures of its page strip.
    void onIconFrames(const std::optional<QHash<QUuid, QRectF>>& frames, double translation);
    void onChromeFrames(const std::optional<QList<QRectF>>& frames, double translation);

    // ---- view state ----
    QString searchText() const { return m_searchText; }
    void setSearchText(const QString& text);
    QList<AppItem> searchResults() const { return m_searchResults; }
    bool isSearching() const { return m_isSearching; }
    void setIsSearching(bool searching);
    std::optional<QUuid> openedGroupID() const { return m_openedGroupID; }
    void setOpenedGroupID(std::optional<QUuid> id);
    bool isEditingFolderName() const { return m_isEditingFolderName; }
    void setIsEditingFolderName(bool editing);
    QRectF folderSourceFrame() const { return m_folderSourceFrame; }
    bool folderClosing() const { return m_folderClosing; }
    void setFolderClosing(bool closing);
    bool folderAnimating() const { return m_folderAnimating; }
    void setFolderAnimating(bool animating);
    std::optional<AppItem> uninstallScanningApp() const { return m_uninstallScanningApp; }
    void setUninstallScanningApp(std::optional<AppItem> app);
    // Whether an uninstall plan is on the sheet (the sheet's own state lives with the sheet).
    bool hasUninstallPlan() const { return m_hasUninstallPlan; }
    void setHasUninstallPlan(bool present);

    double contentScale() const { return m_contentScale.value(); }
    double rootOpacity() const { return m_rootOpacity.value(); }
    bool pagesPrepared() const { return m_pagesPrepared; }
    // All pages are built from now on (first scroll, page change, warm-up, or after the first show).
    void markPagesPrepared();
    // Whether the page strip builds the cells of page `index` now; the others stay empty, page-sized.
    bool buildsPage(int index) const;

    // ---- derived ----
    bool showsUninstallSheet() const { return m_uninstallScanningApp.has_value() || m_hasUninstallPlan; }
    std::optional<QUuid> missingOpenedGroupID() const;
    bool mainContentVisible() const { return !m_openedGroupID || m_folderClosing; }
    bool pageDotsVisible() const { return mainContentVisible() && !(m_isSearching && !m_searchText.isEmpty()); }
    bool searchBarTakesClicks() const { return !m_openedGroupID; }
    bool pageDotsTakeClicks() const { return !m_openedGroupID && !(m_isSearching && !m_searchText.isEmpty()); }
    // Whether the search results replace the paged grid.
    bool showsSearchResults() const { return m_isSearching && !m_searchText.isEmpty(); }
    // The top-level entry (application or folder) with that id, in page order.
    std::optional<PageEntry> reorderGhostEntry(const QUuid& id) const;
    // The opacity and content scale on screen now.
    double presentedOpacity() const;
    double presentedContentScale() const;

    // ---- actions of the cells and the search bar ----
    // At most one launch at a time; once the application has started the overlay closes with
    // "launchedApp". A launch that fails leaves the overlay open.
    void launchApp(const AppItem& app, const QString& log);
    void closeTilehall(bool launchedApp);
    // Return in the search field: launches the first result, if any.
    void submitSearch();
    // An application cell's delete badge; handed to the delete flow.
    void requestDelete(const AppItem& app);
    // An uninstalled application leaves the layout on the reorder spring: the cells after it
    // glide into the freed slots.
    void removeUninstalledApp(const QUuid& appID);
    // Opens the application and reports the outcome, from any thread; by default through the desktop.
    std::function<void(const AppItem&, AppLauncher::Completion)> launchHandler;
    // A launch that failed: the grid stays open and the shell tells the user why.
    std::function<void(const AppItem&, const LaunchError&)> onLaunchFailed;
    // The delete flow; unset: the request is only logged.
    std::function<void(const AppItem&)> onDeleteRequest;
    // True while an edit made from the grid is being applied: the pages then move their cells to
    // the new slots on the reorder spring; other changes (rescans, scene switches) jump.
    bool isApplyingGridChange() const { return m_applyingGridChange; }

    // ---- actions the engine calls back ----
    void syncInteractionManager();
    bool handleEscape();
    bool handleBlankClick();
    bool handleTitleTap();
    void performSearch();
    void openFolder(const QUuid& groupID, std::optional<QRectF> preferredSourceFrame);
    void closeFolderAnimated();
    void resetFolderState();
    std::optional<AppGroup> findGroup(const QUuid& id) const;
    void mergeEntries(const QUuid& draggedID, const QUuid& targetID);
    void reorderMove(const QUuid& entryID, int toPage, int index);
    void dragOutFromFolder(const QUuid& appID, const QUuid& groupID);
    void dropToDock(const QUuid& entryID);
    // A real drag of the application's bundle to the Dock; true when one was started.
    bool beginSystemDockDrag(const QUuid& entryID, const InputEvent& event);
    // The four resets of the uninstall sheet's cancel.
    void dismissUninstallSheet();
    // Pins an application to the Dock; unset: the drop only closes the overlay.
    std::function<DockManager::Outcome(const AppItem&)> pinToDock;
    // Starts the system drag of an application at a window point (origin top left); unset or
    // false: no drag started.
    std::function<bool(const AppItem&, const QPointF& cursor)> systemDockDrag;

    QRectF boundingRect() const override { return {QPointF(0, 0), m_size}; }
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}

Q_SIGNALS:
    // A new layout pass: metrics() and the areas' geometry changed.
    void metricsChanged();
    // Search, folder or sheet state changed.
    void stateChanged();
    void searchResultsChanged();
    void pagesPreparedChanged();
    void appeared();

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    void launchFinished(const AppItem& app, const std::optional<LaunchError>& error);
    void layoutPass();
    void followSceneRect();
    void logLayoutProbeOnce();
    void updateBackground();
    void updatePresentation();
    void updateChromeVisibility(bool animated);
    void appear();
    void setGestureFlags(bool enabled);
    std::optional<AppItem> findApp(const QUuid& id) const;
    // The application a Dock request names: in the layout (folders included), else scanned.
    std::optional<AppItem> dockCandidate(const QUuid& entryID) const;
    template<typename Edit> void withReorderSpring(Edit&& edit)
    {
        const bool outer = m_applyingGridChange;
        m_applyingGridChange = true;
        edit();
        m_applyingGridChange = outer;
    }

    // change handlers
    void presentedChanged();
    void pageCountChanged();
    void sceneChanged();
    void reorderDragChanged();

    LayoutManager& m_layout;
    InteractionManager& m_engine;
    ShortcutManager& m_shortcuts;
    WallpaperStore& m_wallpaperStore;
    IconCache& m_icons;
    Scheduler& m_scheduler;
    Options m_options;

    QSizeF m_size;
    GridMetrics m_metrics;
    FrameRegistry m_frames;

    LayerSlot* m_background;
    WallpaperBackground* m_wallpaper = nullptr;
    ColorBackdrop* m_color = nullptr;
    LayerSlot* m_mainContent;
    LayerSlot* m_searchBarArea;
    LayerSlot* m_gridArea;
    LayerSlot* m_pageDotsArea;
    LayerSlot* m_overlays[4];

    QString m_searchText;
    QList<AppItem> m_searchResults;
    bool m_isSearching = false;
    std::optional<QUuid> m_openedGroupID;
    bool m_isEditingFolderName = false;
    QRectF m_folderSourceFrame;
    bool m_folderClosing = false;
    bool m_folderAnimating = false;
    std::optional<AppItem> m_uninstallScanningApp;
    bool m_hasUninstallPlan = false;
    bool m_pagesPrepared = false;
    bool m_appeared = false;
    bool m_followsSceneRect = false;
    QMetaObject::Connection m_sceneRectConnection;

    ValueAnimator m_contentScale;
    ValueAnimator m_rootOpacity;
    ValueAnimator m_mainContentOpacity;
    ValueAnimator m_searchBarOpacity;
    ValueAnimator m_pageDotsOpacity;

    qsizetype m_lastPageCount = 0;
    std::optional<QUuid> m_lastDraggedEntryID;
    ScheduledTask m_pagePreparation;
    bool m_applyingGridChange = false;
    GridHosts* m_hosts = nullptr;
    FolderOverlayHost* m_folderHost = nullptr;
};

} // namespace corvanta
