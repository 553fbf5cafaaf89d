#include "GridCellTestKit.h"

#include "Views/AppIconView.h"
#include "Views/CellDrawing.h"
#include "Views/FolderJiggleHost.h"
#include "Views/GroupIconView.h"
#include "Views/GroupNameField.h"
#include "Views/LaunchIconAnimator.h"
#include "common/LogCapture.h"

using namespace corvanta;
using namespace corvanta::test;

TEST(CellRules, RemovableApplications)
{
    struct Case {
        const char* bundleID;
        const char* path;
        bool removable;
    };
    const Case cases[] = {
        {"com.corvanta.app", "/Applications/Corvanta.app", false},
        {"com.apple.Safari", "/Applications/Safari.app", false},
        {"com.apple.", "/Applications/X.app", false},
        {"com.applesauce.x", "/Applications/X.app", true},
        {"org.example.tool", "/System/Applications/Tool.app", false},
        {"org.example.tool", "/SystemTools/Tool.app", false}, // a plain prefix test, as for the delete request
        {"", "/Applications/Nameless.app", true},
        {"com.corvanta.app.helper", "/Applications/Helper.app", true},
    };
    for (const Case& c : cases) {
        AppItem a;
        a.bundleIdentifier = QString::fromLatin1(c.bundleID);
        a.url = QUrl::fromLocalFile(QString::fromLatin1(c.path));
        EXPECT_EQ(isRemovableApp(a), c.removable) << c.bundleID << " " << c.path;
    }
}

TEST(CellRules, ContinuousCornersStayInsideTheSquareAndMeetTheSides)
{
    const QRectF square(10, 20, 100, 100);
    const QPainterPath path = CellDrawing::continuousRoundedRect(square, 20);
    EXPECT_EQ(path.boundingRect(), square);
    EXPECT_TRUE(path.contains(QPointF(60, 70)));
    // The corner is cut at least as deep as a circular arc of the radius would cut it...
    EXPECT_FALSE(path.contains(QPointF(10 + 20 * (1 - M_SQRT1_2) - 0.5, 20 + 20 * (1 - M_SQRT1_2) - 0.5)));
    // ...and the sides stay straight until 1.528 radii from the corner.
    EXPECT_TRUE(path.contains(QPointF(10 + 31, 20.01)));
    EXPECT_FALSE(path.contains(QPointF(10 + 3, 20 + 3)));
    // A radius larger than half the side still gives a closed shape within the square.
    EXPECT_EQ(CellDrawing::continuousRoundedRect(square, 90).boundingRect(), square);
}

class AppCellTest : public GridCellTest {
protected:
    AppIconView* makeCell(const AppItem& a, QPointF at = {0, 0})
    {
        auto* cell = new AppIconView(services(), a, metrics100());
        cell->setPos(at);
        scene.addItem(cell);
        cell->setReportedCellFrame(QRectF(at, QSizeF(170, 150)));
        return cell;
    }
    // An application whose icon the desktop gives as a red square.
    AppItem appWithRedIcon(const QString& name)
    {
        const AppItem a = app(name);
        QImage red(64, 64, QImage::Format_ARGB32_Premultiplied);
        red.fill(Qt::red);
        systemIcons.set(a.path(), red);
        return a;
    }
    // A page on the scene, shown (near the page on screen) or hidden (far from it).
    QGraphicsRectItem* addPage(bool shown = true)
    {
        auto* page = new QGraphicsRectItem(QRectF(0, 0, 200, 200));
        page->setVisible(shown);
        scene.addItem(page);
        return page;
    }
};

TEST_F(AppCellTest, GeometryOfAHundredPointIcon)
{
    AppIconView* cell = makeCell(app(QStringLiteral("Notes")));
    // 100 + 12 + 20 = 132 stacked in 150: the icon starts 9 down, centred across 170.
    EXPECT_EQ(cell->iconRect(), QRectF(35, 9, 100, 100));
    EXPECT_EQ(cell->badgeRect(), QRectF(25, -1, 32, 32));
    EXPECT_EQ(cell->transformOriginPoint(), QPointF(85, 59)); // the wobble turns about the icon's centre
}

