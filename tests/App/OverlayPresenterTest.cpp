#include "App/ShellTestKit.h"

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

// Show, then wait well past the rapid-repeat window.
void showAndSettle(PresenterRig& rig)
{
    rig.p().showTilehall();
    rig.scheduler.advance(1.0);
}

} // namespace

TEST(OverlayPresenter, ShowCommitsTheVisibleStateAndLogsItsLines)
{
    PresenterRig rig;
    LogCapture log;
    rig.p().showTilehall();

    EXPECT_TRUE(rig.visible());
    EXPECT_TRUE(rig.p().overlayOnScreen());
    EXPECT_TRUE(rig.engine.isPresented());
    EXPECT_DOUBLE_EQ(rig.engine.transitionDuration, 0.25);
    EXPECT_EQ(rig.p().overlayGeneration(), 1);
    // First show: moved onto the target screen, reset to transparent before ordering in, drawn at once.
    EXPECT_EQ(rig.surfaces.calls.mid(0, 2), (QStringList{"fit:A", "cover:A"}));
    EXPECT_LT(rig.surfaces.calls.indexOf("resetToHidden"), rig.surfaces.calls.indexOf("orderFront"));
    EXPECT_LT(rig.surfaces.calls.indexOf("display"), rig.surfaces.calls.indexOf("animateShow:0.25:0"));
    EXPECT_EQ(rig.surfaces.count("activate"), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("Tilehall shown — isVisible=true, duration=0.25s, continuing=false, deferDisplay=false")));
    EXPECT_TRUE(log.contains(QStringLiteral("PERF show — 屏/移窗=")));
    EXPECT_TRUE(log.contains(QStringLiteral("到动画起播=")));
    EXPECT_TRUE(log.contains(QStringLiteral("瓦厅换屏 → {{0, 0}, {1440, 900}}，壁纸缓存作废")));
    // The capture hold covers the transition and a quarter second more.
    EXPECT_DOUBLE_EQ(rig.backdrop.hold, rig.scheduler.now() + 0.25 + 0.25);
}

TEST(OverlayPresenter, DurationRuleForRapidRepeatsAndLaunches)
{
    {
        // The clock starts with the process: a show right after start is still a first show.
        PresenterRig early(0.0);
        early.p().showTilehall();
        EXPECT_DOUBLE_EQ(early.engine.transitionDuration, 0.25);
    }
    PresenterRig rig;
    rig.p().showTilehall();
    rig.scheduler.advance(0.05);
    // A second show 50 ms later: rapid and continuing (no reset to transparent).
    rig.p().showTilehall();
    EXPECT_DOUBLE_EQ(rig.engine.transitionDuration, 0.1);
    EXPECT_EQ(rig.surfaces.count("resetToHidden"), 1);
    EXPECT_TRUE(rig.engine.suppressTransitionAnimation);
    EXPECT_EQ(rig.surfaces.count("snapCover"), 1);

    // Well after the last end: the regular duration again.
    rig.scheduler.advance(1.0);
    rig.p().hideTilehall();
    EXPECT_DOUBLE_EQ(rig.engine.transitionDuration, 0.25);
    const double endOfHide = rig.p().lastTransitionEndAt();

    // A hide while an application is launching: exactly 0.25 s even right after a transition, and
    // the rapid rule's clock is left alone.
    rig.scheduler.advance(0.01);
    rig.p().showTilehall();
    const double endOfShow = rig.p().lastTransitionEndAt();
    EXPECT_DOUBLE_EQ(rig.engine.transitionDuration, 0.1);
    EXPECT_NE(endOfShow, endOfHide);
    rig.engine.setLaunchingAppID(QUuid::createUuid());
    rig.p().hideTilehall();
    EXPECT_DOUBLE_EQ(rig.engine.transitionDuration, 0.25);
    EXPECT_DOUBLE_EQ(rig.p().lastTransitionEndAt(), endOfShow);
}

