#include "Platform/WindowLevels.h"
#include "Support/VirtualScheduler.h"
#include "Views/ColdStartSplashWindow.h"
#include "common/FakeWindowing.h"
#include "common/LogCapture.h"

#include <QWindow>

#include <gtest/gtest.h>

using namespace corvanta;

TEST(ColdStartSplashWindow, TheBarFillsIn09SecondsThenTheCompletionRunsOnceAndThePanelStays)
{
    VirtualScheduler scheduler;
    test::RecordedStack stack;
    ColdStartSplashWindowController splash(scheduler, stack.stack);
    test::LogCapture log;
    int done = 0;
    splash.present([&] { ++done; });

    ASSERT_TRUE(splash.isVisible());
    EXPECT_EQ(splash.panel()->windowTitle(), QStringLiteral("Corvanta"));
    EXPECT_EQ(splash.view()->size(), QSize(300, 112));
    EXPECT_EQ(stack.stack.level(splash.panel()->windowHandle()), WindowLevel::aboveOverlay);
    EXPECT_TRUE(log.contains(QStringLiteral("阶段154/155：展示冷启动进度小窗（0.9s）")));
    EXPECT_EQ(splash.view()->caption(), QStringLiteral("加载中"));

    scheduler.advance(0.45);
    EXPECT_NEAR(splash.progress(), 0.5, 0.05);
    EXPECT_EQ(done, 0);
    scheduler.advance(0.45);
    EXPECT_EQ(done, 1);
    EXPECT_DOUBLE_EQ(splash.progress(), 1.0);
    EXPECT_EQ(splash.view()->caption(), QStringLiteral("即将打开"));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段154/155：冷启动进度完成")));
    EXPECT_TRUE(splash.isVisible()); // until the cold-start finish dismisses it
    scheduler.advance(5);
    EXPECT_EQ(done, 1);

    splash.dismiss();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(splash.progress(), 0.0);
}

TEST(ColdStartSplashWindow, APresentAgainReplacesTheCompletionAndADismissCancelsIt)
{
    VirtualScheduler scheduler;
    test::RecordedStack stack;
    ColdStartSplashWindowController splash(scheduler, stack.stack);
    int first = 0, second = 0;
    splash.present([&] { ++first; });
    scheduler.advance(0.5);
    splash.present([&] { ++second; });
    EXPECT_EQ(splash.progress(), 0.0); // starts over
    scheduler.advance(0.85);
    EXPECT_EQ(second, 0);
    scheduler.advance(0.05); // 0.9 s after the second present
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);

    int third = 0;
    splash.present([&] { ++third; });
    scheduler.advance(0.3);
    splash.dismiss();
    scheduler.advance(5);
    EXPECT_EQ(third, 0);
    EXPECT_FALSE(splash.isVisible());
}
