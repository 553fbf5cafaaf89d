#include "Platform/TouchpadFrameSource.h"
#include "Platform/TouchpadFrames.h"
#include "Services/MultitouchFingerTracker.h"
#include "Support/VirtualScheduler.h"
#include "common/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>

#include <condition_variable>
#include <deque>
#include <mutex>

using namespace corvanta;

namespace {

std::vector<FingerRecord> square(qint32 frame, double cx, double cy, double half, int fingers = 4)
{
    const double dx[] = {-1, 1, -1, 1, 0};
    const double dy[] = {-1, -1, 1, 1, 0};
    std::vector<FingerRecord> out;
    for (int i = 0; i < fingers; ++i)
        out.push_back({frame, 10 + i, TouchpadFrames::touchingState, float(cx + dx[i] * half), float(cy + dy[i] * half)});
    return out;
}

// A tracker on virtual time whose notices wait in a queue until the test delivers them.
struct TrackerRig {
    VirtualClock clock;
    std::deque<std::function<void()>> posted;
    MultitouchFingerTracker tracker{clock, [this](std::function<void()> work) { posted.push_back(std::move(work)); }};
    std::vector<double> steps;
    int lifted = 0, swipes = 0, pinches = 0;

    TrackerRig()
    {
        clock.set(100);
        MultitouchFingerTracker::Callbacks c;
        c.onFrameProgressDelta = [this](double d) { steps.push_back(d); };
        c.onFrameFingersLifted = [this] { ++lifted; };
        c.onSwipeMotionDetected = [this] { ++swipes; };
        c.onPinchMotionConfirmed = [this] { ++pinches; };
        tracker.setCallbacks(std::move(c));
    }
    void frame(const std::vector<FingerRecord>& fingers, int stride = TouchpadFrames::defaultStride)
    {
        const QByteArray bytes = TouchpadFrames::encode(fingers, stride);
        tracker.handleFrame(bytes, int(fingers.size()));
        clock.set(clock.now() + 0.01);
    }
    void deliver()
    {
        while (!posted.empty()) {
            auto work = std::move(posted.front());
            posted.pop_front();
            work();
        }
    }
};

} // namespace

TEST(TouchpadFrames, ReadsOnlyRecordsWhollyInsideTheFrame)
{
    const QByteArray bytes = TouchpadFrames::encode(square(7, 0.5, 0.5, 0.1), 88);
    const auto third = TouchpadFrames::readRecord(bytes, 88, 2);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->identifier, 12);
    EXPECT_FLOAT_EQ(third->x, 0.4f);
    EXPECT_FLOAT_EQ(third->y, 0.6f);
    EXPECT_FALSE(TouchpadFrames::readRecord(bytes, 88, 4)) << "past the last record";
    EXPECT_FALSE(TouchpadFrames::readRecord(bytes.left(3 * 88 + 51), 88, 3)) << "one byte short of the y field";
    EXPECT_FALSE(TouchpadFrames::readRecord(bytes, 112, 3)) << "a wider stride runs off the end";
}

TEST(TouchpadFrames, CalibrationFindsTheStrideWhereSmallerCandidatesFail)
{
    struct Case {
        int stride;
        int fingers;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {96, 3, 96}, {96, 4, 96}, {56, 5, 56}, {112, 4, 112}, {88, 3, 88},
        {96, 2, std::nullopt}, // two fingers never calibrate
        {120, 4, std::nullopt}, // no candidate fits
    };
    for (const Case& c : cases) {
        const QByteArray bytes = TouchpadFrames::encode(square(7, 0.5, 0.5, 0.1, c.fingers), c.stride);
        EXPECT_EQ(TouchpadFrames::calibrateStride(bytes, c.fingers), c.expected) << c.stride << "/" << c.fingers;
    }
    // A frame claiming more fingers than its bytes hold, or out-of-range values, does not fit.
    const QByteArray four = TouchpadFrames::encode(square(7, 0.5, 0.5, 0.1), 96);
    EXPECT_FALSE(TouchpadFrames::calibrateStride(four.left(96 * 2 + 10), 4));
    auto wild = square(7, 0.5, 0.5, 0.1);
    wild[2].x = 3.0f;
    EXPECT_FALSE(TouchpadFrames::calibrateStride(TouchpadFrames::encode(wild, 96), 4));
}

