// The opened-folder panel on the root view: the morph in and out, the hand-off to the engine, the
// folder's own pages, renaming in place, and the guards that keep a late step of one opening from
// acting on a later state.
#include "Views/AppIconView.h"
#include "Views/FolderOverlayHost.h"
#include "Views/FolderOverlayView.h"
#include "Views/PageIndicator.h"
#include "Views/RootViewTestKit.h"
#include "common/LogCapture.h"

#include <QCoreApplication>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsTextItem>
#include <QKeyEvent>
#include <QTextCursor>

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

constexpr double kMorph = 0.28;
constexpr double kHandOff = 0.04;
constexpr double kFrame = 1.0 / 60;

class FolderOverlayTest : public RootViewTest {
protected:
    AppGroup tools = folder(QStringLiteral("Tools"), {app(QStringLiteral("Saw")), app(QStringLiteral("Drill")), app(QStringLiteral("Plane"))});
    QList<AppItem> launched;
    // The folder block of a grid icon at (400, 300), 80 points wide.
    const QRectF gridIcon{400, 300, 80, 80};

    TilehallContentView& open(const AppGroup& group)
    {
        if (!view) {
            storeWithPages({page({PageEntry(group), PageEntry(app(QStringLiteral("Mail")))})});
            makeView(true);
            view->launchHandler = [this](const AppItem& app, const AppLauncher::Completion& done) {
                launched << app;
                done(std::nullopt);
            };
            show();
            scheduler.advance(0.3);
        }
        view->openFolder(group.id, gridIcon);
        return *view;
    }
    FolderOverlayView* overlay() const { return view->folderHost()->overlay(); }
    // Past the opening (next turn + 0.28 s) and the hand-off.
    void runOpening()
    {
        scheduler.advance(0);
        scheduler.advance(kMorph + kFrame);
        scheduler.advance(kHandOff + kFrame);
    }
    void tap(const QPointF& scenePos)
    {
        QGraphicsSceneMouseEvent press(QEvent::GraphicsSceneMousePress);
        press.setScenePos(scenePos);
        press.setButton(Qt::LeftButton);
        press.setButtons(Qt::LeftButton);
        QCoreApplication::sendEvent(&scene, &press);
        QGraphicsSceneMouseEvent release(QEvent::GraphicsSceneMouseRelease);
        release.setScenePos(scenePos);
        release.setButton(Qt::LeftButton);
        QCoreApplication::sendEvent(&scene, &release);
    }
};

} // namespace