TEST_F(AppCellTest, FrameReportFollowsTrackingAndTheBadge)
{
    AppIconView* cell = makeCell(app(QStringLiteral("Notes")), {340, 150});
    const QUuid id = cell->app().id;
    frames.flush();
    EXPECT_EQ(frames.iconFrames().value(id), QRectF(375, 159, 100, 100));

    AppIconView::Inputs in;
    in.isJiggling = true;
    in.showDeleteBadge = true;
    cell->setInputs(in);
    frames.flush();
    EXPECT_EQ(frames.iconFrames().value(id), QRectF(365, 149, 110, 110)); // widened to the overhanging badge
    // A merge seeds the new folder from the icon square inside it.
    EXPECT_EQ(CellGeometry::iconSquareOfReported(QRectF(365, 149, 110, 110), 100), QRectF(375, 159, 100, 100));
    EXPECT_EQ(CellGeometry::iconSquareOfReported(QRectF(375, 159, 100, 100), 100), QRectF(375, 159, 100, 100));

    in.trackFrame = false;
    cell->setInputs(in);
    frames.flush();
    EXPECT_FALSE(frames.iconFrames().contains(id));
    EXPECT_FALSE(cell->reportedIconFrame());
}

TEST_F(AppCellTest, MergeHighlightEasesInOnlyOutsideJiggleMode)
{
    AppIconView* cell = makeCell(app(QStringLiteral("Notes")));
    AppIconView::Inputs in;
    in.isMergeTarget = true;
    cell->setInputs(in);
    EXPECT_EQ(cell->zValue(), 1);
    scheduler.advance(0.07);
    EXPECT_GT(cell->mergeProgress(), 0.5); // ease-out: more than half way at half time
    EXPECT_LT(cell->mergeProgress(), 1);
    scheduler.advance(0.08);
    EXPECT_DOUBLE_EQ(cell->mergeProgress(), 1);

    in.isJiggling = true; // the ring and the lift go while jiggling, the cell stays on top
    cell->setInputs(in);
    scheduler.advance(0.2);
    EXPECT_DOUBLE_EQ(cell->mergeProgress(), 0);
    EXPECT_EQ(cell->zValue(), 1);
}

TEST_F(AppCellTest, WobbleStartsAfterItsDelayAndEasesBackToRest)
{
    AppIconView* cell = makeCell(app(QStringLiteral("Notes")));
    nextRandom = 0; // the low end of every range
    AppIconView::Inputs in;
    in.isJiggling = true;
    cell->setInputs(in);
    scheduler.advance(0.04);
    EXPECT_FALSE(cell->isWobbling());
    scheduler.advance(0.02);
    EXPECT_TRUE(cell->isWobbling());
    EXPECT_DOUBLE_EQ(cell->jiggleDuration(), 0.09);

    // Between -2.8 and +2.8 degrees, one swing per 0.09 s.
    double low = 0, high = 0;
    for (int i = 0; i < 60; ++i) {
        scheduler.advance(1.0 / 60);
        low = std::min(low, cell->jiggleAngle());
        high = std::max(high, cell->jiggleAngle());
    }
    EXPECT_NEAR(low, -2.8, 0.3);
    EXPECT_NEAR(high, 2.8, 0.3);
    EXPECT_GE(low, -2.8 - 1e-9);
    EXPECT_LE(high, 2.8 + 1e-9);

    in.isJiggling = false;
    cell->setInputs(in);
    EXPECT_FALSE(cell->isWobbling());
    scheduler.advance(0.16);
    EXPECT_DOUBLE_EQ(cell->jiggleAngle(), 0);
    EXPECT_DOUBLE_EQ(cell->rotation(), 0);
}

TEST_F(AppCellTest, JiggleEndedBeforeTheDelayLeavesTheCellStill)
{
    AppIconView* cell = makeCell(app(QStringLiteral("Notes")));
    AppIconView::Inputs in;
    in.isJiggling = true;
    cell->setInputs(in);
    scheduler.advance(0.02);
    in.isJiggling = false;
    cell->setInputs(in);
    scheduler.advance(0.5);
    EXPECT_FALSE(cell->isWobbling());
    EXPECT_DOUBLE_EQ(cell->jiggleAngle(), 0);
}

