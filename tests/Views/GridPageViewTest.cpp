#include "GridCellTestKit.h"

#include "Platform/Bundle.h"
#include "Support/InteractionTestKit.h"
#include "Views/ReorderGhostHost.h"
#include "Services/AppScanner.h"
#include "Views/AppIconView.h"
#include "Views/GroupIconView.h"
#include "Views/ReorderGhostView.h"
#include "Views/ReorderPlaceholderView.h"
#include "Views/TilehallGridView.h"

#include <QDir>

#include <cmath>

using namespace corvanta;
using namespace corvanta::test;

namespace {

TilehallPage pageOf(const QList<PageEntry>& entries)
{
    TilehallPage p;
    p.id = QUuid::createUuid();
    p.entries = entries;
    return p;
}

// Where a spring of `p` started at rest `distance` short of its target has got to after `t`.
double springAt(const InterpolatingSpring::Parameters& p, double distance, double t)
{
    const double w0 = std::sqrt(p.stiffness / p.mass);
    const double zeta = p.damping / (2 * std::sqrt(p.stiffness * p.mass));
    const double wd = w0 * std::sqrt(1 - zeta * zeta);
    return distance * std::exp(-zeta * w0 * t) * (std::cos(wd * t) + zeta * w0 / wd * std::sin(wd * t));
}

} // namespace

class GridPageTest : public GridCellTest {
protected:
    QList<PageEntry> apps(int count)
    {
        QList<PageEntry> out;
        for (int i = 0; i < count; ++i)
            out.append(PageEntry(app(QStringLiteral("App%1").arg(i))));
        return out;
    }
    TilehallGridView* makePage(const TilehallPage& page, QPointF at = {0, 0})
    {
        auto* view = new TilehallGridView(services(), page, metrics100());
        view->setPos(at);
        scene.addItem(view);
        return view;
    }
};

TEST_F(GridPageTest, PlacesIndexNByColumnAndRow)
{
    const GridMetrics m = metrics100();
    struct Case {
        qsizetype index;
        QPointF origin;
    };
    const Case cases[] = {{0, {0, 0}}, {3, {510, 0}}, {5, {170, 150}}, {12, {0, 450}}, {-1, {0, 0}}};
    for (const Case& c : cases)
        EXPECT_EQ(TilehallGridView::slotOrigin(c.index, m), c.origin) << c.index;

    const TilehallPage page = pageOf(apps(14)); // more than 3 × 4: further rows, nothing dropped
    TilehallGridView* view = makePage(page, {125, 92});
    EXPECT_EQ(view->boundingRect(), QRectF(0, 0, 680, 450));
    EXPECT_EQ(view->appCell(page.entries[5].id())->pos(), QPointF(170, 150));
    EXPECT_EQ(view->appCell(page.entries[13].id())->pos(), QPointF(170, 450));
    frames.flush();
    EXPECT_EQ(frames.iconFrames().value(page.entries[5].id()), QRectF(125 + 170 + 35, 92 + 150 + 9, 100, 100));
    EXPECT_EQ(frames.iconFrames().size(), 14);

    TilehallGridView* empty = makePage(pageOf({}));
    EXPECT_EQ(empty->boundingRect(), QRectF(0, 0, 680, 450));
    EXPECT_TRUE(empty->childItems().isEmpty());
}

TEST_F(GridPageTest, RebuildKeepsCellsByEntryID)
{
    TilehallPage page = pageOf(apps(3));
    AppGroup folder;
    folder.id = QUuid::createUuid();
    folder.name = QStringLiteral("Utilities");
    folder.apps = {app(QStringLiteral("Terminal"))};
    page.entries.append(PageEntry(folder));
    TilehallGridView* view = makePage(page);
    AppIconView* first = view->appCell(page.entries[0].id());
    GroupIconView* folderCell = view->groupCell(folder.id);
    QImage icon(8, 8, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::blue);
    first->setIcon(icon);

    TilehallPage rebuilt = page;
    rebuilt.entries[0].asApp()->name = QStringLiteral("Renamed");
    rebuilt.entries.removeAt(1);
    view->setPage(rebuilt, false);
    EXPECT_EQ(view->appCell(page.entries[0].id()), first);
    EXPECT_EQ(first->app().name, QStringLiteral("Renamed"));
    EXPECT_EQ(first->icon(), icon);
    EXPECT_EQ(view->groupCell(folder.id), folderCell);
    EXPECT_EQ(folderCell->pos(), QPointF(340, 0)); // not animated: jumps
    EXPECT_FALSE(view->appCell(page.entries[1].id()));
    frames.flush();
    EXPECT_FALSE(frames.iconFrames().contains(page.entries[1].id()));
}

