#include "common/WallpaperTestSupport.h"
#include "common/LogCapture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

struct WallpaperStoreTest : ::testing::Test, WallpaperStoreHarness {
    LogCapture log;

    QColor shownColour() const { return QColor(store->blurredImage().pixel(200, 150)); }
    QStringList cacheFiles() const { return QDir(cacheDirectory).entryList(QDir::Files, QDir::Name); }
};

} // namespace

TEST_F(WallpaperStoreTest, PublishesTheBlurAndRemembersIt)
{
    refreshAndRun(0.8);
    ASSERT_EQ(published, 1);
    EXPECT_TRUE(store->blurredImageAnimated());
    EXPECT_EQ(shownColour(), QColor(200, 40, 40));
    EXPECT_DOUBLE_EQ(store->lastRadius(), 0.8 * 400 * 0.03);
    EXPECT_EQ(store->verifiedGeneration(), 0u);
    EXPECT_EQ(store->lastIdentity()->token.left(5), "file:");
    EXPECT_TRUE(log.contains("WallpaperStore: 壁纸更新完成 radius=9.6px"));
    const QString name = WallpaperBlurCache::fileName(*store->lastFingerprint(), 9.6, 400, 300);
    EXPECT_EQ(cacheFiles(), QStringList({name, "latest.json"}));
    EXPECT_TRUE(cache.readLatestEntry(1512, 982));
    EXPECT_FALSE(store->refreshState().active);

    // Another store on the same cache finds the blur on disk.
    store = makeStore();
    log.clear();
    refreshAndRun(0.8);
    EXPECT_TRUE(log.contains("WallpaperStore: 壁纸模糊缓存命中 radius=9.6px 400x300"));
}

TEST_F(WallpaperStoreTest, RepeatsWithinToleranceAreSkippedOrConfirmed)
{
    refreshAndRun(0.8);
    store->refresh(0.8005);
    EXPECT_EQ(background.pending(), 0);
    EXPECT_EQ(log.count("阶段64：壁纸已在本代校验过且强度未变，跳过重复采集"), 1);

    store->refresh(0.802); // runs, finds the same picture at nearly the same radius
    EXPECT_EQ(background.pending(), 1);
    runJobs();
    EXPECT_EQ(published, 1);
    store->refresh(0.802);
    EXPECT_EQ(log.count("阶段64：壁纸已在本代校验过且强度未变，跳过重复采集"), 2);

    refreshAndRun(0.3); // a real change of strength publishes the new radius
    EXPECT_EQ(published, 2);
    EXPECT_DOUBLE_EQ(store->lastRadius(), 0.3 * 400 * 0.03);
}

TEST_F(WallpaperStoreTest, OneJobAtATimeWithTheLatestRequestWaiting)
{
    store->refresh(0.8);
    store->refresh(0.5);
    store->refresh(0.3);
    EXPECT_EQ(background.pending(), 1);
    EXPECT_EQ(store->refreshState().active->strength, 0.8);
    EXPECT_EQ(store->refreshState().pending->strength, 0.3);
    background.runAll();
    main.runAll(); // the 0.8 result is stale: dropped, and 0.3 is asked for again
    EXPECT_EQ(published, 0);
    EXPECT_EQ(store->refreshState().active->strength, 0.3);
    runJobs();
    EXPECT_EQ(published, 1);
    EXPECT_DOUBLE_EQ(store->lastRadius(), 0.3 * 400 * 0.03);

    store->refresh(0.6);
    store->refresh(0.7);
    store->refresh(0.6); // equal to the running request: the waiting one goes
    EXPECT_FALSE(store->refreshState().pending);
    runJobs();
    EXPECT_EQ(published, 2);
}

TEST_F(WallpaperStoreTest, StrengthZeroShowsThePlainPictureWithoutCacheFile)
{
    refreshAndRun(0);
    ASSERT_EQ(published, 1);
    EXPECT_DOUBLE_EQ(store->lastRadius(), 1);
    EXPECT_EQ(store->blurredImage().size(), QSize(400, 300));
    EXPECT_EQ(cacheFiles(), QStringList({"latest.json"}));
    // The pointer names a file that was never stored, so the next start misses.
    EXPECT_FALSE(cache.readLatestEntry(1512, 982));
}