TEST_F(AppCellTest, TapsReachTheIconOrTheBadgeOnly)
{
    AppIconView* cell = makeCell(app(QStringLiteral("Notes")), {100, 100});
    int taps = 0, deletes = 0;
    cell->onTap = [&] { ++taps; };
    click({100 + 85, 100 + 59});
    EXPECT_EQ(taps, 1);
    click({100 + 85, 100 + 59}, {20, 0}); // a drag is the engine's
    click({100 + 85, 100 + 59}, {}, 0.6); // so is a long press
    click({100 + 85, 100 + 140});         // the label is not the icon
    EXPECT_EQ(taps, 1);

    AppIconView::Inputs in;
    in.isJiggling = true;
    in.showDeleteBadge = true;
    cell->setInputs(in);
    const QPointF badge = QPointF(100, 100) + cell->badgeRect().center();
    click(badge); // no delete action: nothing
    cell->onDelete = [&] { ++deletes; };
    click(badge);
    EXPECT_EQ(deletes, 1);
    EXPECT_EQ(taps, 1);
}

TEST_F(AppCellTest, MissingIconLoadsInTheBackgroundOnce)
{
    LogCapture log;
    const AppItem a = appWithRedIcon(QStringLiteral("Notes"));
    icons.resetMissCount();
    AppIconView* cell = makeCell(a);
    EXPECT_TRUE(cell->icon().isNull());
    EXPECT_EQ(icons.missCount(), 1);
    const QImage placeholder = render(QRectF(0, 0, 170, 150));
    loadIcons();
    EXPECT_FALSE(cell->icon().isNull());
    const QImage loaded = render(QRectF(0, 0, 170, 150));
    EXPECT_NE(placeholder.pixelColor(85, 59), loaded.pixelColor(85, 59));
    EXPECT_GT(loaded.pixelColor(85, 59).red(), 200);
    EXPECT_TRUE(log.contains(QStringLiteral("Loading icon for: Notes from /Applications/Notes.app")));
    EXPECT_TRUE(log.contains(QStringLiteral("Icon loaded: Notes — size=(")));

    // A second cell finds it in memory and starts with it.
    AppIconView* again = makeCell(a);
    EXPECT_FALSE(again->icon().isNull());
    EXPECT_EQ(icons.missCount(), 1);
}

TEST_F(AppCellTest, CellMadeUnderAParentOnTheSceneLoadsItsIcon)
{
    auto* cell = new AppIconView(services(), appWithRedIcon(QStringLiteral("Notes")), metrics100(), addPage());
    loadIcons();
    EXPECT_FALSE(cell->icon().isNull());
}

TEST_F(AppCellTest, ACellOfANearPageIsReadyToDrawBeforeItsFirstPaint)
{
    // Cells are made, and their icons arrive, while the overlay is hidden or their page is off
    // screen: a first paint inside a show or a flip then only copies pixmaps.
    const AppItem a = appWithRedIcon(QStringLiteral("Notes"));
    auto* cell = new AppIconView(services(), a, metrics100(), addPage());
    EXPECT_TRUE(cell->isReadyToDraw()); // the label; no icon yet
    loadIcons();
    ASSERT_FALSE(cell->icon().isNull());
    EXPECT_TRUE(cell->isReadyToDraw());

    // Made from memory on a far page (hidden): nothing is made until it is painted.
    QGraphicsRectItem* far = addPage(false);
    auto* farCell = new AppIconView(services(), a, metrics100(), far);
    ASSERT_FALSE(farCell->icon().isNull());
    EXPECT_FALSE(farCell->isReadyToDraw());
    far->setVisible(true);
    render(QRectF(0, 0, 200, 200));
    EXPECT_TRUE(farCell->isReadyToDraw());

    // While the overlay is shown, an icon that arrives during a flip is only kept: its pixmaps
    // are made when the cell is painted, not in the middle of the flip's frames.
    GridCellServices shown = services();
    shown.drawsAhead = [] { return false; };
    auto* flipped = new AppIconView(shown, appWithRedIcon(QStringLiteral("Maps")), metrics100(), addPage());
    EXPECT_FALSE(flipped->isReadyToDraw());
    loadIcons();
    ASSERT_FALSE(flipped->icon().isNull());
    EXPECT_FALSE(flipped->isReadyToDraw());
}