TEST_F(FolderOverlayTest, OpeningGrowsThePanelFromTheIconAndHandsTheMembersToTheEngine)
{
    TilehallContentView& root = open(tools);
    FolderOverlayView* panel = overlay();
    ASSERT_NE(panel, nullptr);
    // Appeared: folded into the folder block (the icon less 10 % on every side), flights ready.
    EXPECT_EQ(panel->sourceRect(), QRectF(408, 308, 64, 64));
    EXPECT_EQ(panel->panelMorph().rect(), QRectF(408, 308, 64, 64));
    EXPECT_DOUBLE_EQ(panel->panelMorph().corner(), 0.26 * 64);
    EXPECT_FALSE(panel->isShown());
    EXPECT_TRUE(panel->flightVisible());
    EXPECT_EQ(panel->flightCount(), 3);
    // The first member flies from the block's first mini slot to its place in the panel.
    const FolderLayout layout = panel->layout();
    const double pad = 0.12 * 64, gap = std::min(0.05 * 64, 8.0), mini = (64 - 2 * pad - 2 * gap) / 3;
    EXPECT_EQ(panel->flight(0).center(), QPointF(408 + pad + mini / 2, 308 + pad + mini / 2));
    EXPECT_DOUBLE_EQ(panel->flight(0).size(), mini);
    // The folder's own engine is configured for its pages.
    EXPECT_EQ(panel->pager().pageCount, 1);
    EXPECT_EQ(panel->pager().screenWidth, layout.panelRect.width());
    EXPECT_EQ(panel->pager().contentSize, layout.panelRect.size());

    // The next turn starts the 0.28 s morph and reports the panel and the title.
    scheduler.advance(0);
    EXPECT_TRUE(panel->isShown());
    scheduler.advance(kMorph / 2);
    EXPECT_GT(panel->progress(), 0);
    EXPECT_LT(panel->progress(), 1);
    EXPECT_EQ(engine.folderPanelFrame, layout.panelRect);
    EXPECT_EQ(engine.titleFrames, QList<QRectF>{layout.titleRect});
    EXPECT_EQ(engine.activeFolderPager, nullptr);
    EXPECT_TRUE(root.folderAnimating());

    // At the end the engine gets the folder's pager and the members' frames; the flights stay
    // while the cells fade in, then go.
    scheduler.advance(kMorph / 2 + kFrame);
    EXPECT_EQ(panel->progress(), 1);
    EXPECT_EQ(panel->panelMorph().rect(), layout.panelRect);
    EXPECT_EQ(engine.activeFolderPager, &panel->pager());
    EXPECT_FALSE(root.folderAnimating());
    EXPECT_TRUE(panel->iconsInGridVisible());
    EXPECT_TRUE(panel->flightVisible());
    const QHash<QUuid, QRectF> frames = engine.folderIconFrames();
    ASSERT_EQ(frames.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(frames.value(tools.apps.at(i).id), layout.iconRect(i)) << i;
    scheduler.advance(kHandOff + kFrame);
    EXPECT_FALSE(panel->flightVisible());

    // A member's tap launches it through the root view.
    LogCapture log;
    tap(layout.iconRect(1).center());
    ASSERT_EQ(launched.size(), 1);
    EXPECT_EQ(launched.first().name, "Drill");
    EXPECT_TRUE(log.contains(QStringLiteral("Folder app launched: Drill")));
}

TEST_F(FolderOverlayTest, EscAndAClickOutsideFoldThePanelBackAndForgetTheFolder)
{
    for (const bool byEscape : {true, false}) {
        TilehallContentView& root = open(tools);
        runOpening();
        FolderOverlayView* panel = overlay();
        ASSERT_NE(panel, nullptr);
        EXPECT_TRUE(byEscape ? engine.onEscape() : engine.onBlankClick());
        // The flights take over at once and the engine lets go of the folder.
        EXPECT_TRUE(panel->isClosing());
        EXPECT_TRUE(panel->flightVisible());
        EXPECT_FALSE(panel->iconsInGridVisible());
        EXPECT_EQ(engine.activeFolderPager, nullptr);
        EXPECT_TRUE(engine.folderIconFrames().isEmpty());
        // A second request during the fold is consumed and changes nothing.
        EXPECT_TRUE(engine.onEscape());
        scheduler.advance(kMorph / 2);
        EXPECT_GT(panel->progress(), 0);
        scheduler.advance(kMorph / 2 + kFrame);
        EXPECT_FALSE(root.openedGroupID().has_value());
        EXPECT_EQ(overlay(), nullptr);
        EXPECT_TRUE(engine.wheelPagingEnabled);
        EXPECT_FALSE(engine.onEscape()); // nothing left: the overlay itself may close
    }
}

TEST_F(FolderOverlayTest, ACloseDuringTheOpeningNeverHandsTheFolderToTheEngine)
{
    TilehallContentView& root = open(tools);
    scheduler.advance(0);
    scheduler.advance(0.1);
    // Esc during the opening still closes (it must never leave the user stuck).
    EXPECT_TRUE(engine.onEscape());
    EXPECT_TRUE(root.folderClosing());
    for (int i = 0; i < 30; ++i) {
        scheduler.advance(kFrame);
        EXPECT_EQ(engine.activeFolderPager, nullptr);
        EXPECT_TRUE(engine.folderIconFrames().isEmpty());
    }
    EXPECT_FALSE(root.openedGroupID().has_value());

    // A close during the hand-off keeps the flights for the fold: the late step that would remove
    // them belongs to the opening, not to the close.
    open(tools);
    scheduler.advance(0);
    scheduler.advance(kMorph + kFrame);
    FolderOverlayView* panel = overlay();
    ASSERT_TRUE(panel->iconsInGridVisible());
    EXPECT_TRUE(engine.onBlankClick());
    scheduler.advance(kHandOff + kFrame);
    EXPECT_TRUE(panel->flightVisible());
    EXPECT_EQ(panel->flightCount(), 3);
    scheduler.advance(kMorph);
    EXPECT_EQ(overlay(), nullptr);
}

TEST_F(FolderOverlayTest, AnOlderOverlayNeverDetachesANewerFoldersPager)
{
    const AppGroup other = folder(QStringLiteral("Other"), {app(QStringLiteral("Kiln"))});
    storeWithPages({page({PageEntry(tools), PageEntry(other)})});
    makeView(true);
    show();
    scheduler.advance(0.3);

    // The first folder is dropped at once (as a drag out does) and the second opens while the
    // first overlay still waits for its deletion.
    open(tools);
    runOpening();
    QPointer<FolderOverlayView> first = overlay();
    view->resetFolderState();
    open(other);
    runOpening();
    FolderOverlayView* second = overlay();
    ASSERT_NE(second, first.data());
    EXPECT_EQ(engine.activeFolderPager, &second->pager());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(engine.activeFolderPager, &second->pager());
    EXPECT_FALSE(engine.folderIconFrames().isEmpty());

    // An overlay of the same folder made and removed beside it leaves it alone too.
    FolderOverlayView::Environment environment;
    environment.cells = view->cellServices();
    environment.mainEngine = &engine;
    delete new FolderOverlayView(environment, other, view->metrics(), view->size(), gridIcon);
    EXPECT_EQ(engine.activeFolderPager, &second->pager());
}

TEST_F(FolderOverlayTest, MembersShowTheIconTheGridCachedForThem)
{
    // An application with an icon file of its own: the grid keeps its icon under its bundle
    // identifier, and so must the panel.
    AppItem saw = app(QStringLiteral("Saw"));
    saw.iconPath = QStringLiteral("/Applications/Saw.app/Contents/Resources/Saw.icns");
    const AppGroup shop = folder(QStringLiteral("Shop"), {saw});
    icons.loadImage(IconCache::cacheKey(saw), saw.path());
    storeWithPages({page({PageEntry(shop)})});
    makeView(true);
    icons.resetMissCount();
    open(shop);
    ASSERT_NE(overlay()->cell(saw.id), nullptr);
    EXPECT_FALSE(overlay()->cell(saw.id)->icon().isNull());
    EXPECT_EQ(icons.missCount(), 0);
}

TEST_F(FolderOverlayTest, AFolderOfMoreThanAPageHasDotsAndPagesOfItsOwn)
{
    // One member more than a page of the default grid holds.
    const LayoutConfig config;
    const qint64 capacity = config.rows * config.columns;
    QList<AppItem> members;
    for (qint64 i = 0; i <= capacity; ++i)
        members << app(QStringLiteral("App%1").arg(i));
    const AppGroup big = folder(QStringLiteral("Big"), members);
    open(big);
    FolderOverlayView* panel = overlay();
    EXPECT_EQ(panel->layout().pageCount, 2);
    EXPECT_EQ(panel->pageDots()->pageCount(), 2);
    // Only the first page flies.
    EXPECT_EQ(panel->flightCount(), capacity);
    EXPECT_EQ(panel->flightOpacity(8), 1);
    EXPECT_EQ(panel->flightOpacity(9), 0); // from the tenth on they fade in with the progress

    // A dot during the opening does nothing; once open it pages the folder, and the engine's
    // frames follow the folder's page.
    panel->pageDots()->onTap(1);
    runOpening();
    EXPECT_TRUE(panel->pageDots()->isVisible());
    EXPECT_EQ(panel->pager().pagerOffset().page(), 0);
    panel->pageDots()->onTap(1);
    scheduler.advance(1);
    EXPECT_EQ(panel->pager().pagerOffset().page(), 1);
    EXPECT_TRUE(engine.folderIconFrames().contains(members.last().id));
    EXPECT_FALSE(engine.folderIconFrames().contains(members.first().id));

    // The close returns to the first page before folding; dots take nothing meanwhile.
    EXPECT_TRUE(engine.onEscape());
    EXPECT_EQ(panel->pager().pagerOffset().page(), 0);
    panel->pageDots()->onTap(1);
    scheduler.advance(0.1);
    EXPECT_EQ(panel->pager().pagerOffset().page(), 0);
}

TEST_F(FolderOverlayTest, TheTitleIsRenamedInPlaceOnEveryKeystroke)
{
    TilehallContentView& root = open(tools);
    runOpening();
    FolderOverlayView* panel = overlay();
    EXPECT_TRUE(engine.onTitleTap());
    EXPECT_TRUE(panel->isEditingName());
    QGraphicsTextItem* editor = panel->titleEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(panel->draftName(), "Tools");
    // An edited title takes the full title width.
    EXPECT_EQ(panel->layout().titleRect.width(), 460);

    QTextCursor cursor = editor->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral(" 2"));
    EXPECT_EQ(root.findGroup(tools.id)->name, "Tools 2");
    cursor.insertText(QStringLiteral("!"));
    EXPECT_EQ(root.findGroup(tools.id)->name, "Tools 2!");
    // A pasted line break becomes a blank.
    cursor.insertText(QStringLiteral("\n"));
    EXPECT_EQ(root.findGroup(tools.id)->name, "Tools 2!");
    EXPECT_EQ(panel->draftName(), "Tools 2! ");

    // Return keeps the name and ends the editing.
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    scene.sendEvent(editor, &enter);
    EXPECT_FALSE(root.isEditingFolderName());
    EXPECT_FALSE(panel->isEditingName());
    EXPECT_EQ(root.findGroup(tools.id)->name, "Tools 2!");
}

