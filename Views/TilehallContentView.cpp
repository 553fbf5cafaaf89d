// The root view: layers, layout pass, background, zoom-and-fade and the change handlers.
#include "Views/TilehallContentView.h"

#include "Models/ColorCodec.h"
#include "Services/IconCache.h"
#include "Services/LayoutManager.h"
#include "Support/InteractionManager.h"
#include "Support/LogFormat.h"
#include "Support/Logger.h"
#include "Support/TransitionFPSMeter.h"
#include "Views/ContentLayers.h"
#include "Views/FolderOverlayHost.h"
#include "Views/GridHosts.h"
#include "Views/LayerTransition.h"
#include "Views/WallpaperBackground.h"

#include <QGraphicsScene>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace corvanta {
namespace {

// The probe line is written once per process, whatever the number of root views.
std::atomic_bool g_layoutProbeLogged{false};

int clampedPageCount(qsizetype pages)
{
    return int(std::max<qsizetype>(1, pages));
}

} // namespace

TilehallContentView::Options TilehallContentView::Options::fromEnvironment()
{
    Options options;
    options.layerTransition = LayerTransition::shared().isEnabled();
    options.pagerLayer = PagerOffset::usesNativeHost();
    options.fpsMeter = &TransitionFPSMeter::shared();
    options.mainScreenWidth = []() -> std::optional<double> {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return screen->geometry().width();
        return std::nullopt;
    };
    return options;
}

TilehallContentView::TilehallContentView(LayoutManager& layoutManager, InteractionManager& interactionManager,
    ShortcutManager& shortcutManager, WallpaperStore& wallpaperStore, IconCache& iconCache, Scheduler& scheduler, QGraphicsItem* parent)
    : TilehallContentView(
          layoutManager, interactionManager, shortcutManager, wallpaperStore, iconCache, scheduler, Options::fromEnvironment(), parent)
{
}

TilehallContentView::TilehallContentView(LayoutManager& layoutManager, InteractionManager& interactionManager,
    ShortcutManager& shortcutManager, WallpaperStore& wallpaperStore, IconCache& iconCache, Scheduler& scheduler, Options options,
    QGraphicsItem* parent)
    : QGraphicsObject(parent),
      m_layout(layoutManager),
      m_engine(interactionManager),
      m_shortcuts(shortcutManager),
      m_wallpaperStore(wallpaperStore),
      m_icons(iconCache),
      m_scheduler(scheduler),
      m_options(std::move(options)),
      m_frames(scheduler),
      m_background(new LayerSlot(this)),
      m_mainContent(new LayerSlot(this)),
      m_searchBarArea(new LayerSlot(m_mainContent)),
      m_gridArea(new LayerSlot(m_mainContent)),
      m_pageDotsArea(new LayerSlot(m_mainContent)),
      m_contentScale(scheduler, 1.0, [this](double) { updatePresentation(); }),
      m_rootOpacity(scheduler, 0.0, [this](double) { updatePresentation(); }),
      m_mainContentOpacity(scheduler, 1.0, [this](double value) { m_mainContent->setOpacity(value); }),
      m_searchBarOpacity(scheduler, 1.0, [this](double value) { m_searchBarArea->setOpacity(value); }),
      m_pageDotsOpacity(scheduler, 1.0, [this](double value) { m_pageDotsArea->setOpacity(value); })
{
    setFlag(ItemHasNoContents);
    m_background->setZValue(0);
    m_mainContent->setZValue(1);
    const double overlayDepths[] = {20, 22, 30, 40};
    for (int i = 0; i < 4; ++i) {
        m_overlays[i] = new LayerSlot(this);
        m_overlays[i]->setZValue(overlayDepths[i]);
    }
    // The ghost and the Dock hint follow the cursor; clicks go through them.
    overlay(Overlay::reorderGhost)->setAcceptedMouseButtons(Qt::NoButton);
    overlay(Overlay::dockDropHint)->setAcceptedMouseButtons(Qt::NoButton);

    m_lastPageCount = m_layout.layout().pages.size();
    m_lastDraggedEntryID = m_engine.reorderDraggedEntryID();

    connect(&m_engine, &InteractionManager::isPresentedChanged, this, &TilehallContentView::presentedChanged);
    connect(&m_engine, &InteractionManager::prepareAllPagesRequestedChanged, this, [this] {
        if (m_engine.prepareAllPagesRequested())
            markPagesPrepared();
    });
    connect(&m_engine, &InteractionManager::interactiveProgressChanged, this, [this] {
        if (!m_engine.interactiveProgress())
            m_contentScale.set(1);
        updatePresentation();
    });
    connect(&m_engine, &InteractionManager::reorderDraggedEntryIDChanged, this, &TilehallContentView::reorderDragChanged);
    connect(&m_layout, &LayoutManager::layoutChanged, this, [this] {
        pageCountChanged();
        if (missingOpenedGroupID())
            resetFolderState();
    });
    connect(&m_layout, &LayoutManager::currentSceneIDChanged, this, &TilehallContentView::sceneChanged);
    connect(&m_layout, &LayoutManager::configChanged, this, [this] {
        layoutPass();
        updateBackground();
    });

    m_frames.connectOuterFrames(m_engine);
    m_hosts = new GridHosts(*this);
    m_folderHost = new FolderOverlayHost(*this);
    layoutPass();
    updateBackground();
    updatePresentation();
    updateChromeVisibility(false);
    // Made straight into a window's content layer, it is on screen already: item changes made
    // while the base item was being built never reached this class.
    if (scene() && isVisible())
        appear();
}

