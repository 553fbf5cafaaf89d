#include "Services/AppLaunch.h"
#include "Support/NotificationCenter.h"
#include "Support/VirtualScheduler.h"
#include "Views/ContentLayers.h"
#include "Views/GridHosts.h"
#include "Views/FolderOverlayHost.h"
#include "Views/FolderOverlayView.h"
#include "Views/GroupIconView.h"
#include "Views/LaunchIconAnimator.h"
#include "Views/RootViewTestKit.h"
#include "Views/TilehallSearchField.h"
#include "common/LogCapture.h"

#include <QCoreApplication>
#include <QDebug>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QAction>
#include <QApplication>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsView>
#include <QTimer>

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

constexpr double kFrame = 1.0 / 60;

// A click at a scene point, delivered the way a window would.
void click(QGraphicsScene& scene, const QPointF& at)
{
    for (const QEvent::Type type : {QEvent::GraphicsSceneMousePress, QEvent::GraphicsSceneMouseRelease}) {
        QGraphicsSceneMouseEvent event(type);
        event.setScenePos(at);
        event.setButton(Qt::LeftButton);
        event.setButtons(type == QEvent::GraphicsSceneMousePress ? Qt::LeftButton : Qt::NoButton);
        event.setButtonDownScenePos(Qt::LeftButton, at);
        QCoreApplication::sendEvent(&scene, &event);
    }
}

QStringList names(const QList<AppItem>& apps)
{
    QStringList out;
    for (const AppItem& a : apps)
        out << a.name;
    return out;
}

class GridHostsTest : public RootViewTest {
protected:
    QList<AppItem> launched;
    FakeAppLauncher launcher;
    QList<QVariantMap> closes;
    NotificationCenter::Token closeToken = NotificationCenter::defaultCenter().addObserver(
        Notifications::tilehallShouldClose, nullptr, [this](const QVariantMap& info) { closes << info; });

    ~GridHostsTest() override { NotificationCenter::defaultCenter().removeObserver(closeToken); }

    TilehallContentView& presentedView(QList<TilehallPage> pages, QList<AppItem> scanned = {})
    {
        storeWithPages(std::move(pages));
        if (!scanned.isEmpty())
            store->updateScannedApps(scanned, [](const QString&) { return true; });
        TilehallContentView& root = makeView();
        root.launchHandler = [this](const AppItem& a, AppLauncher::Completion done) {
            launched << a;
            launchApp(a, launcher, std::move(done));
        };
        shortcuts.setTilehallVisible(true);
        show();
        scheduler.advance(0.5);
        return root;
    }
    GridHosts& hosts() { return *view->hosts(); }
    QPointF sceneCentreOfCell(const QUuid& page0Entry)
    {
        const TilehallGridView* page = hosts().pageView(0);
        if (const AppIconView* cell = page->appCell(page0Entry))
            return cell->mapToScene(cell->iconRect().center());
        const GroupIconView* group = page->groupCell(page0Entry);
        return group->mapToScene(group->blockRect().center());
    }
};

} // namespace

TEST_F(GridHostsTest, TypingFiltersLiveAndReturnLaunchesOnlyTheFirstResult)
{
    LogCapture log;
    const AppItem mail = app(QStringLiteral("Mail")), maps = app(QStringLiteral("Maps")), notes = app(QStringLiteral("Notes"));
    TilehallContentView& root = presentedView({page({PageEntry(mail), PageEntry(maps), PageEntry(notes)})}, {mail, maps, notes});
    TilehallSearchField& field = *hosts().searchField();

    field.lineEdit()->setText(QStringLiteral("Ma"));
    EXPECT_TRUE(root.isSearching());
    EXPECT_EQ(names(root.searchResults()), (QStringList{"Mail", "Maps"}));
    EXPECT_TRUE(hosts().searchResults()->isVisible());
    EXPECT_FALSE(hosts().pager()->isVisible());
    EXPECT_NE(hosts().searchResults()->cell(maps.id), nullptr);
    EXPECT_EQ(hosts().searchResults()->cell(notes.id), nullptr);
    EXPECT_FALSE(engine.wheelPagingEnabled);

    Q_EMIT field.lineEdit()->returnPressed();
    Q_EMIT field.lineEdit()->returnPressed();
    ASSERT_EQ(names(launched), QStringList{"Mail"});
    EXPECT_EQ(engine.launchingAppID(), mail.id);
    ASSERT_EQ(closes.size(), 1);
    EXPECT_EQ(closes.first().value(QStringLiteral("launchedApp")), QVariant(true));
    EXPECT_TRUE(log.contains(QStringLiteral("Search submit — launching first result: Mail")));
    EXPECT_TRUE(log.contains(QStringLiteral("Closing tilehall — isVisible was: true, launchedApp=true")));

    // Nothing matches: the line says so and Return does nothing.
    engine.resetDragState();
    field.lineEdit()->setText(QStringLiteral("zzz"));
    EXPECT_EQ(hosts().searchResults()->emptyText(), QStringLiteral("没有找到名为「zzz」的应用"));
    Q_EMIT field.lineEdit()->returnPressed();
    EXPECT_EQ(launched.size(), 1);

    // Clearing the text brings the grid back.
    field.lineEdit()->clear();
    EXPECT_FALSE(root.isSearching());
    EXPECT_TRUE(hosts().pager()->isVisible());
    EXPECT_TRUE(engine.wheelPagingEnabled);
}

