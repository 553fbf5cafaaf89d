#include "Support/TaskRunner.h"
#include "common/ChildExit.h"

#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace corvanta;

namespace {

// Two long tasks hold the utility pool's two threads, one more waits in its queue, and the end
// comes: the long tasks see it and return, the queued one never runs, nothing new is taken, and
// the wait for the pools comes back well within its bound.
[[noreturn]] void stopWithWorkRunningAndQueued()
{
    const TaskRunner runner = utilityRunner();
    std::atomic_int started{0};
    std::atomic_int finished{0};
    std::atomic_int strays{0};
    for (int i = 0; i < 2; ++i) {
        runner([&] {
            started.fetch_add(1);
            while (!backgroundWorkStopped())
                std::this_thread::yield();
            finished.fetch_add(1);
        });
    }
    runner([&] { strays.fetch_add(1); });
    const QDeadlineTimer bound(5000);
    while (started.load() < 2 && !bound.hasExpired())
        std::this_thread::yield();
    if (started.load() < 2)
        test::finishChild(3, "the long tasks never started");

    stopBackgroundWork();
    runner([&] { strays.fetch_add(1); });
    threadPoolRunner()([&] { strays.fetch_add(1); });
    if (!waitForBackgroundWork(2000))
        test::finishChild(4, "the pools were still busy after the wait");
    if (finished.load() != 2)
        test::finishChild(5, "a running task did not see the end");
    if (strays.load() != 0)
        test::finishChild(6, "a task queued before the end, or handed out after it, ran");
    test::finishChild(0, "the work stopped");
}

} // namespace

// The end of background work is for the whole process and is never taken back: a child of its own.
TEST(BackgroundWorkStop, RunningTasksSeeTheEndQueuedOnesAreDroppedAndNothingNewIsTaken)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(stopWithWorkRunningAndQueued(), ::testing::ExitedWithCode(0), "the work stopped");
}