TilehallContentView::~TilehallContentView()
{
    // The grid's views hold frame reports on the registry: they go first, while it still exists.
    delete m_folderHost;
    delete m_hosts;
    const QList<QGraphicsItem*> children = childItems();
    qDeleteAll(children);
}

QGraphicsObject* TilehallContentView::backgroundLayer() const
{
    return m_background;
}

QGraphicsObject* TilehallContentView::mainContent() const
{
    return m_mainContent;
}

LayerSlot* TilehallContentView::overlay(Overlay which) const
{
    return m_overlays[static_cast<int>(which)];
}

GridCellServices TilehallContentView::cellServices()
{
    GridCellServices services;
    services.scheduler = &m_scheduler;
    services.icons = &m_icons;
    services.iconLoads = m_options.iconLoads;
    services.mainThread = m_options.mainThread;
    services.frames = &m_frames;
    services.frameSpace = this;
    services.drawsAhead = [this] { return !m_engine.isPresented(); };
    return services;
}

// ---- layout pass ----

void TilehallContentView::setSize(const QSizeF& size)
{
    if (size == m_size)
        return;
    prepareGeometryChange();
    m_size = size;
    layoutPass();
}

void TilehallContentView::setGeometry(const QRectF& rect)
{
    setPos(rect.topLeft());
    setSize(rect.size());
}

void TilehallContentView::setFollowsSceneRect(bool follows)
{
    m_followsSceneRect = follows;
    followSceneRect();
}

void TilehallContentView::followSceneRect()
{
    disconnect(m_sceneRectConnection);
    QGraphicsScene* host = scene();
    if (!m_followsSceneRect || !host)
        return;
    m_sceneRectConnection = connect(host, &QGraphicsScene::sceneRectChanged, this, [this](const QRectF& rect) { setSize(rect.size()); });
    setSize(host->sceneRect().size());
}