TEST(OverlayPresenter, HideCompletionOrdersOutAndYieldsTheForegroundOnlyWhenNoAppWasLaunched)
{
    for (const bool launched : {false, true}) {
        PresenterRig rig;
        showAndSettle(rig);
        LogCapture log;
        rig.p().setSuppressForegroundYield(launched);
        rig.p().hideTilehall();
        EXPECT_FALSE(rig.visible());
        EXPECT_FALSE(rig.engine.isPresented());
        EXPECT_TRUE(rig.p().overlayOnScreen()) << "stays ordered in through the hide animation";
        EXPECT_EQ(rig.surfaces.count("animateHide:0.25:presented"), 1);

        rig.scheduler.advance(0.25);
        EXPECT_FALSE(rig.p().overlayOnScreen());
        EXPECT_EQ(rig.surfaces.count("orderOut"), 1);
        EXPECT_EQ(rig.surfaces.count("restoreMenuBar"), 1);
        EXPECT_EQ(rig.handOvers, 1);
        EXPECT_TRUE(log.contains(QStringLiteral("Tilehall hidden — tilehall.isVisible=false, cover.isVisible=false")));
        EXPECT_TRUE(log.contains(QStringLiteral("PERF hide — 动画+移除=")));
        EXPECT_EQ(log.contains(QStringLiteral("本次隐藏由启动应用触发")), launched);
        EXPECT_EQ(log.contains(QStringLiteral("阶段28：保持前台不交还")), !launched);
        EXPECT_FALSE(rig.p().suppressForegroundYield());
    }
}

TEST(OverlayPresenter, AShowDuringTheHideAnimationMakesTheHideCompletionStale)
{
    PresenterRig rig;
    showAndSettle(rig);
    rig.p().hideTilehall();
    rig.scheduler.advance(0.1);
    LogCapture log;
    rig.p().showTilehall();
    EXPECT_TRUE(log.contains(QStringLiteral("continuing=true")));

    rig.scheduler.advance(1.0);
    EXPECT_TRUE(log.contains(QStringLiteral("隐藏动画完成时已进入新一轮显示（generation 已推进），跳过 orderOverlayOut")));
    EXPECT_EQ(rig.surfaces.count("orderOut"), 0);
    EXPECT_TRUE(rig.surfaces.isWindowVisible());
    EXPECT_TRUE(rig.p().overlayOnScreen());
    EXPECT_TRUE(rig.visible());
}

// F4, a pause, F4 (hide), 0.19 s later F4 again: the show waits at its gates (here for the icons)
// past the end of the hide animation.
TEST(OverlayPresenter, AShowWaitingAtItsGatesMakesTheHideCompletionStale)
{
    PresenterRig rig;
    showAndSettle(rig);
    rig.p().hideTilehall();
    rig.scheduler.advance(0.19);
    rig.iconsReady = false;
    rig.backdrop.image = false;
    rig.surfaces.calls.clear();
    LogCapture log;
    rig.p().showTilehall();

    EXPECT_TRUE(log.contains(QStringLiteral("隐藏动画完成时已进入新一轮显示（generation 已推进），跳过 orderOverlayOut")));
    EXPECT_FALSE(log.contains(QStringLiteral("Tilehall hidden")));
    EXPECT_EQ(rig.surfaces.count("orderOut"), 0);
    EXPECT_TRUE(rig.visible());
    EXPECT_TRUE(rig.p().overlayOnScreen());
    rig.scheduler.advance(2.0);
    EXPECT_EQ(rig.surfaces.count("orderOut"), 0);
    EXPECT_TRUE(rig.surfaces.isWindowVisible());
}

TEST(OverlayPresenter, HideWhileHiddenOrdersOutAtOnce)
{
    PresenterRig rig;
    LogCapture log;
    rig.p().hideTilehall();
    EXPECT_EQ(rig.surfaces.calls, (QStringList{"restoreMenuBar", "orderOut"}));
    EXPECT_EQ(rig.handOvers, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("hideTilehall() called — isVisible=false")));
}

