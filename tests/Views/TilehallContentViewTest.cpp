#include "Services/AppScanner.h"
#include "Views/ContentLayers.h"
#include "Views/GridHosts.h"
#include "Views/TilehallSearchField.h"
#include "Views/RootViewTestKit.h"
#include "Views/WallpaperBackground.h"

#include <QGraphicsRectItem>
#include <QPropertyAnimation>

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

constexpr double kFrame = 1.0 / 60;

// A layout of `count` pages of two applications each.
QList<TilehallPage> pagesOf(int count)
{
    QList<TilehallPage> pages;
    for (int i = 0; i < count; ++i)
        pages << page({PageEntry(app(QStringLiteral("A%1").arg(i))), PageEntry(app(QStringLiteral("B%1").arg(i)))});
    return pages;
}

bool gestureFlags(const InteractionManager& engine)
{
    EXPECT_EQ(engine.wheelPagingEnabled, engine.longPressEnabled);
    EXPECT_EQ(engine.wheelPagingEnabled, engine.reorderEnabled);
    return engine.wheelPagingEnabled;
}

} // namespace

TEST_F(RootViewTest, AppearingSyncsTheEngine)
{
    LogCapture log;
    const AppGroup tools = folder(QStringLiteral("Tools"), {app(QStringLiteral("Saw")), app(QStringLiteral("Drill"))});
    const AppItem mail = app(QStringLiteral("Mail"));
    storeWithPages({page({PageEntry(mail), PageEntry(tools)}), page({})});
    engine.wheelPagingEnabled = engine.longPressEnabled = engine.reorderEnabled = false;
    makeView();

    EXPECT_TRUE(log.contains(QStringLiteral("TilehallContentView appeared — pages: 2, apps: 0")));
    EXPECT_EQ(engine.pageCount, 2);
    EXPECT_EQ(engine.screenWidth, kScreenWidth);
    EXPECT_EQ(engine.contentSize, QSizeF(1440, 900));
    EXPECT_TRUE(gestureFlags(engine));

    // Lookups: the layout's applications (also inside folders), its folders, its pages.
    ASSERT_TRUE(engine.appLookup(mail.id).has_value());
    EXPECT_EQ(engine.appLookup(mail.id)->name, "Mail");
    EXPECT_EQ(engine.appLookup(tools.apps.at(1).id)->name, "Drill");
    EXPECT_FALSE(engine.appLookup(QUuid::createUuid()).has_value());
    EXPECT_EQ(engine.groupLookup(tools.id)->name, "Tools");
    EXPECT_FALSE(engine.groupLookup(mail.id).has_value());
    EXPECT_EQ(engine.pageEntryIDsProvider(0), (QList<QUuid>{mail.id, tools.id}));
    EXPECT_TRUE(engine.pageEntryIDsProvider(1).isEmpty());
    EXPECT_TRUE(engine.pageEntryIDsProvider(2).isEmpty());
    EXPECT_TRUE(engine.pageEntryIDsProvider(-1).isEmpty());

    // A scanned application is found first, under the same id.
    AppItem renamed = mail;
    renamed.name = QStringLiteral("Mail (scanned)");
    store->updateScannedApps({renamed}, [](const QString&) { return true; });
    EXPECT_EQ(engine.appLookup(mail.id)->name, "Mail (scanned)");
}

TEST_F(RootViewTest, EmptyLayoutStillHasOnePage)
{
    storeWithPages({});
    engine.pageCount = 7;
    makeView();
    EXPECT_EQ(engine.pageCount, 1);
}