TEST_F(AppCellTest, CellRemovedBeforeItsIconArrivesIsNotTouched)
{
    AppIconView* cell = makeCell(app(QStringLiteral("Notes")));
    delete cell;
    loadIcons(); // must not reach the deleted cell
    SUCCEED();
}

class LaunchZoomTest : public AppCellTest {
protected:
    QImage iconImage()
    {
        QImage i(128, 128, QImage::Format_ARGB32_Premultiplied);
        i.fill(Qt::green);
        return i;
    }
};

TEST_F(LaunchZoomTest, CopyZoomsOverTheIconAndGoes)
{
    LogCapture log;
    AppIconView* cell = makeCell(app(QStringLiteral("Notes")), {200, 100});
    cell->setScale(1); // wherever the page is, the copy sits on the icon's scene rectangle
    cell->setIcon(iconImage());
    AppIconView::Inputs in;
    in.isLaunching = true;
    cell->setInputs(in);
    LaunchIconAnimator* zoom = cell->launchAnimator();
    ASSERT_TRUE(zoom->launchView());
    EXPECT_EQ(zoom->launchView()->sceneBoundingRect(), QRectF(235, 109, 100, 100));
    EXPECT_EQ(zoom->launchView()->parentItem(), nullptr); // above everything, not clipped by the grid
    EXPECT_EQ(cell->zValue(), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("图标启动动画开始：时长0.25秒，倍率1→2，中心=(285, 159)")));

    scheduler.advance(0.125);
    ASSERT_TRUE(zoom->launchView());
    EXPECT_NEAR(zoom->launchView()->scale(), LaunchIconAnimator::scaleAt(0.125), 0.05);
    EXPECT_GT(zoom->launchView()->scale(), 1.5);
    scheduler.advance(0.15);
    EXPECT_FALSE(zoom->launchView());
    EXPECT_EQ(scene.items().size(), 2); // the cell and its anchor
    EXPECT_TRUE(log.contains(QStringLiteral("图标启动动画完成并清理：")));

    cell->setInputs(in); // the same launch never zooms twice
    EXPECT_FALSE(zoom->launchView());
}

TEST_F(LaunchZoomTest, NoZoomWithoutAnImageOrASize)
{
    AppIconView* cell = makeCell(app(QStringLiteral("Notes")));
    AppIconView::Inputs in;
    in.isLaunching = true;
    cell->setInputs(in);
    EXPECT_FALSE(cell->launchAnimator()->launchView()); // still the placeholder

    LaunchIconAnimator anchor(scheduler);
    scene.addItem(&anchor);
    anchor.update(iconImage(), true);
    EXPECT_FALSE(anchor.didStart()); // not laid out yet
    anchor.setSize({50, 50});
    anchor.update(iconImage(), true);
    EXPECT_TRUE(anchor.launchView());
    scene.removeItem(&anchor);
}

TEST_F(LaunchZoomTest, EndingTheLaunchRemovesTheCopyAtOnce)
{
    AppIconView* cell = makeCell(app(QStringLiteral("Notes")));
    cell->setIcon(iconImage());
    AppIconView::Inputs in;
    in.isLaunching = true;
    cell->setInputs(in);
    ASSERT_TRUE(cell->launchAnimator()->launchView());
    scheduler.advance(0.1);
    in.isLaunching = false;
    cell->setInputs(in);
    EXPECT_FALSE(cell->launchAnimator()->launchView());
    EXPECT_EQ(scene.items().size(), 2);
    scheduler.advance(0.3); // the old completion finds nothing to do
    in.isLaunching = true;  // a new launch zooms again
    cell->setInputs(in);
    EXPECT_TRUE(cell->launchAnimator()->launchView());
}