TEST(MultitouchFingerTracker, CalibratesOnceOrGivesUpAfterThirtyFrames)
{
    {
        test::LogCapture log;
        TrackerRig rig;
        rig.frame(square(1, 0.5, 0.5, 0.1, 2), 96);
        EXPECT_FALSE(rig.tracker.geometryReliable());
        rig.frame(square(2, 0.5, 0.5, 0.1, 3), 96);
        rig.frame(square(3, 0.5, 0.5, 0.1, 3), 96);
        EXPECT_TRUE(rig.tracker.geometryReliable());
        EXPECT_EQ(rig.tracker.calibratedStride(), 96);
        EXPECT_EQ(log.count(QStringLiteral("MT stride calibrated — stride=96（n=3")), 1);
    }
    {
        test::LogCapture log;
        TrackerRig rig;
        for (int i = 0; i < 29; ++i)
            rig.frame(square(i + 1, 0.5, 0.5, 0.1), 120);
        EXPECT_FALSE(log.contains(QStringLiteral("MT stride calibration FAILED")));
        rig.frame(square(30, 0.5, 0.5, 0.1), 120);
        EXPECT_EQ(log.count(QStringLiteral("MT stride calibration FAILED")), 1);
        // Settled for good: a frame that would fit changes nothing.
        rig.frame(square(31, 0.5, 0.5, 0.1), 88);
        EXPECT_FALSE(rig.tracker.geometryReliable());
        EXPECT_EQ(log.count(QStringLiteral("MT stride calibration FAILED")), 1);
    }
}

TEST(MultitouchFingerTracker, BeforeCalibrationPositionsAreReadAtTheDefaultStrideButNothingIsJudged)
{
    TrackerRig rig;
    rig.tracker.setProgressGate(true);
    // Two fingers never calibrate; they move apart along x, each 0.02 further from the centroid
    // per frame: a radial change of 2.6 mm per finger, a step of 2.6 / 10.
    for (int i = 0; i < 6; ++i)
        rig.frame(square(i + 1, 0.5, 0.5, 0.1 + 0.02 * i, 2));
    rig.deliver();
    EXPECT_FALSE(rig.tracker.geometryReliable());
    EXPECT_EQ(rig.tracker.latestFingerCount(0.12), 2);
    ASSERT_EQ(rig.steps.size(), 5u);
    for (const double step : rig.steps)
        EXPECT_NEAR(step, 0.26, 1e-4);
    EXPECT_EQ(rig.pinches + rig.swipes, 0) << "15 mm of motion, yet no judgement without a calibrated stride";

    // A count larger than the frame's bytes: nothing is read past its end.
    const QByteArray two = TouchpadFrames::encode(square(9, 0.5, 0.5, 0.1, 2));
    rig.tracker.handleFrame(two, 5);
    rig.tracker.handleFrame(QByteArrayView(), 4);
    EXPECT_EQ(rig.tracker.latestFingerCount(0.12), 4);
}