TEST_F(WallpaperStoreTest, ScreenSwitchInvalidatesAndDropsTheRunningJob)
{
    refreshAndRun(0.8);
    store->setScreen(QRectF(0, 0, 1512, 982));
    EXPECT_EQ(store->refreshState().generation, 0u);
    EXPECT_TRUE(store->lastFingerprint());

    store->refresh(0.5);
    background.runAll();
    store->setScreen(QRectF(1512, 0, 1920, 1080));
    EXPECT_TRUE(log.contains("WallpaperStore: 屏幕切换 (0, 0, 1512, 982) -> (1512, 0, 1920, 1080)，壁纸缓存作废"));
    EXPECT_EQ(store->refreshState().generation, 1u);
    EXPECT_FALSE(store->lastFingerprint());
    EXPECT_EQ(store->lastRadius(), 0);
    runJobs();
    EXPECT_EQ(published, 1); // the job of the old screen published nothing
    EXPECT_FALSE(store->blurredImage().isNull());
    refreshAndRun(0.5);
    EXPECT_EQ(published, 2);
}

TEST_F(WallpaperStoreTest, CaptureHoldDefersUntilItEnds)
{
    store->setCaptureHoldUntil(scheduler.now() + 0.5);
    store->refresh(0.8);
    EXPECT_EQ(background.pending(), 0);
    EXPECT_TRUE(log.contains("阶段64：采集静默窗内，推迟 500ms 后再采集"));
    scheduler.advance(0.3);
    store->setCaptureHoldUntil(scheduler.now() + 0.4); // raised again meanwhile
    scheduler.advance(0.2);
    EXPECT_EQ(background.pending(), 0);
    scheduler.advance(0.2);
    EXPECT_EQ(background.pending(), 1);
    runJobs();
    EXPECT_EQ(published, 1);
}

// A request parked behind the hold asks for another strength than the one on screen: when it
// comes back it must run, even though it is also the latest strength asked for.
TEST_F(WallpaperStoreTest, DeferredRequestForANewStrengthIsCarriedOut)
{
    refreshAndRun(0.8);
    store->setCaptureHoldUntil(scheduler.now() + 0.3);
    store->refresh(0.3);
    scheduler.advance(0.3);
    runJobs();
    EXPECT_EQ(published, 2);
    EXPECT_DOUBLE_EQ(store->lastRadius(), 0.3 * 400 * 0.03);

    // The same through the pending slot.
    store->refresh(0.5);
    store->refresh(0.9);
    store->refresh(0.5);
    runJobs();
    EXPECT_DOUBLE_EQ(store->lastRadius(), 0.5 * 400 * 0.03);
}

TEST_F(WallpaperStoreTest, NewWallpaperIdentityOutdatesTheRunningJob)
{
    refreshAndRun(0.8);
    store->refresh(0.5);
    background.runAll(); // the job has resolved and blurred the old picture
    showPicture("B.png");
    store->refresh(0.5);
    EXPECT_TRUE(log.contains("阶段137：壁纸身份变化（file:"));
    EXPECT_EQ(store->refreshState().generation, 1u);
    runJobs();
    EXPECT_EQ(published, 2); // the old picture at 0.5 never showed
    EXPECT_EQ(shownColour(), QColor(30, 30, 240));
    EXPECT_TRUE(store->lastIdentity()->token.contains("B.png"));
}

TEST_F(WallpaperStoreTest, NoWallpaperKeepsWhatIsShown)
{
    QFile::remove(tree.locations.indexPlistPath);
    refreshAndRun(0.8);
    EXPECT_EQ(published, 0);
    EXPECT_TRUE(log.contains("WallpaperStore: 未能获取壁纸，保留渐变兜底"));
    EXPECT_FALSE(store->refreshState().active);
}