// The hidden grid holds a cell of every result too; only the cell that was chosen zooms.
TEST_F(GridHostsTest, OnlyTheChosenCellPlaysTheLaunchZoom)
{
    const AppItem mail = app(QStringLiteral("Mail")), maps = app(QStringLiteral("Maps"));
    presentedView({page({PageEntry(mail), PageEntry(maps)})}, {mail, maps});
    const auto gridZooms = [&](const QUuid& id) { return hosts().pageView(0)->appCell(id)->launchAnimator()->didStart(); };
    // Every cell has its picture, so any of them could play the zoom.
    QImage picture(64, 64, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::green);
    for (const QUuid& id : {mail.id, maps.id})
        hosts().pageView(0)->appCell(id)->setIcon(picture);

    hosts().searchField()->lineEdit()->setText(QStringLiteral("Mail"));
    AppIconView* result = hosts().searchResults()->cell(mail.id);
    ASSERT_NE(result, nullptr);
    result->setIcon(picture);
    Q_EMIT hosts().searchField()->lineEdit()->returnPressed();
    ASSERT_EQ(engine.launchingAppID(), mail.id);
    EXPECT_TRUE(result->launchAnimator()->didStart());
    EXPECT_FALSE(gridZooms(mail.id));
    // The field empties as the overlay closes, the grid comes back while the launch is under way.
    hosts().searchField()->lineEdit()->clear();
    EXPECT_FALSE(gridZooms(mail.id));

    // A launch from the grid zooms the grid's cell.
    engine.resetDragState();
    scheduler.advance(1);
    click(scene, sceneCentreOfCell(maps.id));
    ASSERT_EQ(engine.launchingAppID(), maps.id);
    EXPECT_TRUE(gridZooms(maps.id));
}

TEST_F(GridHostsTest, SearchFieldClearButtonAndFocus)
{
    TilehallContentView& root = presentedView({page({})});
    TilehallSearchField& field = *hosts().searchField();
    EXPECT_TRUE(field.isFocused()); // 0.3 s after it appeared
    EXPECT_FALSE(field.showsClearButton());

    field.lineEdit()->setText(QStringLiteral("x"));
    ASSERT_TRUE(field.showsClearButton());
    int changes = 0;
    const auto search = field.onChange;
    field.onChange = [&](const QString& text) {
        ++changes;
        search(text);
    };
    engine.shouldCancelClose = false;
    click(scene, field.mapToScene(field.clearButtonRect().center()));
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(root.searchText().isEmpty());
    EXPECT_FALSE(root.isSearching());
    EXPECT_TRUE(field.isFocused());
    EXPECT_TRUE(engine.shouldCancelClose); // a click on the field is not a blank click

    // The field is chrome for hit-testing.
    view->frameRegistry().flush();
    const QList<QRectF> chrome = view->frameRegistry().frames(FrameKind::chrome);
    const QRectF bar(view->searchBarArea()->mapToItem(view, QPointF(0, 0)), view->searchBarArea()->size());
    EXPECT_TRUE(chrome.contains(bar));
}