void TilehallContentView::layoutPass()
{
    const LayoutConfig& config = m_layout.config();
    m_metrics = GridMetrics(m_size, config.rows, config.columns, config.iconScale, GridMetrics::kPaddingScale);
    m_engine.contentSize = m_size;
    if (!m_size.isEmpty()) {
        logLayoutProbeOnce();
        // Icons are held in memory as large as the cells draw them.
        const double dpr = qGuiApp ? std::max(1.0, qGuiApp->devicePixelRatio()) : 1.0;
        m_icons.setDrawPixels(int(std::ceil(m_metrics.iconSize * dpr)));
    }

    const QRectF bounds(QPointF(0, 0), m_size);
    m_background->setSize(m_size);
    if (m_wallpaper)
        m_wallpaper->setSize(m_size);
    if (m_color)
        m_color->setSize(m_size);

    m_mainContent->setSize(m_size);
    m_mainContent->setTransformOriginPoint(bounds.center());
    const GridMetrics& m = m_metrics;
    m_searchBarArea->setPos((m_size.width() - m.searchBarWidth) / 2, m.searchTopPadding);
    m_searchBarArea->setSize({m.searchBarWidth, m.searchBarHeight});
    m_gridArea->setPos(0, m.searchTopPadding + m.searchBarHeight);
    m_gridArea->setSize({m_size.width(), m.rowPitch * double(m.rows)});
    m_pageDotsArea->setPos(0, m_size.height() - m.dotsBottomPadding - kPageDotsHeight);
    m_pageDotsArea->setSize({m_size.width(), kPageDotsHeight});
    for (LayerSlot* slot : m_overlays)
        slot->setSize(m_size);
    Q_EMIT metricsChanged();
}

void TilehallContentView::logLayoutProbeOnce()
{
    if (g_layoutProbeLogged.exchange(true))
        return;
    const LayoutConfig& config = m_layout.config();
    const QString line = QStringLiteral("阶段63 布局探针：container=") + logNumber(m_size.width()) + QStringLiteral("x")
        + logNumber(m_size.height()) + QStringLiteral(" rows=") + QString::number(config.rows) + QStringLiteral(" cols=")
        + QString::number(config.columns) + QStringLiteral(" iconScale=") + logNumber(config.iconScale) + QStringLiteral(" → marginX=")
        + logNumber(m_metrics.marginX) + QStringLiteral(" colPitch=") + logNumber(m_metrics.columnPitch) + QStringLiteral(" rowPitch=")
        + logNumber(m_metrics.rowPitch) + QStringLiteral(" icon=") + logNumber(m_metrics.iconSize) + QStringLiteral(" labelH=")
        + logNumber(m_metrics.labelHeight);
    Logger::shared().info(line, __FILE__, "logLayoutProbeOnce(metrics:container:rows:columns:iconScale:)", __LINE__);
}

// ---- background ----

void TilehallContentView::updateBackground()
{
    const LayoutConfig& config = m_layout.config();
    if (config.backgroundType == BackgroundType::color) {
        if (!m_color)
            m_color = new ColorBackdrop(m_background);
        m_color->setSize(m_size);
        m_color->setColor(colorFromHex(config.backgroundColor));
        m_color->setVisible(true);
        // Hidden, the wallpaper item asks the store for nothing.
        if (m_wallpaper)
            m_wallpaper->setVisible(false);
        return;
    }
    const double strength = config.backgroundType == BackgroundType::blur ? config.blurStrength : 0.0;
    if (!m_wallpaper) {
        m_wallpaper = new WallpaperBackground(m_wallpaperStore, strength, m_background);
    } else {
        m_wallpaper->setBlurStrength(strength);
    }
    m_wallpaper->setSize(m_size);
    m_wallpaper->setVisible(true);
    if (m_color)
        m_color->setVisible(false);
}

// ---- zoom and fade ----

double TilehallContentView::presentedOpacity() const
{
    if (const auto progress = m_engine.interactiveProgress())
        return *progress;
    return m_options.layerTransition ? 1.0 : m_rootOpacity.value();
}

double TilehallContentView::presentedContentScale() const
{
    if (const auto progress = m_engine.interactiveProgress())
        return kHiddenScale - (kHiddenScale - 1) * *progress;
    return m_options.layerTransition ? 1.0 : m_contentScale.value();
}