class FolderCellTest : public GridCellTest {
protected:
    AppGroup folderOf(int count)
    {
        AppGroup g;
        g.id = QUuid::createUuid();
        g.name = QStringLiteral("工具");
        for (int i = 0; i < count; ++i)
            g.apps.append(app(QStringLiteral("App%1").arg(i)));
        return g;
    }
    GroupIconView* makeCell(const AppGroup& g)
    {
        auto* cell = new GroupIconView(services(), g, metrics100());
        scene.addItem(cell);
        cell->setReportedCellFrame(QRectF(0, 0, 170, 150));
        return cell;
    }
};

TEST_F(FolderCellTest, BlockGeometry)
{
    struct Case {
        double icon, side, radius, inset, gap, mini;
    };
    const Case cases[] = {
        {100, 80, 20.8, 9.6, 4, 17.6},
        {200, 160, 41.6, 19.2, 8, (160 - 38.4 - 16) / 3.0},
        {250, 200, 52, 24, 8, (200 - 48 - 16) / 3.0},
    };
    for (const Case& c : cases) {
        const GroupIconView::BlockGeometry g(c.icon);
        EXPECT_DOUBLE_EQ(g.side, c.side);
        EXPECT_NEAR(g.radius, c.radius, 1e-9);
        EXPECT_NEAR(g.inset, c.inset, 1e-9);
        EXPECT_NEAR(g.gap, c.gap, 1e-9);
        EXPECT_NEAR(g.mini, c.mini, 1e-9);
    }
    EXPECT_EQ(GroupIconView::BlockGeometry(100).miniOrigin(4), QPointF(9.6 + 21.6, 9.6 + 21.6));
}

TEST_F(FolderCellTest, ShowsTheFirstNineMembersAndKeepsMinisAcrossChanges)
{
    AppGroup g = folderOf(12);
    GroupIconView* cell = makeCell(g);
    const QList<GroupAppIconView*> minis = cell->minis();
    ASSERT_EQ(minis.size(), 9);
    EXPECT_EQ(minis[8]->app().id, g.apps[8].id);
    EXPECT_EQ(minis[5]->pos(), GroupIconView::BlockGeometry(100).miniOrigin(5));
    EXPECT_EQ(cell->blockRect(), QRectF(45, 19, 80, 80));

    std::swap(g.apps[0], g.apps[1]); // reordered inside the folder: the minis move, not reload
    cell->setGroup(g);
    EXPECT_EQ(cell->minis()[0], minis[1]);
    EXPECT_EQ(cell->minis()[1], minis[0]);

    EXPECT_TRUE(makeCell(folderOf(0))->minis().isEmpty());
}

TEST_F(FolderCellTest, ReportsTheIconSquareWithoutABadge)
{
    GroupIconView* cell = makeCell(folderOf(3));
    GroupIconView::Inputs in;
    in.isJiggleMode = true;
    cell->setInputs(in);
    frames.flush();
    EXPECT_EQ(frames.iconFrames().value(cell->group().id), QRectF(35, 9, 100, 100));
    in.trackFrame = false;
    cell->setInputs(in);
    frames.flush();
    EXPECT_FALSE(frames.iconFrames().contains(cell->group().id));
}

TEST_F(FolderCellTest, OpenedFolderIsInvisibleStillAndUntouchable)
{
    GroupIconView* cell = makeCell(folderOf(3));
    int taps = 0;
    cell->onTap = [&] { ++taps; };
    click({85, 59});
    EXPECT_EQ(taps, 1);

    GroupIconView::Inputs in;
    in.isJiggleMode = true;
    in.isOpened = true;
    cell->setInputs(in);
    EXPECT_EQ(cell->opacity(), 0); // at once, never faded
    EXPECT_FALSE(cell->jiggleHost()->isWobbling());
    click({85, 59});
    EXPECT_EQ(taps, 1);

    in.isOpened = false; // closed in jiggle mode: a fresh wobble
    cell->setInputs(in);
    EXPECT_EQ(cell->opacity(), 1);
    EXPECT_TRUE(cell->jiggleHost()->isWobbling());
}