TEST_F(GridHostsTest, ClickOnAnApplicationLaunchesItAndClosesTheOverlay)
{
    LogCapture log;
    const AppItem mail = app(QStringLiteral("Mail")), maps = app(QStringLiteral("Maps"));
    const AppGroup tools = folder(QStringLiteral("Tools"), {app(QStringLiteral("Saw"))});
    presentedView({page({PageEntry(mail), PageEntry(maps), PageEntry(tools)})});

    // A folder tap opens the folder (and cancels the blank click).
    click(scene, sceneCentreOfCell(tools.id));
    EXPECT_EQ(view->openedGroupID(), tools.id);
    EXPECT_TRUE(log.contains(QStringLiteral("Group opened: ") + tools.id.toString(QUuid::WithoutBraces).toUpper()));
    // Its panel opens; Esc folds it back and the grid takes clicks again.
    scheduler.advance(0);
    scheduler.advance(0.3);
    EXPECT_TRUE(view->handleEscape());
    scheduler.advance(0.3);
    EXPECT_FALSE(view->openedGroupID().has_value());

    click(scene, sceneCentreOfCell(maps.id));
    click(scene, sceneCentreOfCell(mail.id)); // a second launch while one is under way is dropped
    EXPECT_EQ(names(launched), QStringList{"Maps"});
    EXPECT_TRUE(log.contains(QStringLiteral("App launched: Maps")));
    ASSERT_EQ(closes.size(), 1);
    EXPECT_TRUE(closes.first().value(QStringLiteral("launchedApp")).toBool());

    // Already hidden: nothing is posted.
    shortcuts.setTilehallVisible(false);
    view->closeTilehall(false);
    EXPECT_EQ(closes.size(), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("closeTilehall skipped — already hidden")));
}

// An application that has gone since the layout was made (a restored backup, say): the overlay
// stays, the cell stops its zoom, the user is told in Chinese, and the next click tries again.
TEST_F(GridHostsTest, ALaunchThatFailsKeepsTheOverlayOpenAndSaysWhy)
{
    const AppItem gone = app(QStringLiteral("Gone")), mail = app(QStringLiteral("Mail"));
    presentedView({page({PageEntry(gone), PageEntry(mail)})});
    launcher.failWith(gone.path(), LaunchError{LaunchError::Reason::notFound, QStringLiteral("not found")});
    QList<LaunchFailureAlert> alerts;
    view->onLaunchFailed = [&alerts](const AppItem& a, const LaunchError& error) { alerts << launchFailureAlert(a, error); };

    click(scene, sceneCentreOfCell(gone.id));
    EXPECT_EQ(names(launched), QStringList{"Gone"});
    EXPECT_TRUE(closes.isEmpty());
    EXPECT_EQ(engine.launchingAppID(), std::nullopt);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].message, QStringLiteral("无法打开“Gone”"));
    EXPECT_EQ(alerts[0].informativeText, QStringLiteral("找不到这个应用，它可能已被移动或删除。"));

    click(scene, sceneCentreOfCell(gone.id));
    EXPECT_EQ(alerts.size(), 2);
    click(scene, sceneCentreOfCell(mail.id));
    EXPECT_EQ(names(launched), (QStringList{"Gone", "Gone", "Mail"}));
    ASSERT_EQ(closes.size(), 1);
    EXPECT_TRUE(closes.first().value(QStringLiteral("launchedApp")).toBool());
    EXPECT_EQ(alerts.size(), 2);
}

// Typed keys go to whatever the scene gives the keyboard, as a window would send them.
void type(QGraphicsScene& scene, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(&scene, &press);
    }
}

