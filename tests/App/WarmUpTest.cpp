#include "App/WarmUp.h"
#include "Support/VirtualScheduler.h"
#include "common/LogCapture.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

class RecordingBackdrop final : public OverlayBackdrop {
public:
    void setScreen(const DisplayScreen& screen) override { calls << "screen:" + screen.name; }
    void refresh(double strength) override { calls << QStringLiteral("refresh:%1").arg(strength); }
    void raiseCaptureHold(double until) override { hold = std::max(hold, until); }
    bool waitForFirstFrame(double timeout) override
    {
        calls << QStringLiteral("wait:%1").arg(timeout);
        return image;
    }
    bool hasImage() const override { return image; }

    QStringList calls;
    bool image = false;
    double hold = 0;
};

// Virtual time; the icons and the scan finish at the moments the test sets.
struct WarmUpFixture {
    VirtualScheduler scheduler{100.0};
    RecordingBackdrop backdrop;
    LayoutConfig config;
    double iconsReadyAt = 0;   // seconds after the start
    double scanEndsAt = 0;
    double start = scheduler.now();
    int layouts = 0;
    QStringList steps;
    std::optional<double> heavyRefreshAt;

    WarmUp make()
    {
        config.blurStrength = 30;
        WarmUp::Dependencies deps;
        deps.clock = &scheduler.clock();
        deps.runLoopSlice = [this](double seconds) { scheduler.advance(seconds); };
        deps.config = [this] { return config; };
        deps.screen = [] {
            DisplayScreen screen;
            screen.name = QStringLiteral("main");
            return screen;
        };
        deps.backdrop = &backdrop;
        deps.startScan = [this] { steps << QStringLiteral("scan"); };
        deps.isScanning = [this] { return scheduler.now() - start < scanEndsAt; };
        deps.iconsPrewarmed = [this] { return scheduler.now() - start >= iconsReadyAt; };
        deps.prepareAllPages = [this] { steps << QStringLiteral("allPages"); };
        deps.layoutWindows = [this] { ++layouts; };
        deps.drawWindows = [this] { steps << QStringLiteral("draw"); };
        deps.noteHeavyRefresh = [this](double at, const DisplayScreen&) { heavyRefreshAt = at - start; };
        deps.markSyncPresentationDone = [this] { steps << QStringLiteral("syncDone"); };
        return WarmUp(std::move(deps));
    }
    double elapsed() const { return scheduler.now() - start; }
};

} // namespace

TEST(WarmUp, ExtendedPreparesBackdropIconsEveryPageAndTheScanBehindTheSplash)
{
    WarmUpFixture f;
    f.iconsReadyAt = 0.3;
    f.scanEndsAt = 1.0;
    test::LogCapture log;
    f.make().warmUpInBackground(true);

    EXPECT_EQ(f.backdrop.calls, (QStringList{"screen:main", "refresh:30", "wait:0.6"}));
    EXPECT_DOUBLE_EQ(f.backdrop.hold, 100.0 + 1.4); // the wait returned at once: no image, fake time
    EXPECT_EQ(f.steps, (QStringList{"scan", "allPages", "draw", "syncDone"}));
    // 0.35 s of page slices of 0.04 s, each followed by a layout pass, then the draw pass's own.
    EXPECT_EQ(f.layouts, 9 + 1);
    ASSERT_TRUE(f.heavyRefreshAt);
    EXPECT_NEAR(*f.heavyRefreshAt, 1.0, 0.05);
    EXPECT_TRUE(log.contains(QStringLiteral("阶段165：启动扫描已并入布局（")));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段29/160：后台预热完成 — 布局+绘制(0ms) 预热=true 扩展=true；瓦厅保持隐藏待命")));
}

TEST(WarmUp, EveryWaitIsBoundedAndWhatIsNotReadyIsLeftForLater)
{
    WarmUpFixture f;
    f.iconsReadyAt = 60;
    f.scanEndsAt = 60;
    test::LogCapture log;
    f.make().warmUpInBackground(true);
    EXPECT_NEAR(f.elapsed(), 0.8 + 0.35 + 2.0, 1e-6); // the backdrop's wait is the store's own
    EXPECT_FALSE(f.heavyRefreshAt);
    EXPECT_FALSE(f.steps.contains(QStringLiteral("syncDone")));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段165：启动扫描仍在进行，先进入瓦厅，完成后补上新应用")));
    EXPECT_TRUE(log.contains(QStringLiteral("预热=false 扩展=true")));
}

TEST(WarmUp, BackdropWorkFollowsTheBackgroundAndTheMode)
{
    struct Case {
        BackgroundType background;
        bool extended;
        bool restored;
        QStringList calls;
        bool hold;
    };
    const Case cases[] = {
        {BackgroundType::blur, true, true, {"screen:main", "wait:0.6"}, true}, // restored at launch: no new refresh
        {BackgroundType::wallpaper, true, false, {"screen:main", "refresh:0", "wait:0.6"}, true},
        {BackgroundType::blur, false, true, {"screen:main", "refresh:30", "wait:0.1"}, false},
        {BackgroundType::color, true, false, {}, false},
    };
    for (const Case& c : cases) {
        WarmUpFixture f;
        f.config.backgroundType = c.background;
        f.backdrop.image = c.restored;
        f.make().warmUpInBackground(c.extended);
        EXPECT_EQ(f.backdrop.calls, c.calls);
        EXPECT_EQ(f.backdrop.hold > 0, c.hold);
    }
}

TEST(WarmUp, SilentStartsTheScanWaitsBrieflyForIconsAndDrawsOnce)
{
    WarmUpFixture f;
    f.iconsReadyAt = 60;
    f.scanEndsAt = 60;
    test::LogCapture log;
    f.make().warmUpInBackground(false);
    EXPECT_NEAR(f.elapsed(), 0.1, 1e-6);
    EXPECT_EQ(f.steps, (QStringList{"scan", "draw"}));
    EXPECT_EQ(f.layouts, 1);
    EXPECT_FALSE(log.contains(QStringLiteral("阶段165")));
    EXPECT_TRUE(log.contains(QStringLiteral("预热=false 扩展=false；瓦厅保持隐藏待命")));
}