TEST(OverlayPresenter, PinchHandoffSetsTheStartOfAHideForAShortWhile)
{
    PresenterRig rig;
    showAndSettle(rig);
    rig.p().setPinchHandoff(0.4f, rig.scheduler.now());
    rig.scheduler.advance(0.1);
    rig.p().hideTilehall();
    EXPECT_EQ(rig.surfaces.count("animateHide:0.25:0.4"), 1);

    rig.scheduler.advance(1);
    showAndSettle(rig);
    rig.p().setPinchHandoff(0.4f, rig.scheduler.now());
    rig.scheduler.advance(0.31);
    rig.p().hideTilehall();
    EXPECT_EQ(rig.surfaces.count("animateHide:0.25:presented"), 1);
}

TEST(OverlayPresenter, HeavyRefreshAfterTheTransitionUnlessARecentOneCoversTheSameScreen)
{
    PresenterRig rig;
    showAndSettle(rig);
    rig.scheduler.advance(0.3); // duration + 0.25 has passed
    EXPECT_EQ(rig.rescans, 1);
    ASSERT_EQ(rig.backdrop.refreshes.size(), 1u);
    EXPECT_DOUBLE_EQ(rig.backdrop.refreshes[0], 0.8);
    rig.scanFinished = true;
    rig.p().hideTilehall();
    rig.scheduler.advance(0.4);

    // 1 s after the last one, same screen, scan done: reuse.
    LogCapture log;
    rig.p().showTilehall();
    rig.scheduler.advance(1);
    EXPECT_TRUE(log.contains(QStringLiteral("阶段27：距上次唤出 <2s 且屏幕未变")));
    EXPECT_EQ(rig.rescans, 1);
    rig.p().hideTilehall();
    rig.scheduler.advance(2);

    // Later, with the plain wallpaper: refreshed at strength 0; with a colour: only the rescan.
    rig.config.backgroundType = BackgroundType::wallpaper;
    showAndSettle(rig);
    rig.scheduler.advance(0.3);
    EXPECT_EQ(rig.rescans, 2);
    EXPECT_DOUBLE_EQ(rig.backdrop.refreshes.back(), 0.0);
    rig.p().hideTilehall();
    rig.scheduler.advance(3);
    rig.config.backgroundType = BackgroundType::color;
    const auto refreshes = rig.backdrop.refreshes.size();
    showAndSettle(rig);
    rig.scheduler.advance(0.3);
    EXPECT_EQ(rig.rescans, 3);
    EXPECT_EQ(rig.backdrop.refreshes.size(), refreshes);
}

TEST(OverlayPresenter, MovingToAnotherScreenAlsoMovesTheBackdrop)
{
    PresenterRig rig;
    showAndSettle(rig);
    rig.p().hideTilehall();
    rig.scheduler.advance(1);
    rig.backdrop.screens.clear();

    rig.p().showTilehall(screenNamed(QStringLiteral("B"), 1440));
    EXPECT_EQ(rig.p().tilehallScreen()->name, QStringLiteral("B"));
    EXPECT_EQ(rig.engine.screenWidth, 1440);
    EXPECT_EQ(rig.backdrop.screens.value(0), QStringLiteral("B"));
    EXPECT_EQ(rig.surfaces.count("cover:B"), 1);
}

TEST(OverlayPresenter, SteadyShowDefersTheDrawBehindTheAnimationStart)
{
    PresenterRig rig;
    showAndSettle(rig);
    rig.p().hideTilehall();
    rig.scheduler.advance(1);
    rig.surfaces.calls.clear();
    LogCapture log;
    rig.p().showTilehall();
    EXPECT_TRUE(log.contains(QStringLiteral("deferDisplay=true")));
    EXPECT_EQ(rig.surfaces.count("display"), 0);
    rig.scheduler.runPending();
    EXPECT_EQ(rig.surfaces.count("display"), 1);
}