TEST_F(GridHostsTest, ClicksOnCellsFoldersAndTheBackgroundLeaveTheKeyboardWithTheSearchField)
{
    const AppItem mail = app(QStringLiteral("Mail")), maps = app(QStringLiteral("Maps"));
    const AppGroup tools = folder(QStringLiteral("Tools"), {app(QStringLiteral("Saw")), app(QStringLiteral("Drill"))});
    hostLayer = new QGraphicsRectItem;
    scene.addItem(hostLayer);
    TilehallContentView& root = presentedView({page({PageEntry(mail), PageEntry(maps), PageEntry(tools)})}, {mail, maps});
    // The scene of a window that has the keyboard.
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&scene, &activate);
    scene.setFocus(Qt::ActiveWindowFocusReason);
    TilehallSearchField& field = *hosts().searchField();
    const auto fieldHasKeyboard = [&] { return scene.focusItem() && field.isAncestorOf(scene.focusItem()); };
    ASSERT_TRUE(fieldHasKeyboard());

    // The background, a cell's name and a folder all leave it there.
    click(scene, QPointF(40, 400));
    EXPECT_TRUE(fieldHasKeyboard());
    click(scene, sceneCentreOfCell(maps.id) + QPointF(0, view->metrics().iconSize / 2 + 14));
    EXPECT_TRUE(fieldHasKeyboard());
    click(scene, sceneCentreOfCell(tools.id));
    ASSERT_EQ(root.openedGroupID(), tools.id);
    scheduler.advance(0);
    scheduler.advance(0.3);
    EXPECT_TRUE(fieldHasKeyboard());
    // The panel takes the click but not the keyboard, and the hidden field takes no click.
    const FolderOverlayView* panel = root.folderHost()->overlay();
    ASSERT_NE(panel, nullptr);
    click(scene, panel->layout().panelRect.topLeft() + QPointF(6, 6));
    click(scene, field.mapToScene(QPointF(40, 18)));
    EXPECT_TRUE(fieldHasKeyboard());
    EXPECT_EQ(root.openedGroupID(), tools.id);

    // Renaming takes the keyboard while it runs; Return ends it and the field has it again.
    ASSERT_TRUE(root.handleTitleTap());
    scheduler.advance(0);
    EXPECT_EQ(scene.focusItem(), panel->titleEditor());
    type(scene, QStringLiteral("X"));
    EXPECT_EQ(root.findGroup(tools.id)->name, QStringLiteral("X"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&scene, &enter);
    EXPECT_FALSE(root.isEditingFolderName());
    scheduler.advance(0);
    EXPECT_TRUE(fieldHasKeyboard());
    // A press beside a running rename ends it, and the keyboard goes back as well.
    ASSERT_TRUE(root.handleTitleTap());
    scheduler.advance(0);
    ASSERT_EQ(scene.focusItem(), panel->titleEditor());
    click(scene, panel->layout().panelRect.topLeft() + QPointF(6, 6));
    EXPECT_FALSE(root.isEditingFolderName());
    scheduler.advance(0);
    EXPECT_TRUE(fieldHasKeyboard());

    // Esc folds the folder back; what is typed next is a search.
    EXPECT_TRUE(root.handleEscape());
    scheduler.advance(0.3);
    EXPECT_FALSE(root.openedGroupID().has_value());
    type(scene, QStringLiteral("ma"));
    EXPECT_EQ(root.searchText(), QStringLiteral("ma"));
    EXPECT_EQ(names(root.searchResults()), (QStringList{"Mail", "Maps"}));
}

TEST_F(GridHostsTest, EscapeLadderAndBlankClick)
{
    const AppGroup tools = folder(QStringLiteral("Tools"), {app(QStringLiteral("Saw")), app(QStringLiteral("Drill"))});
    const AppItem mail = app(QStringLiteral("Mail"));
    TilehallContentView& root = presentedView({page({PageEntry(mail), PageEntry(tools)})}, {mail});

    root.openFolder(tools.id, std::nullopt);
    scheduler.advance(0);
    scheduler.advance(0.3); // the panel has opened
    hosts().searchField()->setText(QStringLiteral("m"));
    root.setSearchText(QStringLiteral("m"));
    root.setUninstallScanningApp(mail);
    engine.suppressScrollPaging = true;

    // Sheet, then the search text, then the folder; each Esc takes one.
    EXPECT_TRUE(root.handleEscape());
    EXPECT_FALSE(root.showsUninstallSheet());
    EXPECT_FALSE(engine.suppressScrollPaging);
    EXPECT_EQ(root.searchText(), QStringLiteral("m"));
    EXPECT_TRUE(root.handleEscape());
    EXPECT_EQ(root.searchText(), QString());
    EXPECT_EQ(root.openedGroupID(), tools.id);
    EXPECT_TRUE(root.handleEscape());
    EXPECT_TRUE(root.folderClosing());
    EXPECT_TRUE(root.handleEscape()); // during the close: consumed, nothing else
    scheduler.advance(0.3);             // the panel folds back
    EXPECT_FALSE(root.handleEscape());

    // A blank click does not clear a search: the overlay closes.
    root.setSearchText(QStringLiteral("m"));
    root.performSearch();
    EXPECT_FALSE(root.handleBlankClick());
}

