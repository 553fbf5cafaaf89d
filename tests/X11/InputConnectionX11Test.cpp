#include <gtest/gtest.h>

#include "Platform/X11InputConnection.h"
#include "common/ProcessUntil.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>

using namespace corvanta;
using corvanta::test::processUntil;

// Events that reach the connection while a batch is being finished (its pointer query is a round
// trip, which reads them into Xlib's queue, where the socket no longer tells of them) are read
// at once as a batch of their own, not left until some later event wakes the connection.
TEST(InputConnectionOnX11, EventsReadDuringTheBatchsRoundTripMakeTheNextBatch)
{
    Display* mover = XOpenDisplay(nullptr);
    ASSERT_NE(mover, nullptr);
    X11InputConnection connection(0);
    ASSERT_TRUE(connection.isAvailable());
    int moves = 0;
    int batches = 0;
    const auto moveTo = [&](int x, int y) {
        XTestFakeMotionEvent(mover, -1, x, y, CurrentTime);
        XSync(mover, False);
    };
    ASSERT_TRUE(connection.listen(
        {XI_RawMotion}, [&](int, const void*) { ++moves; },
        [&] {
            if (++batches != 1)
                return;
            // The pointer moves again while the first batch ends with a round trip of its own.
            moveTo(300, 200);
            XSync(connection.display(), False);
        }));
    moveTo(10, 10);
    moveTo(100, 100);
    EXPECT_TRUE(processUntil([&] { return batches >= 2; }, 3000)) << batches << " batches, " << moves << " moves";
    EXPECT_GE(moves, 2);
    connection.stopListening();
    XCloseDisplay(mover);
}

// The next batch is posted to the event loop, never read in a loop inside the batch before it: on
// a slow connection every round trip can bring new moves, and a loop would then hold the main
// thread (no paint, no timer) for as long as the pointer moves. Work queued during a batch
// therefore runs before the next batch starts.
TEST(InputConnectionOnX11, TheNextBatchComesThroughTheEventLoop)
{
    Display* mover = XOpenDisplay(nullptr);
    ASSERT_NE(mover, nullptr);
    X11InputConnection connection(0);
    ASSERT_TRUE(connection.isAvailable());
    int batches = 0;
    bool queuedWorkRan = false;
    bool queuedWorkRanBeforeTheSecondBatch = false;
    const auto moveTo = [&](int x, int y) {
        XTestFakeMotionEvent(mover, -1, x, y, CurrentTime);
        XSync(mover, False);
    };
    ASSERT_TRUE(connection.listen(
        {XI_RawMotion}, [](int, const void*) {},
        [&] {
            ++batches;
            if (batches == 2)
                queuedWorkRanBeforeTheSecondBatch = queuedWorkRan;
            if (batches != 1)
                return;
            QMetaObject::invokeMethod(&connection, [&] { queuedWorkRan = true; }, Qt::QueuedConnection);
            // Moves that the batch's own round trip reads into Xlib's queue.
            moveTo(300, 200);
            XSync(connection.display(), False);
        }));
    moveTo(10, 10);
    moveTo(100, 100);
    ASSERT_TRUE(processUntil([&] { return batches >= 2; }, 3000)) << batches << " batches";
    EXPECT_TRUE(queuedWorkRanBeforeTheSecondBatch) << "the second batch was read inside the first";
    connection.stopListening();
    XCloseDisplay(mover);
}