TEST_F(GridPageTest, ReorderGlidesOnTheSpringAndTheDraggedEntryJumps)
{
    TilehallPage page = pageOf(apps(5));
    TilehallGridView* view = makePage(page);
    const QUuid moved = page.entries[0].id();
    const QUuid shifted = page.entries[1].id();

    TilehallGridView::State state;
    state.reorderDraggedEntryID = moved;
    view->setState(state);
    ASSERT_TRUE(view->placeholder());
    EXPECT_FALSE(view->appCell(moved)->isVisible());

    TilehallPage after = page;
    after.entries.move(0, 3);
    view->setPage(after, true);
    EXPECT_EQ(view->appCell(moved)->pos(), QPointF(510, 0)); // the dragged one, without animation
    EXPECT_EQ(view->placeholder()->pos(), QPointF(510, 0));
    EXPECT_EQ(view->appCell(shifted)->pos(), QPointF(170, 0)); // still where it was
    EXPECT_TRUE(view->isSettling());

    scheduler.advance(0.05);
    const double x = view->appCell(shifted)->pos().x();
    EXPECT_NEAR(x, 0 + springAt(TilehallGridView::reorderSpring(), 170, 0.05), 3.0);
    // Its frame is already the new slot's.
    frames.flush();
    EXPECT_EQ(frames.iconFrames().value(shifted), QRectF(35, 9, 100, 100));
    scheduler.advance(1.0);
    EXPECT_EQ(view->appCell(shifted)->pos(), QPointF(0, 0));
    EXPECT_FALSE(view->isSettling());

    view->setState({}); // dropped: the cell is back in its new slot
    EXPECT_FALSE(view->placeholder());
    EXPECT_TRUE(view->appCell(moved)->isVisible());
    EXPECT_EQ(view->appCell(moved)->pos(), QPointF(510, 0));
}

TEST_F(GridPageTest, DraggedEntryKeepsReportingThroughItsPlaceholder)
{
    AppGroup folder;
    folder.id = QUuid::createUuid();
    folder.name = QStringLiteral("F");
    TilehallPage page = pageOf(apps(2));
    page.entries.append(PageEntry(folder));
    TilehallGridView* view = makePage(page);

    TilehallGridView::State state;
    state.reorderDraggedEntryID = folder.id; // a folder, too, shows as a placeholder
    state.trackFrames = false;                // a folder is open: the cells report nothing...
    view->setState(state);
    ASSERT_TRUE(view->placeholder());
    EXPECT_EQ(view->placeholder()->entryID(), folder.id);
    EXPECT_FALSE(view->groupCell(folder.id)->isVisible());
    frames.flush();
    EXPECT_EQ(frames.iconFrames().size(), 1); // ...but the placeholder does
    EXPECT_EQ(frames.iconFrames().value(folder.id), QRectF(340 + 35, 9, 100, 100));
}

