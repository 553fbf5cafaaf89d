#include "Support/TaskRunner.h"
#include "Views/GridCellServices.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

// Where a task handed to `runner` ran: off the calling thread, and whether on Qt's global pool.
struct Placement {
    bool offCaller = false;
    bool onGlobalPool = true;
};

Placement placementOf(const TaskRunner& runner)
{
    QSemaphore done;
    Placement placement;
    QThread* caller = QThread::currentThread();
    runner([&] {
        placement.offCaller = QThread::currentThread() != caller;
        placement.onGlobalPool = QThreadPool::globalInstance()->contains(QThread::currentThread());
        done.release();
    });
    EXPECT_TRUE(done.tryAcquire(1, 10000));
    return placement;
}

} // namespace

// Qt's painter hands pieces of large fills to the global pool and waits for them: icon decoding
// and cache writes queued there would hold up the frame being drawn.
TEST(IconLoadPool, IconLoadsAndCacheWritesRunInTheBackgroundButNeverOnTheGlobalPool)
{
    for (const TaskRunner& runner : {iconLoadRunner(), utilityRunner(), GridCellServices().iconLoads}) {
        const Placement placement = placementOf(runner);
        EXPECT_TRUE(placement.offCaller);
        EXPECT_FALSE(placement.onGlobalPool);
    }
    // The global pool itself is what the check tells apart.
    EXPECT_TRUE(placementOf(threadPoolRunner()).onGlobalPool);
}