TEST_F(FolderCellTest, MergeHighlightOnlyOutsideJiggleMode)
{
    GroupIconView* cell = makeCell(folderOf(3));
    GroupIconView::Inputs in;
    in.isMergeTarget = true;
    in.isJiggleMode = true;
    cell->setInputs(in);
    scheduler.advance(0.2);
    EXPECT_EQ(cell->mergeProgress(), 0);
    EXPECT_EQ(cell->zValue(), 1);
    in.isJiggleMode = false;
    cell->setInputs(in);
    scheduler.advance(0.2);
    EXPECT_EQ(cell->mergeProgress(), 1);
}

TEST_F(FolderCellTest, JiggleHostKeepsItsWobbleAndNeedsAScene)
{
    nextRandom = 0.25;
    FolderJiggleHost host(services());
    host.setCellSize({170, 150});
    host.setRotationAnchor({85, 91}); // from the bottom edge
    EXPECT_EQ(host.transformOriginPoint(), QPointF(85, 59));
    host.setJiggling(true);
    EXPECT_FALSE(host.isWobbling()); // not on a scene
    scene.addItem(&host);
    EXPECT_TRUE(host.isWobbling());
    const Wobble::Swing swing = host.swing();
    EXPECT_DOUBLE_EQ(swing.to, 1.125);
    EXPECT_DOUBLE_EQ(swing.from, -1.125);
    EXPECT_DOUBLE_EQ(swing.swingDuration, 1 / (2 * 5.15));
    EXPECT_DOUBLE_EQ(swing.timeOffset, 0.25 * 2 * swing.swingDuration);

    nextRandom = 0.9;
    host.setJiggling(true); // updates while jiggling keep the running wobble
    EXPECT_EQ(host.swing().to, swing.to);
    scene.removeItem(&host);
    EXPECT_FALSE(host.isWobbling());
    EXPECT_EQ(host.rotation(), 0);

    FolderJiggleHost empty(services());
    empty.setRotationAnchor({10, 10});
    EXPECT_EQ(empty.transformOriginPoint(), QPointF()); // no size: nothing laid out
}

TEST_F(AppCellTest, PlaceholderMaterialComesFromTheBackdropUnderTheItem)
{
    GridCellServices s = services();
    QList<QTransform> placed;
    s.material = [&](QPainter& p, const QPainterPath& shape, const QTransform& itemToScene) {
        placed.append(itemToScene);
        p.fillPath(shape, Qt::magenta);
    };
    auto* cell = new AppIconView(s, app(QStringLiteral("Notes")), metrics100());
    cell->setPos(200, 100);
    scene.addItem(cell);
    const QImage frame = render(QRectF(0, 0, 400, 300));
    ASSERT_FALSE(placed.isEmpty());
    EXPECT_EQ(placed.last().map(QPointF(0, 0)), QPointF(200, 100));
    EXPECT_EQ(frame.pixelColor(200 + 40, 100 + 20), QColor(Qt::magenta)); // inside the square, off the symbol
}

TEST_F(FolderCellTest, NameEditorRenamesPerKeystrokeAndCountsAsChrome)
{
    GroupIconView* cell = makeCell(folderOf(2));
    QStringList renames;
    cell->onRename = [&](const QString& name) { renames << name; };
    GroupIconView::Inputs in;
    in.isNameEditable = true;
    cell->setInputs(in);
    GroupNameField* field = cell->nameField();
    ASSERT_TRUE(field);
    EXPECT_EQ(field->draft(), QStringLiteral("工具"));
    frames.flush();
    ASSERT_EQ(frames.frames(FrameKind::chrome).size(), 1);
    EXPECT_TRUE(frames.frames(FrameKind::chrome).first().intersects(QRectF(35, 121, 100, 20)));

    field->setDraft(QStringLiteral("工具箱"));
    field->setDraft(QStringLiteral("a\nb")); // one line only
    EXPECT_EQ(renames.first(), QStringLiteral("工具箱"));
    EXPECT_EQ(renames.last(), QStringLiteral("a b"));
    EXPECT_FALSE(renames.contains(QStringLiteral("a\nb")));

    in.isJiggleMode = true; // jiggle mode shows the plain name again
    cell->setInputs(in);
    EXPECT_FALSE(cell->nameField());
    frames.flush();
    EXPECT_TRUE(frames.frames(FrameKind::chrome).isEmpty());
}
