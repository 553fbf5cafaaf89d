#include "Support/FrameTicker.h"
#include "Support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <vector>

using namespace corvanta;

TEST(VirtualScheduler, RunsTasksInDueOrderWithTheClockAtTheirDueTime)
{
    VirtualScheduler s(0);
    std::vector<std::pair<int, double>> ran;
    s.schedule(0.5, [&] { ran.push_back({2, s.now()}); });
    s.schedule(0.1, [&] { ran.push_back({1, s.now()}); });
    s.schedule(0.5, [&] { ran.push_back({3, s.now()}); }); // same due time: after the earlier one
    s.advance(0.4);
    ASSERT_EQ(ran.size(), 1u);
    s.advance(0.2);
    ASSERT_EQ(ran.size(), 3u);
    EXPECT_EQ(ran[1].first, 2);
    EXPECT_EQ(ran[2].first, 3);
    EXPECT_DOUBLE_EQ(ran[0].second, 0.1);
    EXPECT_DOUBLE_EQ(ran[2].second, 0.5);
    EXPECT_DOUBLE_EQ(s.now(), 0.6);
}

TEST(VirtualScheduler, CancelledAndRepeatingTasks)
{
    VirtualScheduler s(0);
    int once = 0, repeats = 0;
    auto id = s.schedule(1, [&] { ++once; });
    s.cancel(id);
    Scheduler::TaskId rep = 0;
    rep = s.scheduleRepeating(0.25, [&] {
        if (++repeats == 3)
            s.cancel(rep); // a repeating task may cancel itself
    });
    s.advance(2);
    EXPECT_EQ(once, 0);
    EXPECT_EQ(repeats, 3);
    EXPECT_EQ(s.pendingCount(), 0u);
}

TEST(VirtualScheduler, TaskScheduledWhileRunningRunsWithinTheSameAdvance)
{
    VirtualScheduler s(0);
    std::vector<double> times;
    s.schedule(0.1, [&] { s.schedule(0.2, [&] { times.push_back(s.now()); }); });
    s.advance(0.3);
    ASSERT_EQ(times.size(), 1u);
    EXPECT_NEAR(times[0], 0.3, 1e-12);
}

TEST(ScheduledTask, CancelsOnDestructionAndReplacement)
{
    VirtualScheduler s(0);
    int a = 0, b = 0;
    {
        ScheduledTask t(&s, s.schedule(1, [&] { ++a; }));
        t = ScheduledTask(&s, s.schedule(1, [&] { ++b; }));
    }
    s.advance(2);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
}

TEST(FrameTicker, TicksAtTheRefreshRateUntilStopped)
{
    VirtualScheduler s(0);
    FrameTicker ticker(s, 120);
    std::vector<double> frames;
    ticker.start([&](double t) {
        frames.push_back(t);
        if (frames.size() == 4)
            ticker.stop();
    });
    s.advance(1);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_NEAR(frames[0], 1.0 / 120, 1e-9);
    EXPECT_NEAR(frames[3] - frames[2], 1.0 / 120, 1e-9);
    EXPECT_FALSE(ticker.isRunning());
}