TEST_F(RootViewTest, GestureFlagsAreOffWhileSearchingOrWithAFolderOpen)
{
    const AppGroup tools = folder(QStringLiteral("Tools"), {app(QStringLiteral("Saw")), app(QStringLiteral("Drill"))});
    storeWithPages({page({PageEntry(tools)})});
    TilehallContentView& root = makeView();

    root.setIsSearching(true);
    EXPECT_FALSE(gestureFlags(engine));
    root.openFolder(tools.id, std::nullopt);
    root.setIsSearching(false);
    EXPECT_FALSE(gestureFlags(engine)); // the folder still holds them off
    EXPECT_EQ(engine.openedGroupID(), tools.id);
    // The panel opens, and folds back on Esc; once it has, the flags return.
    scheduler.advance(0);
    scheduler.advance(0.3);
    EXPECT_TRUE(engine.onEscape());
    EXPECT_FALSE(gestureFlags(engine));
    scheduler.advance(0.3);
    EXPECT_TRUE(gestureFlags(engine));
    EXPECT_FALSE(engine.openedGroupID().has_value());

    // A search closes an open folder at once.
    root.openFolder(tools.id, std::nullopt);
    root.setSearchText(QStringLiteral("sa"));
    root.performSearch();
    EXPECT_TRUE(root.isSearching());
    EXPECT_FALSE(root.openedGroupID().has_value());
    EXPECT_FALSE(gestureFlags(engine));
}

TEST_F(RootViewTest, PageCountAndPagerFollowTheLayout)
{
    storeWithPages(pagesOf(4));
    TilehallContentView& root = makeView();
    engine.pagerOffset().setPage(3);

    // Emptying the last two pages: the pager moves back to the last page that remains.
    for (int p : {3, 2}) {
        const QList<PageEntry> entries = store->layout().pages.at(p).entries;
        for (const PageEntry& e : entries)
            store->removeApp(e.id());
    }
    store->removeEmptyPages();
    EXPECT_EQ(engine.pageCount, 2);
    EXPECT_EQ(engine.pagerOffset().page(), 1);

    // A scene change starts over on page 0 without search or open folder.
    root.setSearchText(QStringLiteral("x"));
    root.performSearch();
    const QUuid fresh = store->createScene(QStringLiteral("Empty"));
    store->switchScene(fresh);
    EXPECT_EQ(engine.pagerOffset().page(), 0);
    EXPECT_TRUE(root.searchText().isEmpty());
    EXPECT_FALSE(root.isSearching());
    EXPECT_GE(engine.pageCount, 1);
}

TEST_F(RootViewTest, AnEndedReorderDragRemovesEmptyPagesOnce)
{
    QList<TilehallPage> pages = pagesOf(1);
    pages << page({}) << pagesOf(1);
    storeWithPages(pages);
    makeView();
    ASSERT_EQ(store->layout().pages.size(), 3);

    engine.resetDragState(); // no drag was under way: nothing happens
    EXPECT_EQ(store->layout().pages.size(), 3);

    engine.beginReorderDrag(store->layout().pages.at(0).entries.at(0).id(), {100, 100});
    EXPECT_EQ(store->layout().pages.size(), 3);
    engine.resetDragState();
    EXPECT_EQ(store->layout().pages.size(), 2);
}

TEST_F(RootViewTest, BackgroundFollowsTheBackgroundType)
{
    LayoutConfig config;
    config.backgroundType = BackgroundType::color;
    config.backgroundColor = QStringLiteral("#3366CC");
    storeWithPages(pagesOf(1), config);
    TilehallContentView& root = makeView(true);

    ASSERT_NE(root.colorBackdrop(), nullptr);
    EXPECT_TRUE(root.colorBackdrop()->isVisible());
    EXPECT_EQ(root.wallpaperBackground(), nullptr); // no wallpaper is asked for
    EXPECT_EQ(render().pixel(720, 450), QColor(0x33, 0x66, 0xCC).rgb());
    EXPECT_EQ(render().pixel(0, 899), QColor(0x33, 0x66, 0xCC).rgb());

    struct Case {
        BackgroundType type;
        double expectedStrength;
    };
    for (const Case& c : {Case{BackgroundType::blur, 0.6}, Case{BackgroundType::wallpaper, 0.0}, Case{BackgroundType::blur, 0.6}}) {
        config.backgroundType = c.type;
        config.blurStrength = 0.6;
        store->setConfig(config);
        ASSERT_NE(root.wallpaperBackground(), nullptr);
        EXPECT_TRUE(root.wallpaperBackground()->isVisible());
        EXPECT_FALSE(root.colorBackdrop()->isVisible());
        EXPECT_EQ(root.wallpaperBackground()->blurStrength(), c.expectedStrength);
        EXPECT_EQ(root.wallpaperBackground()->size(), QSizeF(1440, 900));
    }
    config.backgroundType = BackgroundType::color;
    config.backgroundColor = QStringLiteral("#bad"); // neither six nor eight digits: opaque black
    store->setConfig(config);
    EXPECT_FALSE(root.wallpaperBackground()->isVisible());
    EXPECT_EQ(render().pixel(720, 450), QColor(Qt::black).rgb());
}

