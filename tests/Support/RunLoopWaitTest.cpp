#include "Support/QtScheduler.h"
#include "Support/RunLoopWait.h"
#include "Support/VirtualScheduler.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace corvanta;

TEST(RunLoopWait, TurnsTheLoopInShortSlicesUntilTheDeadline)
{
    VirtualClock clock;
    std::vector<double> slices;
    RunLoopWait wait(clock, [&](double s) {
        slices.push_back(s);
        clock.set(clock.now() + s);
    });
    EXPECT_FALSE(wait.until([] { return false; }, 0.012));
    ASSERT_EQ(slices.size(), 3u);
    EXPECT_DOUBLE_EQ(slices[0], 0.005);
    EXPECT_NEAR(slices[2], 0.002, 1e-9);

    // Already ready: no slice at all.
    slices.clear();
    EXPECT_TRUE(wait.until([] { return true; }, 1));
    EXPECT_TRUE(slices.empty());
}

TEST(RunLoopWait, MainThreadWorkRunsInsideTheWait)
{
    SteadyClock clock;
    RunLoopWait wait(clock);
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    const double t0 = clock.now();
    EXPECT_TRUE(wait.until([&] { return fired; }, 2.0));
    EXPECT_LT(clock.now() - t0, 1.0);

    // A wait that never becomes ready ends at its deadline, not much later.
    const double t1 = clock.now();
    EXPECT_FALSE(wait.until([] { return false; }, 0.05));
    EXPECT_GE(clock.now() - t1, 0.049);
    EXPECT_LT(clock.now() - t1, 0.5);
}