TEST_F(GridHostsTest, ReorderAndMergeGoThroughTheStoreOnTheSpring)
{
    const AppItem a = app(QStringLiteral("A")), b = app(QStringLiteral("B")), c = app(QStringLiteral("C"));
    TilehallContentView& root = presentedView({page({PageEntry(a), PageEntry(b), PageEntry(c)}), page({PageEntry(app(QStringLiteral("D")))})});
    QList<bool> animated;
    QObject::connect(store.get(), &LayoutManager::layoutChanged, [&] { animated << root.isApplyingGridChange(); });

    // Out of range and no-op moves change nothing.
    for (const auto& [pageIndex, index] : {std::pair{-1, 0}, {0, -1}, {2, 0}, {0, 0}})
        root.reorderMove(a.id, pageIndex, index);
    EXPECT_TRUE(animated.isEmpty());
    EXPECT_TRUE(engine.pageEntryIDsProvider(-3).isEmpty());

    root.reorderMove(a.id, 1, InteractionManager::kAppendIndex);
    EXPECT_EQ(pageNames(store->layout()), (QList<QStringList>{{"B", "C"}, {"D", "A"}}));
    ASSERT_FALSE(animated.isEmpty());
    EXPECT_FALSE(animated.contains(false));

    // The merged folder opens from the target's icon square.
    engine.seedGridIconFrame(c.id, QRectF(300, 200, 80, 80));
    engine.onMergeEntries(b.id, c.id);
    ASSERT_EQ(store->layout().pages.at(0).entries.size(), 1);
    EXPECT_TRUE(store->layout().pages.at(0).entries.at(0).isGroup());
    EXPECT_EQ(root.openedGroupID(), store->layout().pages.at(0).entries.at(0).id());
    EXPECT_EQ(root.folderSourceFrame(), QRectF(300, 200, 80, 80));
    EXPECT_TRUE(animated.last());

    // A change made elsewhere (a rescan, the settings) does not animate.
    const qsizetype before = animated.size();
    store->removeApp(a.id);
    ASSERT_GT(animated.size(), before);
    EXPECT_FALSE(animated.last());
}

TEST_F(GridHostsTest, PageDotsShowThePageAndSettleOnTap)
{
    LogCapture log;
    QList<TilehallPage> pages;
    for (int i = 0; i < 3; ++i)
        pages << page({PageEntry(app(QStringLiteral("P%1").arg(i)))});
    presentedView(pages);
    engine.pageCount = 3;
    PageIndicator& dots = *hosts().pageDots();
    ASSERT_EQ(dots.pageCount(), 3);
    engine.pagerOffset().setPage(1);
    scheduler.advance(0.3);
    EXPECT_EQ(QList<double>({dots.dotOpacity(0), dots.dotOpacity(1), dots.dotOpacity(2)}), QList<double>({0.35, 1.0, 0.35}));

    engine.shouldCancelClose = false;
    click(scene, dots.mapToScene(dots.dotRect(2).center()));
    EXPECT_EQ(engine.pagerOffset().page(), 2);
    EXPECT_TRUE(engine.shouldCancelClose);
    EXPECT_TRUE(log.contains(QStringLiteral("Page dot tapped: 2")));

    // Each dot is chrome.
    view->frameRegistry().flush();
    const QList<QRectF> chrome = view->frameRegistry().frames(FrameKind::chrome);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(chrome.contains(layoutFrame(&dots, dots.dotRect(i), view))) << i;

    // No pages: no dots, no frames.
    PageIndicator bare(scheduler, &view->frameRegistry(), view);
    bare.setPageCount(0);
    EXPECT_EQ(bare.dotRect(0).width(), PageIndicator::kDotSize);
    EXPECT_EQ(bare.pageCount(), 0);
}

