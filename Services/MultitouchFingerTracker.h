#pragma once

#include "Platform/TouchpadFrameSource.h"
#include "Support/Clock.h"

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QSet>

#include <QPointF>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace corvanta {


// Reads the raw contact frames of the touchpads on a thread of its own and gives the pinch
// recogniser what the desktop's gesture events do not: how many fingers were down a moment ago,
// whether four or five fingers move radially (a pinch) or together (a swipe), and small progress
// steps from the radial motion. The record size is calibrated once on the first frames of three
// or more fingers; positions are trusted only after that.
class MultitouchFingerTracker {
public:
    static constexpr double millimetresPerUnit = 130;
    static constexpr int calibrationAttemptLimit = 30;
    static constexpr double recentFrameWindow = 0.5;

    using MainThreadPoster = std::function<void(std::function<void()>)>;

    struct Callbacks {
        std::function<void(double)> onFrameProgressDelta;
        std::function<void()> onFrameFingersLifted;
        std::function<void()> onSwipeMotionDetected;
        std::function<void()> onPinchMotionConfirmed;
    };

    // `clock` must be safe to read from the frame thread; `postToMain` runs work on the main thread.
    MultitouchFingerTracker(const Clock& clock, MainThreadPoster postToMain, std::unique_ptr<TouchpadFrameSource> source = nullptr);
    ~MultitouchFingerTracker();
    MultitouchFingerTracker(const MultitouchFingerTracker&) = delete;
    MultitouchFingerTracker& operator=(const MultitouchFingerTracker&) = delete;

    static MultitouchFingerTracker& shared();

    // Opens the touchpads and starts the frame thread; does nothing when started.
    void start();
    // Stops and joins the frame thread, drops the callbacks and the per-sequence data.
    void stop();
    bool isStarted() const { return m_started; }

    // Set before each start(); stop() drops them.
    void setCallbacks(Callbacks callbacks);

    int latestFingerCount(double within) const;
    // Opening zeroes the accumulators and notices; closing forgets the finger positions.
    void setProgressGate(bool open);
    bool isProgressGateOpen() const;
    void clearFingerPositions();
    bool geometryReliable() const { return m_geometryReliable; }
    std::optional<int> calibratedStride() const;

    // One frame of `count` fingers (records as in TouchpadFrames.h). Called on the frame thread;
    // tests call it directly.
    void handleFrame(QByteArrayView records, int count);

private:
    struct Step {
        double delta = 0;
        bool swipe = false;
        bool pinch = false;
    };
    void frameLoop();
    void calibrate(QByteArrayView records, int count);
    // The one-time layout dump and live line, then a line whenever a finger state not seen before
    // shows up (at most one each half second).
    void logDiagnostics(QByteArrayView records, int count, int stride, const QList<qint32>& states, double now);
    Step geometryStep(const QHash<qint32, QPointF>& current);
    void post(std::function<void()> work);

    const Clock& m_clock;
    MainThreadPoster m_postToMain;
    std::unique_ptr<TouchpadFrameSource> m_source;
    std::thread m_thread;
    std::atomic<bool> m_started{false};

    // Frame thread only.
    std::optional<int> m_stride;
    int m_calibrationAttempts = 0;
    bool m_calibrationFailed = false;
    bool m_liveLogged = false;
    bool m_dumpLogged = false;
    QSet<qint32> m_seenStates;
    double m_lastStateLogUptime = 0;
    std::atomic<bool> m_geometryReliable{false};
    std::atomic<int> m_publishedStride{0};

    mutable std::mutex m_lock; // guards everything below
    Callbacks m_callbacks;
    struct RecentFrame {
        double time;
        int count;
    };
    std::deque<RecentFrame> m_recentFrames;
    QHash<qint32, QPointF> m_prevPositions;
    double m_swipeAccumRadialMM = 0;
    double m_swipeAccumTotalMM = 0;
    double m_swipeAccumCentroidMM = 0;
    bool m_swipeNotified = false;
    bool m_pinchNotified = false;
    bool m_progressGate = false;
    // Lives as long as the tracker, so a posted notice can tell that the tracker is gone.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

} // namespace corvanta