TEST(MultitouchFingerTracker, LogsTheRecordLayoutOnceAndEachNewFingerStateAtMostTwiceASecond)
{
    test::LogCapture log;
    TrackerRig rig;
    auto withStates = [](qint32 frame, std::vector<qint32> states) {
        auto fingers = square(frame, 0.5, 0.5, 0.1, int(states.size()));
        for (std::size_t i = 0; i < states.size(); ++i)
            fingers[i].state = states[i];
        return fingers;
    };
    rig.frame(withStates(1, {4}));
    EXPECT_EQ(log.count(QStringLiteral("MT finger frames live — nFingers=1, states=[4]")), 1);
    rig.frame(withStates(2, {4, 4}));
    rig.frame(withStates(3, {4, 4}));
    const QStringList dumps = log.messages().filter(QStringLiteral("MT layout dump (88B assumption) — "));
    ASSERT_EQ(dumps.size(), 1);
    const QString dump = dumps.front().section(QStringLiteral("MT layout dump (88B assumption) — "), 1);
    const QStringList groups = dump.split(QStringLiteral(" | "));
    ASSERT_EQ(groups.size(), 2);
    // 22 words of 4 bytes per 88-byte record; the x and y of the two fingers at +44 and +48.
    EXPECT_EQ(groups[0].split(QLatin1Char(' ')).size(), 22);
    EXPECT_TRUE(groups[0].startsWith(QStringLiteral("[+0:")));
    EXPECT_TRUE(groups[0].contains(QStringLiteral(" +44:0.4000 +48:0.4000 ")));
    EXPECT_TRUE(groups[1].contains(QStringLiteral(" +44:0.6000 +48:0.4000 ")));
    EXPECT_TRUE(groups[1].endsWith(QStringLiteral(" +84:0.0000]")));
    EXPECT_FALSE(log.contains(QStringLiteral("MT state first seen")));

    rig.frame(withStates(4, {4, 7}));
    EXPECT_EQ(log.count(QStringLiteral("MT state first seen — nFingers=2, states=[4,7]")), 1);
    rig.frame(withStates(5, {4, 7}));
    rig.frame(withStates(6, {3, 7})); // new, but within half a second of the last line
    rig.clock.set(rig.clock.now() + 0.5);
    rig.frame(withStates(7, {3, 7})); // seen by now
    rig.frame(withStates(8, {5, 7}));
    EXPECT_EQ(log.count(QStringLiteral("MT state first seen")), 2);
    EXPECT_EQ(log.count(QStringLiteral("MT state first seen — nFingers=2, states=[5,7]")), 1);
    EXPECT_EQ(log.count(QStringLiteral("MT finger frames live")), 1);
    EXPECT_EQ(log.count(QStringLiteral("MT layout dump")), 1);
}

TEST(MultitouchFingerTracker, SidewaysMotionIsASwipeAndInwardMotionAPinch)
{
    {
        TrackerRig rig;
        rig.frame(square(1, 0.3, 0.5, 0.05)); // calibrates
        rig.tracker.setProgressGate(true);
        int swipeFrame = 0;
        for (int i = 0; i <= 10; ++i) {
            rig.frame(square(2 + i, 0.3 + 0.002 * i, 0.5, 0.05));
            rig.deliver();
            if (rig.swipes && !swipeFrame)
                swipeFrame = i;
        }
        EXPECT_EQ(rig.swipes, 1);
        EXPECT_EQ(rig.pinches, 0);
        // 4 fingers × 0.26 mm a frame: the accumulated movement reaches 6 mm in the sixth moving frame.
        EXPECT_EQ(swipeFrame, 6);
        EXPECT_TRUE(rig.steps.empty()) << "parallel motion has no radial progress";
    }
    {
        TrackerRig rig;
        rig.frame(square(1, 0.5, 0.5, 0.2));
        rig.tracker.setProgressGate(true);
        rig.frame(square(2, 0.5, 0.5, 0.2));
        rig.frame(square(3, 0.5, 0.5, 0.198));
        rig.deliver();
        EXPECT_EQ(rig.pinches, 0) << "1.47 mm so far";
        rig.frame(square(4, 0.5, 0.5, 0.196));
        rig.deliver();
        EXPECT_EQ(rig.pinches, 1) << "2.94 mm: confirmed";
        ASSERT_EQ(rig.steps.size(), 2u);
        EXPECT_NEAR(rig.steps[0], 130 * 0.002 * std::sqrt(2.0) / 10, 1e-4);
        rig.frame(square(5, 0.5, 0.5, 0.190));
        rig.deliver();
        EXPECT_EQ(rig.pinches, 1) << "one notice per sequence";
    }
}