TEST_F(GridHostsTest, PagerStripFollowsTheOffsetAndPages)
{
    QList<TilehallPage> pages;
    for (int i = 0; i < 3; ++i)
        pages << page({PageEntry(app(QStringLiteral("P%1").arg(i)))});
    storeWithPages(pages);
    TilehallContentView& root = makeView();
    PagerLayerBox& box = *hosts().pager();
    PagerOffset& pager = engine.pagerOffset();
    EXPECT_EQ(box.totalWidth(), 3 * 1440);
    EXPECT_FALSE(root.pagesPrepared());
    EXPECT_NE(hosts().pageView(0), nullptr);
    EXPECT_EQ(hosts().pageView(1), nullptr); // not built before preparation

    // Pulling the strip starts a scroll: every page is built.
    pager.setX(-100);
    EXPECT_TRUE(root.pagesPrepared());
    EXPECT_NE(hosts().pageView(2), nullptr);
    EXPECT_EQ(box.shownTranslation(), -100);

    // Finger events within one frame make one move at the next display tick.
    pager.setIsFollowingScroll(true);
    pager.setX(-120);
    pager.setX(-140);
    EXPECT_EQ(box.shownTranslation(), -100);
    // The first event after a pause glides over one frame from what is shown, and the engine
    // reads the glide's position meanwhile.
    scheduler.advance(kFrame + 1e-6);
    EXPECT_TRUE(box.isInterpolating());
    EXPECT_EQ(pager.presentationOffset(), box.shownTranslation());
    scheduler.advance(kFrame + 1e-6);
    EXPECT_EQ(box.shownTranslation(), -140);
    EXPECT_FALSE(pager.presentationOffset().has_value());
    pager.setIsFollowingScroll(false);

    // A settle commits the page and glides the offset back to rest.
    engine.settle(1, QStringLiteral("test"));
    EXPECT_EQ(pager.page(), 1);
    scheduler.advance(0.6);
    EXPECT_EQ(pager.x(), 0);
    EXPECT_EQ(box.shownTranslation(), -1440);
    EXPECT_FALSE(box.isFollowLinkRunning());
}

TEST_F(GridHostsTest, CapturedFramesTravelWithTheTranslation)
{
    storeWithPages({page({}), page({})});
    makeView();
    PagerLayerBox& box = *hosts().pager();
    std::optional<QHash<QUuid, QRectF>> icons;
    double shift = 0;
    box.onIconFrames = [&](const std::optional<QHash<QUuid, QRectF>>& f, double s) {
        if (f)
            icons = f;
        shift = s;
    };
    box.onChromeFrames = [](const std::optional<QList<QRectF>>&, double) {};
    const QUuid id = QUuid::createUuid();
    engine.pagerOffset().setX(-1000);
    FrameReport report(box.stripFrames(), FrameKind::icon);
    report.reportIcon(id, QRectF(10, 10, 50, 50));
    box.stripFrames().flush();
    ASSERT_TRUE(icons.has_value());
    EXPECT_EQ(shift, 0);
    engine.pagerOffset().setX(-1200);
    EXPECT_EQ(shift, -200);
}

// The engine hit-tests the frames the strip's cells reported, wherever the strip was when they
// were measured: paging away and back (before and after the other pages are built) must leave a
// press on an icon of the page shown hitting that icon.
TEST_F(GridHostsTest, PressesAfterPagingAwayAndBackHitThePageShown)
{
    for (const bool prepared : {false, true}) {
        SCOPED_TRACE(prepared ? "pages prepared" : "pages built on demand");
        const AppItem alpha = app(QStringLiteral("Alpha")), beta = app(QStringLiteral("Beta"));
        const AppItem board = app(QStringLiteral("白板")), other = app(QStringLiteral("Other"));
        storeWithPages({page({PageEntry(alpha), PageEntry(beta)}), page({PageEntry(board), PageEntry(other)})});
        TilehallContentView& root = makeView();
        if (prepared) {
            shortcuts.setTilehallVisible(true);
            show();
            scheduler.advance(1);
            ASSERT_TRUE(root.pagesPrepared());
        }
        const auto pressAt = [&](const QUuid& id) {
            const QPointF at = sceneCentreOfCell(id); // the root view fills the window at the scene origin
            LogCapture log;
            const QPointF window(at.x(), engine.contentSize.height() - at.y());
            engine.handleMouseDown(window);
            engine.handleMouseUp(window);
            return log.messages().filter(QStringLiteral("mouseDown")).join(QLatin1Char('|'));
        };
        for (int round = 0; round < 2; ++round) {
            engine.settle(1, QStringLiteral("test"));
            scheduler.advance(1);
            engine.settle(0, QStringLiteral("test"));
            scheduler.advance(1);
            ASSERT_EQ(engine.pagerOffset().page(), 0);
            EXPECT_TRUE(pressAt(alpha.id).contains(QStringLiteral("mouseDown hit entry — Alpha"))) << pressAt(alpha.id).toStdString();
            EXPECT_TRUE(pressAt(beta.id).contains(QStringLiteral("mouseDown hit entry — Beta")));
        }
        // A long press puts the grid into jiggle mode; presses still find their icons.
        const QPointF at = sceneCentreOfCell(alpha.id);
        const QPointF window(at.x(), engine.contentSize.height() - at.y());
        engine.handleMouseDown(window);
        scheduler.advance(1);
        engine.handleMouseUp(window);
        ASSERT_TRUE(engine.isJiggleMode());
        scheduler.advance(1);
        EXPECT_TRUE(pressAt(beta.id).contains(QStringLiteral("mouseDown hit entry — Beta")));
        engine.exitJiggleMode();
        delete view;
        view = nullptr;
        engine.resetDragState();
        engine.pagerOffset().setPage(0);
    }
}