TEST_F(GridPageTest, CellInputsFollowTheState)
{
    const AppItem own = app(QStringLiteral("Corvanta"), QStringLiteral("com.corvanta.app"));
    const AppItem system = app(QStringLiteral("Calc"), QStringLiteral("org.example.calc"), QStringLiteral("/System/Applications/Calc.app"));
    const AppItem vendor = app(QStringLiteral("Safari"), QStringLiteral("com.apple.Safari"));
    const AppItem user = app(QStringLiteral("Editor"));
    AppGroup folder;
    folder.id = QUuid::createUuid();
    const TilehallPage page = pageOf({own, system, vendor, user, folder});
    TilehallGridView* view = makePage(page);
    for (const AppItem& a : {own, system, vendor, user})
        EXPECT_FALSE(view->appCell(a.id)->inputs().showDeleteBadge);

    TilehallGridView::State state;
    state.isJiggleMode = true;
    state.launchingAppID = user.id;
    state.mergeCandidateID = vendor.id;
    state.openedGroupID = folder.id;
    view->setState(state);
    EXPECT_FALSE(view->appCell(own.id)->inputs().showDeleteBadge);
    EXPECT_FALSE(view->appCell(system.id)->inputs().showDeleteBadge);
    EXPECT_FALSE(view->appCell(vendor.id)->inputs().showDeleteBadge);
    EXPECT_TRUE(view->appCell(user.id)->inputs().showDeleteBadge);
    EXPECT_TRUE(view->appCell(user.id)->inputs().isLaunching);
    EXPECT_TRUE(view->appCell(vendor.id)->inputs().isMergeTarget);
    EXPECT_TRUE(view->appCell(own.id)->inputs().isJiggling);
    EXPECT_TRUE(view->groupCell(folder.id)->inputs().isOpened);
    EXPECT_TRUE(view->groupCell(folder.id)->isVisible()); // kept in the page, only transparent

    std::optional<AppItem> launched, deleted;
    std::optional<QUuid> opened;
    view->onLaunch = [&](const AppItem& a) { launched = a; };
    view->onDelete = [&](const AppItem& a) { deleted = a; };
    view->onGroupOpen = [&](const QUuid& id) { opened = id; };
    view->appCell(user.id)->onTap();
    view->appCell(user.id)->onDelete();
    EXPECT_EQ(launched->id, user.id);
    EXPECT_EQ(deleted->id, user.id);
    click(QPointF(85, 150 + 59)); // index 4 is on the second row; open, so untouchable
    EXPECT_FALSE(opened);
    state.openedGroupID.reset();
    view->setState(state);
    click(QPointF(85, 150 + 59));
    EXPECT_EQ(opened, folder.id);
}

TEST_F(GridPageTest, CachedIconsShowAtOnceOthersLoad)
{
    const AppItem cached = app(QStringLiteral("Cached"));
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::yellow);
    systemIcons.set(cached.path(), image);
    icons.loadImage(IconCache::cacheKey(cached), cached.path());
    const AppItem cold = app(QStringLiteral("Cold"));
    TilehallGridView* view = makePage(pageOf({cached, cold}));
    EXPECT_FALSE(view->appCell(cached.id)->icon().isNull());
    EXPECT_TRUE(view->appCell(cold.id)->icon().isNull());
    loadIcons();
    EXPECT_FALSE(view->appCell(cold.id)->icon().isNull());
}

class GhostTest : public GridCellTest {};

TEST_F(GhostTest, FollowsTheCursorThenSpringsOntoTheSlot)
{
    const AppItem a = app(QStringLiteral("Notes"));
    auto* ghost = new ReorderGhostView(services(), PageEntry(a), metrics100());
    scene.addItem(ghost);
    EXPECT_EQ(ghost->ghostScale(), 1.12);
    EXPECT_EQ(ghost->sceneBoundingRect().width(), (100 + 40) * 1.12); // 112 for the icon, plus shadow room
    ghost->setCursor({300, 200});
    EXPECT_EQ(ghost->pos(), QPointF(300, 200));
    ghost->setCursor({320, 210});
    EXPECT_EQ(ghost->pos(), QPointF(320, 210));

    ghost->setDropTarget(QRectF(500, 300, 100, 100)); // centre (550, 350)
    ghost->setCursor({0, 0});                         // ignored from now on
    scheduler.advance(0.1);
    const auto spring = ReorderGhostView::ghostSpring();
    EXPECT_NEAR(ghost->position().x(), 550 - springAt(spring, 230, 0.1), 1.0);
    EXPECT_NEAR(ghost->position().y(), 350 - springAt(spring, 140, 0.1), 1.0);
    EXPECT_NEAR(ghost->ghostScale(), 1 + springAt(spring, 0.12, 0.1), 0.01);
    scheduler.advance(2);
    EXPECT_EQ(ghost->position(), QPointF(550, 350));
    EXPECT_EQ(ghost->ghostScale(), 1);
    EXPECT_FALSE(ghost->isFlying());
    EXPECT_EQ(ghost->acceptedMouseButtons(), Qt::NoButton);
}