TEST_F(RootViewTest, ShowAndHideZoomAndFadeOnTheirCurves)
{
    storeWithPages(pagesOf(1));
    TilehallContentView& root = makeView(false);
    EXPECT_EQ(root.opacity(), 0); // hidden until shown

    show(0.25);
    EXPECT_DOUBLE_EQ(root.presentedContentScale(), 1.1);
    EXPECT_EQ(root.presentedOpacity(), 0);
    scheduler.advance(0.125);
    const double scaleMid = root.presentedContentScale();
    const double opacityMid = root.opacity();
    // Ease-out: well past half way at half time.
    EXPECT_NEAR(opacityMid, TilehallContentView::showCurve().value(0.5), 0.05);
    EXPECT_GT(opacityMid, 0.6);
    EXPECT_NEAR(scaleMid, 1.1 - 0.1 * opacityMid, 0.01);
    EXPECT_DOUBLE_EQ(root.mainContent()->scale(), scaleMid);
    scheduler.advance(0.125 + kFrame);
    EXPECT_EQ(root.opacity(), 1);
    EXPECT_EQ(root.presentedContentScale(), 1);

    hide(0.25);
    scheduler.advance(0.125);
    // Ease-in: little has happened at half time.
    EXPECT_GT(root.opacity(), 0.6);
    EXPECT_LT(root.opacity(), 0.75);
    EXPECT_GT(root.presentedContentScale(), 1.0);
    EXPECT_LT(root.presentedContentScale(), 1.04);

    // A show that interrupts the hide and continues it does not jump to 1.1 first.
    const double scaleAtInterrupt = root.presentedContentScale();
    engine.suppressTransitionAnimation = true;
    show(0.25);
    EXPECT_FALSE(engine.suppressTransitionAnimation);
    EXPECT_DOUBLE_EQ(root.presentedContentScale(), scaleAtInterrupt);
    scheduler.advance(0.25 + kFrame);
    EXPECT_EQ(root.presentedContentScale(), 1);
    EXPECT_EQ(root.opacity(), 1);

    hide(0.1);
    scheduler.advance(0.1 + kFrame);
    EXPECT_EQ(root.opacity(), 0);
    EXPECT_DOUBLE_EQ(root.presentedContentScale(), 1.1);
}