void TilehallContentView::updatePresentation()
{
    setOpacity(presentedOpacity());
    m_mainContent->setScale(presentedContentScale());
}

void TilehallContentView::updateChromeVisibility(bool animated)
{
    const auto follow = [animated](ValueAnimator& animator, bool visible) {
        const double target = visible ? 1.0 : 0.0;
        if (animator.target() == target)
            return;
        if (animated)
            animator.animate(target, kFolderMotionDuration, folderMotionCurve());
        else
            animator.set(target);
    };
    follow(m_mainContentOpacity, mainContentVisible());
    follow(m_searchBarOpacity, mainContentVisible());
    follow(m_pageDotsOpacity, pageDotsVisible());
    // The search bar stays enabled under an open folder: disabling it would take the keyboard
    // from the field, and typing there searches. Its field refuses the clicks itself.
    m_pageDotsArea->setEnabled(pageDotsTakeClicks());
}

void TilehallContentView::presentedChanged()
{
    const bool presented = m_engine.isPresented();
    const double duration = m_engine.transitionDuration;

    // Page preparation: the other pages are built a moment after the first show.
    if (presented && !m_pagesPrepared && !m_pagePreparation.isActive())
        m_pagePreparation = ScheduledTask(&m_scheduler, m_scheduler.schedule(duration + kPagePreparationDelay, [this] { markPagesPrepared(); }));

    if (m_options.layerTransition) {
        // The shell animates the window's layers; the view stays at rest.
        m_rootOpacity.set(presented ? 1 : 0);
        m_contentScale.set(1);
        m_engine.suppressTransitionAnimation = false;
    } else {
        m_rootOpacity.animate(presented ? 1 : 0, duration, presented ? showCurve() : hideCurve());
        if (m_engine.suppressTransitionAnimation) {
            // A show that continues an interrupted one: carry on from where the content is.
            m_engine.suppressTransitionAnimation = false;
            m_contentScale.animate(1, duration, showCurve());
        } else if (presented) {
            m_contentScale.set(kHiddenScale);
            m_contentScale.animate(1, duration, showCurve());
        } else {
            m_contentScale.animate(kHiddenScale, duration, hideCurve());
        }
    }

    // Every show starts without an opened folder.
    if (presented) {
        resetFolderState();
        setIsEditingFolderName(false);
    }
}

void TilehallContentView::markPagesPrepared()
{
    if (m_pagesPrepared)
        return;
    m_pagesPrepared = true;
    Q_EMIT pagesPreparedChanged();
}

bool TilehallContentView::buildsPage(int index) const
{
    return m_pagesPrepared || index == m_engine.pagerOffset().page();
}

// ---- appearance ----

QVariant TilehallContentView::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemSceneHasChanged)
        followSceneRect();
    if ((change == ItemSceneHasChanged && value.value<QGraphicsScene*>() && isVisible())
        || (change == ItemVisibleHasChanged && value.toBool() && scene()))
        appear();
    return QGraphicsObject::itemChange(change, value);
}

void TilehallContentView::appear()
{
    if (m_appeared)
        return;
    m_appeared = true;
    CLOG_INFO(QStringLiteral("TilehallContentView appeared — pages: ") + QString::number(m_layout.layout().pages.size())
        + QStringLiteral(", apps: ") + QString::number(m_layout.allScannedApps().size()));
    syncInteractionManager();
    if (m_engine.isPresented()) {
        m_contentScale.set(kHiddenScale);
        m_contentScale.animate(1, m_engine.transitionDuration, showCurve());
        m_rootOpacity.animate(1, m_engine.transitionDuration, showCurve());
    }
    Q_EMIT appeared();
}

// ---- change handlers ----