TEST_F(GhostTest, ApplicationGhostLoadsItsIcon)
{
    const AppItem a = app(QStringLiteral("Notes"));
    auto* ghost = new ReorderGhostView(services(), PageEntry(a), metrics100());
    scene.addItem(ghost);
    EXPECT_TRUE(ghost->icon().isNull());
    loadIcons();
    EXPECT_FALSE(ghost->icon().isNull());

    AppGroup folder;
    folder.id = QUuid::createUuid();
    auto* folderGhost = new ReorderGhostView(services(), PageEntry(folder), metrics100());
    scene.addItem(folderGhost);
    EXPECT_TRUE(folderGhost->icon().isNull());
}

TEST_F(GhostTest, HostShowsTheGhostForTheEngineDrag)
{
    FakeInteractionPlatform platform;
    InteractionManager engine(scheduler, platform, PagerVariants{});
    const AppItem a = app(QStringLiteral("Notes"));
    QGraphicsRectItem layer;
    scene.addItem(&layer);
    ReorderGhostHost host(services(), engine, &layer,
        [&](const QUuid& id) { return id == a.id ? std::optional<PageEntry>(PageEntry(a)) : std::nullopt; },
        [] { return metrics100(); });
    EXPECT_FALSE(host.ghost());

    engine.beginReorderDrag(QUuid::createUuid(), {10, 10}); // an entry nobody knows: no ghost
    EXPECT_FALSE(host.ghost());
    engine.resetDragState();
    engine.beginReorderDrag(a.id, {300, 200});
    ASSERT_TRUE(host.ghost());
    EXPECT_EQ(host.ghost()->parentItem(), &layer);
    EXPECT_EQ(host.ghost()->position(), engine.reorderCursor());
    engine.resetDragState();
    EXPECT_FALSE(host.ghost());
    scene.removeItem(&layer);
}

TEST_F(GridPageTest, RendersTheSampleApplicationsFirstPage)
{
    const QString samples = QStringLiteral(CORVANTA_SAMPLE_APPS);
    const AppScanner scanner({samples, samples + QStringLiteral("/Utilities")},
        {std::make_shared<FileBundleReader>(), std::make_shared<NoDisplayNameSource>(), {QStringLiteral("zh-Hans")},
            QLocale(QLocale::Chinese, QLocale::China)});
    const QList<AppItem> found = scanner.scanAll();
    ASSERT_GE(found.size(), 6);
    BundleIconProvider bundleIcons;
    IconCache realIcons(iconDisk, bundleIcons, iconTasks.runner());
    GridCellServices s = services();
    s.icons = &realIcons;

    const GridMetrics m(QSizeF(1440, 900), 5, 7, 1.0);
    QList<PageEntry> entries;
    for (const AppItem& a : found.mid(0, 33))
        entries.append(PageEntry(a));
    AppGroup folder;
    folder.id = QUuid::createUuid();
    folder.name = QStringLiteral("实用工具");
    folder.apps = found.mid(0, 5);
    entries.insert(1, PageEntry(folder));
    auto* view = new TilehallGridView(s, pageOf(entries), m);
    view->setPos(m.marginX, m.searchTopPadding + m.searchBarHeight);
    scene.addItem(view);
    loadIcons();

    TilehallGridView::State jiggle;
    jiggle.isJiggleMode = true;
    view->setState(jiggle);
    scheduler.advance(0.3);
    const QImage frame = render(QRectF(0, 0, 1440, 900));
    const QString dir = qEnvironmentVariable("CORVANTA_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        frame.save(dir + QStringLiteral("/grid-page.png"));

    // Every icon square is drawn over the backdrop, and the labels put light pixels below it.
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QRectF cell(view->pos() + TilehallGridView::slotOrigin(i, m), QSizeF(m.columnPitch, m.rowPitch));
        const QRectF icon = CellGeometry::iconSquare(cell, m);
        EXPECT_NE(frame.pixelColor(icon.center().toPoint()), QColor(30, 60, 110)) << i;
    }
}