TEST_F(RootViewTest, PinchProgressDrivesOpacityAndScaleDirectly)
{
    storeWithPages(pagesOf(1));
    TilehallContentView& root = makeView(false);
    hide();
    scheduler.advance(0.3);

    struct Case {
        double progress;
        double scale;
    };
    for (const Case& c : {Case{0, 1.1}, Case{0.5, 1.05}, Case{1, 1.0}}) {
        engine.setInteractiveProgress(c.progress);
        EXPECT_DOUBLE_EQ(root.opacity(), c.progress);
        EXPECT_DOUBLE_EQ(root.mainContent()->scale(), c.scale);
    }
    engine.setInteractiveProgress(std::nullopt);
    EXPECT_EQ(root.contentScale(), 1); // reset, not animated
    EXPECT_EQ(root.mainContent()->scale(), 1);

    // With the window's layer transition on, the view itself stays at rest, pinch or not.
    delete view;
    view = nullptr;
    TilehallContentView& layered = makeView(true);
    engine.setInteractiveProgress(0.25);
    EXPECT_DOUBLE_EQ(layered.opacity(), 0.25);
    engine.setInteractiveProgress(std::nullopt);
    engine.suppressTransitionAnimation = true;
    show();
    EXPECT_EQ(layered.opacity(), 1);
    EXPECT_EQ(layered.mainContent()->scale(), 1);
    EXPECT_FALSE(engine.suppressTransitionAnimation);
    hide();
    EXPECT_EQ(layered.opacity(), 1);
    EXPECT_EQ(layered.rootOpacity(), 0);
}

TEST_F(RootViewTest, OffScreenPagesArePreparedAfterTheFirstShow)
{
    storeWithPages(pagesOf(3));
    // Turning to a page builds every page, so the view comes up on page 1.
    engine.pagerOffset().setPage(1);
    TilehallContentView& root = makeView();
    int changes = 0;
    QObject::connect(&root, &TilehallContentView::pagesPreparedChanged, [&] { ++changes; });

    EXPECT_EQ(QList<bool>({root.buildsPage(0), root.buildsPage(1), root.buildsPage(2)}), QList<bool>({false, true, false}));
    show(0.25);
    scheduler.advance(0.25 + 0.08 - 0.001);
    EXPECT_FALSE(root.pagesPrepared());
    scheduler.advance(0.002);
    EXPECT_TRUE(root.pagesPrepared());
    EXPECT_TRUE(root.buildsPage(0) && root.buildsPage(2));
    hide();
    show();
    scheduler.advance(1);
    EXPECT_EQ(changes, 1); // once for the life of the view

    delete view;
    view = nullptr;
    TilehallContentView& warmed = makeView();
    engine.setPrepareAllPagesRequested(true);
    EXPECT_TRUE(warmed.pagesPrepared());
}

TEST_F(RootViewTest, AnOpenFolderFadesTheMainContentAndBlocksItsChrome)
{
    const AppGroup tools = folder(QStringLiteral("Tools"), {app(QStringLiteral("Saw")), app(QStringLiteral("Drill"))});
    storeWithPages({page({PageEntry(tools)})});
    TilehallContentView& root = makeView(true);
    show();

    // Without a grid frame for it, the folder grows from a 72 pt square in the middle.
    root.openFolder(tools.id, std::nullopt);
    EXPECT_EQ(root.folderSourceFrame(), QRectF(684, 414, 72, 72));
    EXPECT_TRUE(root.folderAnimating());
    EXPECT_FALSE(root.hosts()->searchField()->takesClicks());
    EXPECT_FALSE(root.pageDotsArea()->isEnabled());
    scheduler.advance(0.14);
    EXPECT_GT(root.mainContent()->opacity(), 0);
    EXPECT_LT(root.mainContent()->opacity(), 1);
    scheduler.advance(0.14 + kFrame);
    EXPECT_EQ(root.mainContent()->opacity(), 0);
    EXPECT_EQ(root.searchBarArea()->opacity(), 0);
    EXPECT_EQ(root.pageDotsArea()->opacity(), 0);

    // A second folder request is dropped while one is open.
    root.openFolder(QUuid::createUuid(), QRectF(0, 0, 50, 50));
    EXPECT_EQ(root.openedGroupID(), tools.id);

    // The panel has opened by now. As soon as the close starts, the content fades back in; the
    // chrome takes clicks once the panel has folded back and the folder is forgotten.
    EXPECT_FALSE(root.folderAnimating());
    root.closeFolderAnimated();
    EXPECT_TRUE(root.folderClosing());
    scheduler.advance(0.14);
    EXPECT_GT(root.mainContent()->opacity(), 0);
    EXPECT_FALSE(root.hosts()->searchField()->takesClicks());
    EXPECT_TRUE(root.openedGroupID().has_value());
    scheduler.advance(0.14 + kFrame);
    EXPECT_EQ(root.mainContent()->opacity(), 1);
    EXPECT_FALSE(root.openedGroupID().has_value());
    EXPECT_TRUE(root.hosts()->searchField()->takesClicks());

    // With a search text the page dots hide and take no clicks; an empty search keeps them.
    root.setIsSearching(true);
    EXPECT_TRUE(root.pageDotsVisible());
    EXPECT_FALSE(root.showsSearchResults());
    root.setSearchText(QStringLiteral("sa"));
    EXPECT_FALSE(root.pageDotsVisible());
    EXPECT_FALSE(root.pageDotsArea()->isEnabled());
    EXPECT_TRUE(root.showsSearchResults());

    // Every show starts with the folder closed.
    root.openFolder(tools.id, std::nullopt);
    hide();
    show();
    EXPECT_FALSE(root.openedGroupID().has_value());
}