TEST_F(FolderOverlayTest, AMemberDraggedBeyondThePanelLeavesTheFolderForTheGrid)
{
    TilehallContentView& root = open(tools);
    runOpening();
    const FolderLayout layout = overlay()->layout();
    // The engine's events come with the origin at the bottom left.
    const auto window = [](const QPointF& p) { return QPointF(p.x(), 900 - p.y()); };
    const QPointF start = layout.iconRect(1).center();
    engine.handleMouseDown(window(start));
    EXPECT_EQ(engine.mouseDownFolderAppID(), tools.apps.at(1).id);

    // Moved inside the panel, it stays in the folder.
    engine.handleMouseDrag(window(start + QPointF(9, 0)));
    EXPECT_EQ(root.openedGroupID(), tools.id);
    EXPECT_NE(overlay(), nullptr);

    // Beyond the panel it leaves: the panel goes at once, the member lands right after the folder
    // and goes on as an ordinary drag on the grid.
    engine.handleMouseDrag(window(QPointF(start.x(), layout.panelRect.top() - 40)));
    EXPECT_FALSE(root.openedGroupID().has_value());
    EXPECT_EQ(overlay(), nullptr);
    EXPECT_EQ(engine.reorderDraggedEntryID(), tools.apps.at(1).id);
    EXPECT_EQ(pageNames(store->layout()).first(), (QStringList{"Tools: Saw, Plane", "Drill", "Mail"}));
    EXPECT_TRUE(engine.reorderEnabled);
    engine.handleMouseUp(window(QPointF(start.x(), layout.panelRect.top() - 40)));
    scheduler.advance(1); // the dragged copy flies into its slot
    EXPECT_FALSE(engine.reorderDraggedEntryID().has_value());
}
