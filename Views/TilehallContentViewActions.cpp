// What the root view hands the interaction engine, and the folder, search and sheet actions behind
// those callbacks.
#include "Views/TilehallContentView.h"

#include "Services/AppLaunch.h"
#include "Services/LayoutManager.h"
#include "Services/ShortcutManager.h"
#include "Support/InteractionManager.h"
#include "Support/Logger.h"
#include "Support/NotificationCenter.h"
#include "Views/CellDrawing.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include <algorithm>

namespace corvanta {
namespace {

std::optional<AppItem> scannedApp(const LayoutManager& store, const QUuid& id)
{
    for (const AppItem& app : store.allScannedApps()) {
        if (app.id == id)
            return app;
    }
    return std::nullopt;
}

std::optional<AppGroup> groupIn(const TilehallLayout& layout, const QUuid& id)
{
    for (const AppGroup& group : layout.allGroups()) {
        if (group.id == id)
            return group;
    }
    return std::nullopt;
}

} // namespace

void TilehallContentView::setGestureFlags(bool enabled)
{
    m_engine.wheelPagingEnabled = enabled;
    m_engine.longPressEnabled = enabled;
    m_engine.reorderEnabled = enabled;
}

void TilehallContentView::syncInteractionManager()
{
    InteractionManager& engine = m_engine;
    const QPointer<TilehallContentView> self(this);
    const QPointer<LayoutManager> store(&m_layout);

    engine.pageCount = int(std::max<qsizetype>(1, m_layout.layout().pages.size()));
    if (m_options.mainScreenWidth) {
        if (const std::optional<double> width = m_options.mainScreenWidth())
            engine.screenWidth = *width;
    }
    engine.onBlankClick = [self] { return self && self->handleBlankClick(); };
    engine.onEscape = [self] { return self && self->handleEscape(); };
    setGestureFlags(!m_isSearching && !m_openedGroupID);
    engine.appLookup = [store](const QUuid& id) -> std::optional<AppItem> {
        if (!store)
            return std::nullopt;
        if (std::optional<AppItem> app = scannedApp(*store, id))
            return app;
        return store->layout().findApp(id);
    };
    engine.pageEntryIDsProvider = [store](int page) {
        QList<QUuid> ids;
        if (!store || page < 0 || page >= store->layout().pages.size())
            return ids;
        for (const PageEntry& entry : store->layout().pages.at(page).entries)
            ids.append(entry.id());
        return ids;
    };
    engine.onReorderMove = [self](const QUuid& entry, int page, int index) {
        if (self)
            self->reorderMove(entry, page, index);
    };
    engine.onMergeEntries = [self](const QUuid& dragged, const QUuid& target) {
        if (self)
            self->mergeEntries(dragged, target);
    };
    engine.onTitleTap = [self] { return self && self->handleTitleTap(); };
    engine.groupLookup = [store](const QUuid& id) -> std::optional<AppGroup> {
        return store ? groupIn(store->layout(), id) : std::nullopt;
    };
    engine.onDragOutFromFolder = [self](const QUuid& app, const QUuid& group) {
        if (self)
            self->dragOutFromFolder(app, group);
    };
    engine.onDropToDock = [self](const QUuid& entry) {
        if (self)
            self->dropToDock(entry);
    };
    engine.onBeginSystemDockDrag = [self](const QUuid& entry, const InputEvent& event) {
        return self && self->beginSystemDockDrag(entry, event);
    };
}

// ---- Esc, blank click and title tap ----

bool TilehallContentView::handleEscape()
{
    if (showsUninstallSheet()) {
        dismissUninstallSheet();
        return true;
    }
    if (m_engine.isJiggleMode()) {
        m_engine.exitJiggleMode();
        return true;
    }
    if (!m_searchText.isEmpty()) {
        CLOG_INFO(QStringLiteral("ESC — clearing search text first"));
        setSearchText(QString());
        performSearch();
        return true;
    }
    if (!m_openedGroupID)
        return false;
    CLOG_INFO(QStringLiteral("ESC — closing open folder first"));
    closeFolderAnimated();
    return true;
}

bool TilehallContentView::handleBlankClick()
{
    // The sheet handles clicks on its own backdrop.
    if (showsUninstallSheet())
        return true;
    if (m_engine.isJiggleMode()) {
        m_engine.exitJiggleMode();
        return true;
    }
    if (!m_openedGroupID)
        return false;
    CLOG_INFO(QStringLiteral("Blank click — closing open folder first"));
    closeFolderAnimated();
    return true;
}

bool TilehallContentView::handleTitleTap()
{
    if (!m_openedGroupID)
        return false;
    setIsEditingFolderName(true);
    return true;
}

void TilehallContentView::dismissUninstallSheet()
{
    setUninstallScanningApp(std::nullopt);
    setHasUninstallPlan(false);
    m_engine.suppressScrollPaging = false;
    m_engine.setModalScrimOpacity(0);
}

// ---- launching and closing ----

void TilehallContentView::launchApp(const AppItem& app, const QString& log)
{
    CLOG_INFO(log);
    // A blank-click close that is pending is dropped.
    m_engine.shouldCancelClose = true;
    // One launch at a time: the engine clears the id when the overlay next shows.
    if (m_engine.launchingAppID())
        return;
    m_engine.setLaunchingAppID(app.id);
    // The grid closes only once the application has started; the launcher answers on its own
    // thread, or at once on this one.
    QPointer<TilehallContentView> self(this);
    AppLauncher::Completion finished = [self, app, mainThread = m_options.mainThread](const std::optional<LaunchError>& error) {
        auto land = [self, app, error] {
            if (self)
                self->launchFinished(app, error);
        };
        const QCoreApplication* application = QCoreApplication::instance();
        if (application && QThread::currentThread() == application->thread())
            land();
        else
            mainThread(std::move(land));
    };
    if (launchHandler)
        launchHandler(app, std::move(finished));
    else
        corvanta::launchApp(app, AppLauncher::shared(), std::move(finished));
}

void TilehallContentView::launchFinished(const AppItem& app, const std::optional<LaunchError>& error)
{
    if (!error) {
        closeTilehall(true);
        return;
    }
    // The cell stops its launch zoom and the next click may launch again.
    if (m_engine.launchingAppID() == app.id)
        m_engine.setLaunchingAppID(std::nullopt);
    if (onLaunchFailed)
        onLaunchFailed(app, *error);
}

void TilehallContentView::closeTilehall(bool launchedApp)
{
    if (!m_shortcuts.isTilehallVisible()) {
        CLOG_INFO(QStringLiteral("closeTilehall skipped — already hidden"));
        return;
    }
    CLOG_INFO(QStringLiteral("Closing tilehall — isVisible was: true, launchedApp=") + (launchedApp ? QStringLiteral("true") : QStringLiteral("false")));
    QVariantMap userInfo;
    if (launchedApp)
        userInfo.insert(QStringLiteral("launchedApp"), true);
    NotificationCenter::defaultCenter().post(Notifications::tilehallShouldClose, userInfo);
}

void TilehallContentView::submitSearch()
{
    if (m_searchResults.isEmpty())
        return;
    const AppItem first = m_searchResults.first();
    launchApp(first, QStringLiteral("Search submit — launching first result: ") + first.name);
}

void TilehallContentView::requestDelete(const AppItem& app)
{
    if (onDeleteRequest) {
        onDeleteRequest(app);
        return;
    }
    CLOG_INFO(QStringLiteral("Delete requested: ") + app.name);
}

// ---- search ----

void TilehallContentView::performSearch()
{
    setIsSearching(!m_searchText.isEmpty());
    m_searchResults = m_layout.searchApps(m_searchText);
    CLOG_INFO(QStringLiteral("Search performed: '") + m_searchText + QStringLiteral("' — results: ")
        + QString::number(m_searchResults.size()));
    Q_EMIT searchResultsChanged();
    // A search closes the open folder at once.
    if (m_isSearching)
        resetFolderState();
}

// ---- folders ----

std::optional<AppGroup> TilehallContentView::findGroup(const QUuid& id) const
{
    return groupIn(m_layout.layout(), id);
}

void TilehallContentView::openFolder(const QUuid& groupID, std::optional<QRectF> preferredSourceFrame)
{
    // One folder at a time; a request during an animation is dropped.
    if (m_folderAnimating || m_openedGroupID)
        return;
    QRectF source;
    if (preferredSourceFrame && preferredSourceFrame->width() > 1 && preferredSourceFrame->height() > 1) {
        source = *preferredSourceFrame;
    } else if (const auto frames = m_engine.gridIconFrames(); frames.contains(groupID)) {
        source = frames.value(groupID);
    } else {
        const QSizeF content = m_engine.contentSize;
        source = QRectF(content.width() * 0.5 - 36, content.height() * 0.5 - 36, 72, 72);
    }
    m_folderSourceFrame = source;
    setFolderClosing(false);
    setOpenedGroupID(groupID);
    if (m_openedGroupID == groupID)
        setFolderAnimating(true);
}

void TilehallContentView::closeFolderAnimated()
{
    if (!m_openedGroupID)
        return;
    if (!findGroup(*m_openedGroupID)) {
        CLOG_INFO(QStringLiteral("文件夹已解散，立即恢复主网格交互"));
        resetFolderState();
        return;
    }
    // A close asked for while the panel is still opening closes too: the panel folds up from
    // where it is, so Esc and a click outside always lead out. During a close it is a no-op.
    if (!m_folderClosing) {
        setFolderAnimating(true);
        setFolderClosing(true);
    }
}

void TilehallContentView::resetFolderState()
{
    if (InteractionManager* folderPager = m_engine.activeFolderPager) {
        folderPager->resetDragState();
        if (folderPager->pagerOffset().cancelInterpolation)
            folderPager->pagerOffset().cancelInterpolation();
    }
    m_engine.activeFolderPager = nullptr;
    m_engine.setFolderIconFrames({});
    m_folderClosing = false;
    m_folderAnimating = false;
    m_isEditingFolderName = false;
    setOpenedGroupID(std::nullopt);
    m_engine.setOpenedGroupID(std::nullopt);
    setGestureFlags(!m_isSearching);
    updateChromeVisibility(true);
    Q_EMIT stateChanged();
}

void TilehallContentView::mergeEntries(const QUuid& draggedID, const QUuid& targetID)
{
    const QHash<QUuid, QRectF>& frames = m_engine.gridIconFrames();
    std::optional<QRectF> source;
    if (frames.contains(targetID))
        source = frames.value(targetID);
    else if (frames.contains(draggedID))
        source = frames.value(draggedID);
    // In jiggle mode the reported frame is widened to the delete badge: open from the icon itself.
    if (source)
        source = CellGeometry::iconSquareOfReported(*source, m_metrics.iconSize);
    std::optional<QUuid> folderID;
    withReorderSpring([&] { folderID = m_layout.mergeEntries(draggedID, targetID); });
    if (!folderID)
        return;
    m_engine.shouldCancelClose = true;
    if (source)
        m_engine.seedGridIconFrame(*folderID, *source);
    openFolder(*folderID, source);
}

void TilehallContentView::reorderMove(const QUuid& entryID, int toPage, int index)
{
    const QList<TilehallPage>& pages = m_layout.layout().pages;
    if (toPage < 0 || toPage >= pages.size() || index < 0)
        return;
    for (qsizetype p = 0; p < pages.size(); ++p) {
        const QList<PageEntry>& entries = pages.at(p).entries;
        for (qsizetype s = 0; s < entries.size(); ++s) {
            if (entries.at(s).id() != entryID)
                continue;
            if (p == toPage && s == index)
                return;
            const qsizetype target = index == InteractionManager::kAppendIndex ? pages.at(toPage).entries.size() : index;
            withReorderSpring([&] { m_layout.moveEntry(IndexPath{p, s}, IndexPath{toPage, target}); });
            return;
        }
    }
}

void TilehallContentView::removeUninstalledApp(const QUuid& appID)
{
    withReorderSpring([&] { m_layout.removeApp(appID); });
}

void TilehallContentView::dragOutFromFolder(const QUuid& appID, const QUuid& groupID)
{
    m_engine.shouldCancelClose = true;
    resetFolderState();
    withReorderSpring([&] { m_layout.extractFromGroup(appID, groupID); });
}

std::optional<AppItem> TilehallContentView::dockCandidate(const QUuid& entryID) const
{
    std::optional<AppItem> app = m_layout.layout().findApp(entryID);
    return app ? app : scannedApp(m_layout, entryID);
}

void TilehallContentView::dropToDock(const QUuid& entryID)
{
    const std::optional<AppItem> app = dockCandidate(entryID);
    if (!app) {
        CLOG_WARN(QStringLiteral("阶段38：找不到条目 ") + entryID.toString(QUuid::WithoutBraces).toUpper() + QStringLiteral("，取消投放"));
        return;
    }
    if (pinToDock) {
        const DockManager::Outcome outcome = pinToDock(*app);
        const QString name = app->name;
        switch (outcome.kind) {
        case DockManager::Outcome::Kind::added:
            CLOG_INFO(QStringLiteral("阶段38：已加入程序坞 — ") + name + QStringLiteral("（") + app->path() + QStringLiteral("）"));
            break;
        case DockManager::Outcome::Kind::alreadyPresent:
            CLOG_INFO(QStringLiteral("阶段38：已在程序坞中，未重复添加 — ") + name);
            break;
        case DockManager::Outcome::Kind::failed:
            CLOG_WARN(QStringLiteral("阶段38：加入程序坞失败 — ") + name + QStringLiteral("：") + outcome.message);
            break;
        }
    }
    m_engine.shouldCancelClose = true;
    if (m_engine.onClose)
        m_engine.onClose();
}

bool TilehallContentView::beginSystemDockDrag(const QUuid& entryID, const InputEvent&)
{
    const std::optional<AppItem> app = dockCandidate(entryID);
    if (!app || !m_engine.overlayWindow()) {
        CLOG_WARN(QStringLiteral("阶段108：系统拖拽启动失败 — 找不到应用或窗口"));
        return false;
    }
    if (!systemDockDrag || !systemDockDrag(*app, m_engine.reorderCursor()))
        return false;
    CLOG_INFO(QStringLiteral("阶段108：系统拖拽会话已启动 — ") + app->name + QStringLiteral("（file-url 投放，Dock 原生接收）"));
    return true;
}

} // namespace corvanta