TEST_F(RootViewTest, EscapeAndBlankClickArbitration)
{
    const AppGroup tools = folder(QStringLiteral("Tools"), {app(QStringLiteral("Saw")), app(QStringLiteral("Drill"))});
    storeWithPages({page({PageEntry(tools), PageEntry(app(QStringLiteral("Mail")))})});
    TilehallContentView& root = makeView(true);
    engine.setModalScrimOpacity(0.35);
    engine.suppressScrollPaging = true;
    root.setUninstallScanningApp(app(QStringLiteral("Mail")));
    root.openFolder(tools.id, std::nullopt);
    scheduler.advance(0);
    scheduler.advance(0.3); // the panel has opened
    root.setSearchText(QStringLiteral("m"));

    EXPECT_TRUE(engine.onBlankClick()); // the sheet keeps the overlay open
    EXPECT_TRUE(root.showsUninstallSheet());
    EXPECT_TRUE(engine.onEscape()); // closes only the sheet
    EXPECT_FALSE(root.showsUninstallSheet());
    EXPECT_EQ(engine.modalScrimOpacity(), 0);
    EXPECT_FALSE(engine.suppressScrollPaging);
    EXPECT_EQ(root.openedGroupID(), tools.id);
    EXPECT_TRUE(engine.onEscape()); // then clears the search
    EXPECT_TRUE(root.searchText().isEmpty());
    EXPECT_EQ(root.openedGroupID(), tools.id);
    EXPECT_TRUE(engine.onTitleTap());
    EXPECT_TRUE(root.isEditingFolderName());
    EXPECT_TRUE(engine.onBlankClick()); // starts closing the folder
    EXPECT_TRUE(root.folderClosing());
    EXPECT_TRUE(engine.onEscape()); // during the close: consumed, nothing more
    EXPECT_TRUE(root.folderClosing());
    scheduler.advance(0.28 + kFrame); // the panel folds back and the folder is forgotten
    EXPECT_FALSE(root.openedGroupID().has_value());
    EXPECT_FALSE(engine.onBlankClick()); // nothing left: the overlay may close
    EXPECT_FALSE(engine.onEscape());
    EXPECT_FALSE(engine.onTitleTap());
}