TEST(MultitouchFingerTracker, FingerCountAgesAndLiftOffNotifiesOnlyWithTheGateOpen)
{
    TrackerRig rig;
    rig.frame(square(1, 0.5, 0.5, 0.1, 5));
    EXPECT_EQ(rig.tracker.latestFingerCount(0.12), 5);
    rig.clock.set(rig.clock.now() + 0.2);
    EXPECT_EQ(rig.tracker.latestFingerCount(0.12), 0);

    rig.tracker.handleFrame(QByteArrayView(), 0);
    rig.deliver();
    EXPECT_EQ(rig.lifted, 0) << "gate closed";

    rig.tracker.setProgressGate(true);
    rig.tracker.handleFrame(QByteArrayView(), 0);
    rig.tracker.handleFrame(QByteArrayView(), 0);
    rig.deliver();
    EXPECT_EQ(rig.lifted, 1);
    EXPECT_FALSE(rig.tracker.isProgressGateOpen());
}

namespace {

// Frames handed over by the test; `nextFrame` blocks like a device read until one arrives or the
// tracker interrupts it.
class QueueFrameSource final : public TouchpadFrameSource {
public:
    bool open(QString*) override { return true; }
    int deviceCount() const override { return 1; }
    bool nextFrame(QByteArray& records, int& count) override
    {
        std::unique_lock lock(mutex);
        wake.wait(lock, [this] { return interrupted || !frames.empty(); });
        if (interrupted)
            return false;
        records = frames.front().first;
        count = frames.front().second;
        frames.pop_front();
        ++delivered;
        wake.notify_all();
        return true;
    }
    void interrupt() override
    {
        std::lock_guard lock(mutex);
        interrupted = true;
        wake.notify_all();
    }
    void close() override { closed = true; }
    void push(const QByteArray& records, int count)
    {
        std::lock_guard lock(mutex);
        frames.emplace_back(records, count);
        wake.notify_all();
    }
    void waitUntilDelivered(int n)
    {
        std::unique_lock lock(mutex);
        wake.wait(lock, [&] { return delivered >= n; });
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::pair<QByteArray, int>> frames;
    bool interrupted = false;
    bool closed = false;
    int delivered = 0;
};

} // namespace

TEST(MultitouchFingerTracker, FramesArriveOnItsOwnThreadAndStopJoinsIt)
{
    VirtualClock clock;
    clock.set(10);
    auto source = std::make_unique<QueueFrameSource>();
    QueueFrameSource* frames = source.get();
    std::mutex postedMutex;
    std::vector<std::function<void()>> posted;
    MultitouchFingerTracker tracker(
        clock,
        [&](std::function<void()> work) {
            std::lock_guard lock(postedMutex);
            posted.push_back(std::move(work));
        },
        std::move(source));
    int lifted = 0;
    MultitouchFingerTracker::Callbacks callbacks;
    callbacks.onFrameFingersLifted = [&] { ++lifted; };
    tracker.setCallbacks(callbacks);
    tracker.start();
    ASSERT_TRUE(tracker.isStarted());

    tracker.setProgressGate(true);
    frames->push(TouchpadFrames::encode(square(1, 0.5, 0.5, 0.1)), 4);
    frames->push(QByteArray(), 0);
    frames->waitUntilDelivered(2);
    tracker.stop(); // returns once the frame thread has ended
    EXPECT_FALSE(tracker.isStarted());
    EXPECT_TRUE(frames->closed);

    // The lift-off notice was posted with its own copy of the callback, so it runs even though
    // stop() has dropped the tracker's callbacks since.
    ASSERT_EQ(posted.size(), 1u);
    posted.front()();
    EXPECT_EQ(lifted, 1);
    EXPECT_EQ(tracker.latestFingerCount(1), 0) << "stop empties the recent frames";
}