TEST(OverlayPresenter, GatesTimeOutAfterATenthOfASecondInShortSlices)
{
    PresenterRig rig;
    rig.iconsReady = false;
    rig.backdrop.image = false;
    LogCapture log;
    rig.p().showTilehall();
    EXPECT_TRUE(log.contains(QStringLiteral("阶段64：首帧壁纸门控超时（>100ms），按渐变兜底上屏（壁纸到齐后交叉淡入）")));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段45：图标预热超时（>100ms），首帧降级走异步加载")));
    EXPECT_EQ(rig.sliceCount, 20); // 100 ms in 5 ms slices
    EXPECT_TRUE(rig.visible()) << "the show goes on without them";
    EXPECT_FALSE(log.contains(QStringLiteral("阶段146")));
}

TEST(OverlayPresenter, TogglesArrivingWhileTheGatesSpinWaitForTheCommit)
{
    PresenterRig rig;
    rig.iconsReady = false;
    int presses = 0;
    rig.duringSlice = [&] {
        if (presses++ < 2)
            rig.p().toggleTilehall();
        else
            rig.iconsReady = true;
    };
    rig.p().showTilehall();
    EXPECT_TRUE(rig.visible());
    EXPECT_EQ(rig.p().overlayGeneration(), 1) << "the show was not re-entered";

    // After the commit the two toggles run in turn: hide, then show again.
    LogCapture log;
    rig.duringSlice = nullptr;
    rig.scheduler.runPending();
    EXPECT_EQ(log.count(QStringLiteral("hideTilehall() called — isVisible=true")), 1);
    EXPECT_EQ(log.count(QStringLiteral("Tilehall shown")), 1);
    EXPECT_TRUE(rig.visible());
}

TEST(OverlayPresenter, ShowIsRefusedWhileQuittingOrWithoutAWindow)
{
    PresenterRig rig;
    rig.p().setQuitting();
    rig.p().showTilehall();
    EXPECT_FALSE(rig.visible());
    EXPECT_TRUE(rig.surfaces.calls.isEmpty());

    PresenterRig bare;
    bare.surfaces.window = false;
    LogCapture log;
    bare.p().showTilehall();
    EXPECT_FALSE(bare.visible());
    EXPECT_TRUE(log.contains(QStringLiteral("showTilehall: no window reference!")));
}

TEST(OverlayPresenter, WindowsThatSurviveTheHideAreOrderedOutAgainThenReported)
{
    PresenterRig rig;
    showAndSettle(rig);
    rig.surfaces.stuck = true;
    LogCapture log;
    rig.p().hideTilehall();
    rig.scheduler.advance(0.25 + 0.6);
    EXPECT_TRUE(log.contains(QStringLiteral("隐藏后仍有遮罩窗在屏幕上（tilehall,cover），补一次 orderOut")));
    EXPECT_EQ(rig.surfaces.count("orderOut"), 2);
    rig.scheduler.advance(0.5);
    EXPECT_TRUE(log.contains(QStringLiteral("遮罩窗二次 orderOut 后仍未移除，需人工排查")));
}

TEST(OverlayPresenter, ReopenShowsOnTheDockScreenHidesWhenVisibleAndIsIgnoredWhileStartingOrExiting)
{
    PresenterRig rig;
    rig.dockScreen = screenNamed(QStringLiteral("D"), 1440);
    LogCapture log;
    EXPECT_TRUE(rig.p().applicationShouldHandleReopen(false));
    EXPECT_TRUE(rig.visible());
    EXPECT_EQ(rig.p().tilehallScreen()->name, QStringLiteral("D"));
    EXPECT_TRUE(log.contains(QStringLiteral("PERF reopen(show) — dockScreen=")));

    rig.scheduler.advance(1);
    EXPECT_TRUE(rig.p().applicationShouldHandleReopen(true));
    EXPECT_FALSE(rig.visible());
    rig.scheduler.advance(1);

    rig.p().setColdStartSplashActive(true);
    EXPECT_TRUE(rig.p().applicationShouldHandleReopen(false));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段154：冷启动进度中，忽略本次 reopen")));
    rig.p().setColdStartSplashActive(false);
    rig.exiting = true;
    EXPECT_TRUE(rig.p().applicationShouldHandleReopen(false));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段88.5：正在退出，忽略本次 reopen")));
    EXPECT_FALSE(rig.visible());
}