void TilehallContentView::pageCountChanged()
{
    const qsizetype count = m_layout.layout().pages.size();
    if (count == m_lastPageCount)
        return;
    m_lastPageCount = count;
    m_engine.pageCount = clampedPageCount(count);
    PagerOffset& pager = m_engine.pagerOffset();
    if (pager.page() >= count)
        pager.setPage(int(std::max<qsizetype>(0, count - 1)));
}

void TilehallContentView::sceneChanged()
{
    m_engine.pageCount = clampedPageCount(m_layout.layout().pages.size());
    m_engine.pagerOffset().setPage(0);
    setSearchText(QString());
    setIsSearching(false);
    resetFolderState();
    setIsEditingFolderName(false);
}

void TilehallContentView::reorderDragChanged()
{
    const std::optional<QUuid> dragged = m_engine.reorderDraggedEntryID();
    const bool dragEnded = m_lastDraggedEntryID.has_value() && !dragged.has_value();
    m_lastDraggedEntryID = dragged;
    if (dragEnded)
        withReorderSpring([this] { m_layout.removeEmptyPages(); });
}

// ---- state ----

void TilehallContentView::setSearchText(const QString& text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    updateChromeVisibility(true);
    Q_EMIT stateChanged();
}

void TilehallContentView::setIsSearching(bool searching)
{
    if (searching == m_isSearching)
        return;
    m_isSearching = searching;
    setGestureFlags(!searching && !m_openedGroupID);
    updateChromeVisibility(true);
    Q_EMIT stateChanged();
}

void TilehallContentView::setOpenedGroupID(std::optional<QUuid> id)
{
    if (id == m_openedGroupID)
        return;
    m_openedGroupID = id;
    setGestureFlags(!m_isSearching && !id);
    m_engine.setOpenedGroupID(id);
    if (!id)
        m_isEditingFolderName = false;
    updateChromeVisibility(true);
    Q_EMIT stateChanged();
    // A folder that is not in the layout cannot stay open.
    if (missingOpenedGroupID())
        resetFolderState();
}

void TilehallContentView::setIsEditingFolderName(bool editing)
{
    if (editing == m_isEditingFolderName)
        return;
    m_isEditingFolderName = editing;
    Q_EMIT stateChanged();
}

void TilehallContentView::setFolderClosing(bool closing)
{
    if (closing == m_folderClosing)
        return;
    m_folderClosing = closing;
    updateChromeVisibility(true);
    Q_EMIT stateChanged();
}

void TilehallContentView::setFolderAnimating(bool animating)
{
    if (animating == m_folderAnimating)
        return;
    m_folderAnimating = animating;
    Q_EMIT stateChanged();
}

void TilehallContentView::setUninstallScanningApp(std::optional<AppItem> app)
{
    if (app == m_uninstallScanningApp)
        return;
    m_uninstallScanningApp = std::move(app);
    Q_EMIT stateChanged();
}

void TilehallContentView::setHasUninstallPlan(bool present)
{
    if (present == m_hasUninstallPlan)
        return;
    m_hasUninstallPlan = present;
    Q_EMIT stateChanged();
}

std::optional<QUuid> TilehallContentView::missingOpenedGroupID() const
{
    if (m_openedGroupID && !findGroup(*m_openedGroupID))
        return m_openedGroupID;
    return std::nullopt;
}

std::optional<PageEntry> TilehallContentView::reorderGhostEntry(const QUuid& id) const
{
    for (const TilehallPage& page : m_layout.layout().pages) {
        for (const PageEntry& entry : page.entries) {
            if (entry.id() == id)
                return entry;
        }
    }
    return std::nullopt;
}

// ---- frames ----

void TilehallContentView::onIconFrames(const std::optional<QHash<QUuid, QRectF>>& frames, double translation)
{
    applyCapturedIconFrames(m_engine, frames, translation);
}

void TilehallContentView::onChromeFrames(const std::optional<QList<QRectF>>& frames, double translation)
{
    applyCapturedChromeFrames(m_engine, frames, translation);
}

} // namespace corvanta