// Cells measure again at any moment (a rescan's layout change, jiggle mode's wider frames) and
// the strip may move before the frames are handed on at the end of the turn; the engine must
// still find each icon where it is drawn.
TEST_F(GridHostsTest, FramesMeasuredWhileTheStripMovesHitWhereTheIconsAre)
{
    const AppItem alpha = app(QStringLiteral("Alpha")), beta = app(QStringLiteral("Beta"));
    const AppItem board = app(QStringLiteral("白板"));
    presentedView({page({PageEntry(alpha), PageEntry(beta)}), page({PageEntry(board)})});
    const auto hitAt = [&](const QPointF& scenePoint) {
        LogCapture log;
        const QPointF window(scenePoint.x(), engine.contentSize.height() - scenePoint.y());
        engine.handleMouseDown(window);
        engine.handleMouseUp(window);
        return log.messages().filter(QStringLiteral("mouseDown")).join(QLatin1Char('|'));
    };
    for (const double pulled : {-300.0, -1440.0, 700.0}) {
        SCOPED_TRACE(pulled);
        engine.pagerOffset().setX(pulled);
        for (int k = 0; k < 2; ++k)
            hosts().pageView(k)->reportFrames();
        engine.pagerOffset().setX(0);
        scheduler.advance(0.1);
        EXPECT_TRUE(hitAt(sceneCentreOfCell(alpha.id)).contains(QStringLiteral("mouseDown hit entry — Alpha")));
        EXPECT_TRUE(hitAt(sceneCentreOfCell(beta.id)).contains(QStringLiteral("mouseDown hit entry — Beta")));
        engine.resetDragState();
    }
}

TEST_F(GridHostsTest, OffScreenRenderShowsGridChromeAndDots)
{
    QList<TilehallPage> pages;
    for (int p = 0; p < 2; ++p) {
        QList<PageEntry> entries;
        for (int i = 0; i < 9; ++i)
            entries << PageEntry(app(QStringLiteral("App %1-%2").arg(p).arg(i)));
        pages << page(entries);
    }
    presentedView(pages);
    const QImage frame = render();
    if (const QString dir = qEnvironmentVariable("CORVANTA_SCREENSHOT_DIR"); !dir.isEmpty())
        frame.save(dir + QStringLiteral("/grid-hosts.png"));
    // The current page's dot is white.
    const PageIndicator& dots = *hosts().pageDots();
    const QPoint dot = dots.mapToScene(dots.dotRect(0).center()).toPoint();
    EXPECT_GT(qGray(frame.pixel(dot)), 230);
}

TEST_F(GridHostsTest, PagesFarFromTheOneOnScreenStayHiddenAndLoadNothing)
{
    QList<TilehallPage> pages;
    for (int i = 0; i < 6; ++i)
        pages << page({PageEntry(app(QStringLiteral("Far%1a").arg(i))), PageEntry(app(QStringLiteral("Far%1b").arg(i)))});
    TilehallContentView& root = presentedView(pages);
    ASSERT_TRUE(root.pagesPrepared());
    const auto shownPages = [this] {
        QList<int> shown;
        for (int k = 0; k < 6; ++k) {
            if (hosts().pageView(k)->isVisible())
                shown << k;
        }
        return shown;
    };
    for (int k = 0; k < 6; ++k)
        ASSERT_NE(hosts().pageView(k), nullptr) << k; // every page is built
    // The page on screen and its neighbour are shown; only their cells asked for their icons.
    EXPECT_EQ(shownPages(), (QList<int>{0, 1}));
    EXPECT_EQ(icons.missCount(), 4);
    EXPECT_FALSE(hosts().pageView(4)->hasCells()); // a far page holds its entries, not cells

    engine.pagerOffset().setPage(4);
    EXPECT_EQ(shownPages(), (QList<int>{3, 4, 5}));
    EXPECT_EQ(icons.missCount(), 10);
}