TEST_F(RootViewTest, LayoutPassPlacesTheAreasFromTheGridMetrics)
{
    LogCapture log;
    storeWithPages(pagesOf(1));
    TilehallContentView& root = makeView();
    const GridMetrics& m = root.metrics();
    EXPECT_EQ(m.marginX, 125); // 1440 × 900, 5 × 7
    EXPECT_EQ(root.searchBarArea()->pos(), QPointF((1440 - 255) / 2.0, 56));
    EXPECT_EQ(root.searchBarArea()->size(), QSizeF(255, 36));
    EXPECT_EQ(root.gridArea()->pos(), QPointF(0, 92));
    EXPECT_DOUBLE_EQ(root.gridArea()->size().height(), m.rowPitch * 5);
    EXPECT_DOUBLE_EQ(root.pageDotsArea()->pos().y() + root.pageDotsArea()->size().height(), 900 - m.dotsBottomPadding);

    LayoutConfig config = store->config();
    config.rows = 4;
    config.columns = 6;
    store->setConfig(config);
    EXPECT_EQ(root.metrics().columns, 6);
    root.setSize({1728, 1117});
    EXPECT_EQ(root.metrics().marginX, 76);
    EXPECT_EQ(engine.contentSize, QSizeF(1728, 1117));
    EXPECT_LE(log.count(QStringLiteral("阶段63 布局探针：")), 1); // once per process
}

TEST_F(RootViewTest, RendersTheSampleApplicationsOffScreen)
{
    const QString samples = QStringLiteral(CORVANTA_SAMPLE_APPS);
    const AppScanner scanner({samples, samples + QStringLiteral("/Utilities")},
        {std::make_shared<FileBundleReader>(), std::make_shared<NoDisplayNameSource>(), {QStringLiteral("en-US")},
            QLocale(QLocale::English, QLocale::UnitedStates)});
    makeStore().updateScannedApps(scanner.scanAll());
    ASSERT_FALSE(store->layout().pages.isEmpty());
    TilehallContentView& root = makeView(true);
    EXPECT_EQ(engine.pageCount, store->layout().pages.size());
    wallpaper.runJobs();
    root.wallpaperBackground()->fadeAnimation()->setCurrentTime(WallpaperBackground::kFadeMilliseconds);
    const QImage frame = render();
    ASSERT_FALSE(frame.isNull());
    // The blurred red test wallpaper covers the whole overlay (seen between the icons).
    for (const QPoint p : {QPoint(0, 0), QPoint(2, 450), QPoint(1439, 899)}) {
        const QColor c = frame.pixelColor(p);
        EXPECT_GT(c.red(), 150) << p.x();
        EXPECT_LT(c.blue(), 80) << p.x();
        EXPECT_EQ(c.alpha(), 255);
    }
    if (const QString dir = qEnvironmentVariable("CORVANTA_SCREENSHOT_DIR"); !dir.isEmpty())
        frame.save(dir + QStringLiteral("/root-view.png"));
}

TEST_F(RootViewTest, HostedViewFollowsTheSceneRect)
{
    storeWithPages(pagesOf(1));
    scene.setSceneRect(0, 0, 1448, 908); // a window of a 1440 × 900 screen grown by 4 pt
    // Made straight into the window's content layer, as the shell does.
    LogCapture log;
    auto* contentLayer = new QGraphicsRectItem(0, 0, 1448, 908);
    scene.addItem(contentLayer);
    view = new TilehallContentView(*store, engine, shortcuts, *wallpaper.store, icons, scheduler, options(true), contentLayer);
    TilehallContentView& root = *view;
    EXPECT_TRUE(log.contains(QStringLiteral("TilehallContentView appeared")));
    EXPECT_TRUE(bool(engine.onEscape));
    root.setFollowsSceneRect(true);
    EXPECT_EQ(root.size(), QSizeF(1448, 908));
    EXPECT_EQ(engine.contentSize, QSizeF(1448, 908));

    scene.setSceneRect(0, 0, 1736, 1125); // moved to another screen
    EXPECT_EQ(root.size(), QSizeF(1736, 1125));
    EXPECT_EQ(root.wallpaperBackground()->size(), QSizeF(1736, 1125));

    QGraphicsScene other;
    other.setSceneRect(0, 0, 800, 600);
    root.setParentItem(nullptr);
    scene.removeItem(&root);
    other.addItem(&root);
    scene.setSceneRect(0, 0, 100, 100); // the old scene no longer sizes it
    EXPECT_EQ(root.size(), QSizeF(800, 600));
    other.removeItem(&root);
}
