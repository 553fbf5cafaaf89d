#pragma once

#include "Support/Clock.h"
#include "Support/TimingCurve.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

namespace corvanta {

// A window whose presented frames can be counted.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // The object whose lifetime bounds the window's (the meter lets go when it is destroyed).
    virtual QObject* frameSourceObject() = 0;
    // Whether the window has content to present (no content, no measurement).
    virtual bool hasPresentableContent() const = 0;
    // The refresh rate of the window's screen, or none when it is on no screen.
    virtual std::optional<int> screenMaxFramesPerSecond() const = 0;
    // `observer` runs after every frame the window paints; an empty function detaches it.
    virtual void setFrameObserver(std::function<void()> observer) = 0;
};

// Measures how smoothly a transition is presented and writes one "PERF fps" line. It runs an
// invisible probe animation (opacity 0 to 1 with the transition's duration and timing) whose value
// is presented only when the window paints a frame, samples the presented value every 4 ms and
// counts each change as one frame; repaints after the probe ended (a caret blink, an icon arriving)
// change nothing and are not counted. With "QUORLA_PAGER_METRICS" = "1" it also follows the
// pager's content position while scrolling. It runs nothing while idle.
class TransitionFPSMeter {
public:
    TransitionFPSMeter(Scheduler& scheduler, bool measuresPager, bool pagerUsesLegacyUpdates);
    ~TransitionFPSMeter();
    TransitionFPSMeter(const TransitionFPSMeter&) = delete;
    TransitionFPSMeter& operator=(const TransitionFPSMeter&) = delete;

    static TransitionFPSMeter& shared();

    static constexpr double sampleInterval = 0.004;
    static constexpr double stallGap = 0.025;

    // Starts a measurement of `window` ("show", "hide" or "scroll"), replacing any running one
    // silently; the probe runs for `duration` with `timing`.
    void start(const QString& label, FrameSource* window, double duration, const TimingCurve& timing);
    // Ends the measurement with its line after `delay`, unless another one started meanwhile.
    void stopAfter(double delay);
    void stop(bool log);

    void beginPagerSettle();
    void notePagerCommit(double cost);

    // The pager's view (held weakly) and how to read its presented content position: the bounds
    // origin's x (reported negated) when `tracksBounds`, else the position's x.
    void setPagerView(QObject* view, bool tracksBounds, std::function<std::optional<double>()> presentedX);

    bool isMeasuring() const { return m_timer.isActive(); }
    // The probe's value as the window last presented it (none before its first frame).
    std::optional<float> presentedProbeValue() const { return m_presented; }
    int session() const { return m_session; }

private:
    void tick();
    void notePaintedFrame();
    void reportPagerPhase();
    bool followsPager() const;

    Scheduler& m_scheduler;
    const bool m_measuresPager;
    const bool m_pagerLegacy;

    QPointer<QObject> m_windowObject;
    FrameSource* m_window = nullptr;
    ScheduledTask m_timer;
    ScheduledTask m_delayedStop;
    QList<double> m_frameTimes;
    int m_tickCount = 0;
    double m_duration = 0;
    TimingCurve m_timing = TimingCurve::linear();
    std::optional<float> m_presented;
    float m_lastValue = -1;
    double m_t0 = 0;
    QString m_label;
    int m_screenMaxFPS = 60;
    int m_session = 0;

    QPointer<QObject> m_pagerView;
    bool m_pagerTracksBounds = false;
    std::function<std::optional<double>()> m_pagerPresentedX;
    QList<double> m_pagerFrames;
    std::optional<double> m_pagerLastX;
    int m_pagerCommitCount = 0;
    double m_pagerCommitCost = 0;
    double m_pagerCommitMax = 0;
    QString m_pagerPhase = QStringLiteral("follow");
};

} // namespace corvanta