TEST_F(GridHostsTest, AShownOverlayAtRestRepaintsNothing)
{
    QList<TilehallPage> pages;
    for (int i = 0; i < 3; ++i)
        pages << page({PageEntry(app(QStringLiteral("Still%1a").arg(i))), PageEntry(app(QStringLiteral("Still%1b").arg(i)))});
    presentedView(pages);
    scheduler.advance(2); // the show, the page preparation and every fade are over
    for (int i = 0; i < 3; ++i) // the scene reports its changes one turn of the loop later
        QCoreApplication::processEvents();

    QList<QRectF> changed;
    QObject::connect(&scene, &QGraphicsScene::changed, &scene, [&changed](const QList<QRectF>& rects) { changed << rects; });
    scheduler.advance(10);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(changed.isEmpty()) << QDebug::toString(changed).toStdString();
    EXPECT_EQ(scheduler.pendingCount(), 0u); // no animation or timer keeps running
}

TEST(SearchField, MadeUnderAParentOnTheSceneTakesTheFocusWithoutAShow)
{
    VirtualScheduler scheduler;
    QGraphicsScene scene;
    auto* bar = new QGraphicsRectItem(QRectF(0, 0, 300, 40));
    scene.addItem(bar);
    auto* field = new TilehallSearchField(scheduler, bar);
    EXPECT_FALSE(field->isFocused());
    scheduler.advance(TilehallSearchField::kFocusDelay);
    EXPECT_TRUE(field->isFocused());
}

// A menu opening over the scene takes the keyboard from it twice over (the scene forgets the item
// that had it); once the window has it again, the field does too.
TEST(SearchField, TheKeyboardComesBackToTheFieldAfterAMenuOverTheScene)
{
    VirtualScheduler scheduler;
    QGraphicsScene scene;
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&scene, &activate);
    QFocusEvent sceneFocus(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(&scene, &sceneFocus);
    auto* bar = new QGraphicsRectItem(QRectF(0, 0, 300, 40));
    scene.addItem(bar);
    auto* field = new TilehallSearchField(scheduler, bar);
    scheduler.advance(TilehallSearchField::kFocusDelay);
    const auto fieldHasTheKeyboard = [&] { return scene.focusItem() && field->isAncestorOf(scene.focusItem()); };
    ASSERT_TRUE(fieldHasTheKeyboard());

    for (const QEvent::Type type : {QEvent::FocusOut, QEvent::FocusOut, QEvent::FocusIn}) {
        QFocusEvent focus(type, Qt::PopupFocusReason);
        QCoreApplication::sendEvent(&scene, &focus);
    }
    scheduler.advance(0);
    EXPECT_TRUE(fieldHasTheKeyboard()) << "the scene is left without the keyboard's item";
}

// Its menu opens on a right click even where its window is not the active one (as after a window
// closed over the overlay), when the field itself would take none.
TEST(SearchField, ItsMenuOpensInAWindowThatIsNotActive)
{
    VirtualScheduler scheduler;
    QGraphicsScene scene;
    QGraphicsView view(&scene);
    auto* bar = new QGraphicsRectItem(QRectF(0, 0, 300, 40));
    scene.addItem(bar);
    auto* field = new TilehallSearchField(scheduler, bar);
    field->setSize(QSizeF(300, 36));
    ASSERT_FALSE(scene.isActive());
    QStringList shown;
    QTimer::singleShot(0, [&shown] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            for (const QAction* action : popup->actions())
                shown << action->text();
            popup->close();
        }
    });
    QGraphicsSceneContextMenuEvent event(QEvent::GraphicsSceneContextMenu);
    event.setScenePos(field->mapToScene(QPointF(100, 18)));
    event.setReason(QGraphicsSceneContextMenuEvent::Mouse);
    QCoreApplication::sendEvent(&scene, &event);
    EXPECT_FALSE(shown.isEmpty()) << "no menu";
}