TEST_F(WallpaperStoreTest, ObservesDesktopNoticesAndThrottlesSpaceChanges)
{
    store->startObservingWallpaperChanges();
    store->startObservingWallpaperChanges();
    EXPECT_EQ(changes.starts, 1);

    Q_EMIT changes.desktopNotification({{"SomethingElse", 1}});
    Q_EMIT changes.desktopNotification({});
    EXPECT_EQ(store->refreshState().generation, 0u);
    Q_EMIT changes.desktopNotification({{"BackgroundChanged", false}});
    EXPECT_EQ(store->refreshState().generation, 1u);
    EXPECT_TRUE(log.contains("WallpaperStore: 收到系统壁纸变更通知，立即重新采集"));
    EXPECT_EQ(background.pending(), 1);
    runJobs();

    Q_EMIT changes.activeSpaceChanged();
    scheduler.advance(1.0);
    Q_EMIT changes.activeSpaceChanged();
    EXPECT_EQ(store->refreshState().generation, 2u);
    EXPECT_EQ(log.count("WallpaperStore: 活动空间变化（距上次 <1.5s，节流跳过）"), 1);
    scheduler.advance(0.6); // 1.6 s after the accepted one
    Q_EMIT changes.activeSpaceChanged();
    EXPECT_EQ(store->refreshState().generation, 3u);
    EXPECT_EQ(log.count("WallpaperStore: 活动空间变化，重新采集壁纸"), 2);
    runJobs();
}

TEST_F(WallpaperStoreTest, WaitForFirstFrame)
{
    QFile::remove(tree.locations.indexPlistPath);
    const double start = scheduler.now();
    EXPECT_FALSE(store->waitForFirstFrame(0.1));
    EXPECT_NEAR(scheduler.now() - start, 0.1, 1e-9);

    showPicture("A.png");
    store->refresh(0.8);
    EXPECT_TRUE(store->waitForFirstFrame(0.6)); // the job finishes inside the first slice
    const double shown = scheduler.now();
    EXPECT_TRUE(store->waitForFirstFrame(0.6));
    EXPECT_EQ(scheduler.now(), shown); // no spinning once there is an image
}

TEST_F(WallpaperStoreTest, LaunchRestoreShowsTheLastBlurAtOnce)
{
    refreshAndRun(0.8);
    const quint64 fingerprint = *store->lastFingerprint();

    store = makeStore();
    published = 0;
    store->restoreLatestForLaunch();
    ASSERT_EQ(published, 1);
    EXPECT_FALSE(store->blurredImageAnimated());
    EXPECT_EQ(store->lastFingerprint(), fingerprint);
    EXPECT_EQ(store->lastRadius(), 10); // as rounded into the file name
    EXPECT_FALSE(store->verifiedGeneration());
    EXPECT_TRUE(log.contains("阶段64：首帧壁纸=同步恢复（耗时 0ms，1512x982，指纹已回填）"));
    store->restoreLatestForLaunch(); // already shown: nothing
    EXPECT_EQ(published, 1);

    // The first refresh finds the same picture and only confirms it.
    refreshAndRun(0.8);
    EXPECT_EQ(published, 1);
    EXPECT_EQ(store->verifiedGeneration(), 0u);

    store = makeStore();
    store->setScreen(QRectF(0, 0, 1512, 983));
    store->restoreLatestForLaunch();
    EXPECT_TRUE(store->blurredImage().isNull());
    EXPECT_TRUE(log.contains("阶段64：首帧壁纸恢复未命中（耗时 0ms，latest 指针缺失或屏幕尺寸不符 1512x983），等待本次解析"));
}

TEST_F(WallpaperStoreTest, KickingTheDesktopOnlyLogs)
{
    kickDesktopWallpaper(screen);
    EXPECT_EQ(log.count("桌面层恢复：已跳过（阶段 49 起不再抓屏，避免录屏授权弹窗）"), 1);
    EXPECT_EQ(background.pending(), 0);
}
