#pragma once

#include "Support/Clock.h"
#include "Support/FrameTicker.h"
#include "Support/TimingCurve.h"

#include <functional>

namespace corvanta {

// One animatable number of a view, moved frame by frame along a timing curve. Frames come from a
// FrameTicker on the injected Scheduler, so tests step the animation with virtual time. A new
// animation starts from the value shown at that moment, so an interrupted one never jumps.
class ValueAnimator {
public:
    using Apply = std::function<void(double value)>;

    ValueAnimator(Scheduler& scheduler, double initial, Apply apply);
    ValueAnimator(const ValueAnimator&) = delete;
    ValueAnimator& operator=(const ValueAnimator&) = delete;

    double value() const { return m_value; }
    // Where the value is heading (the value itself when nothing runs).
    double target() const { return m_running ? m_to : m_value; }
    bool isRunning() const { return m_running; }

    // Jumps to `value` at once, ending a running animation.
    void set(double value);
    // Moves to `to` over `duration` seconds along `curve`; 0 or less jumps.
    void animate(double to, double duration, const TimingCurve& curve);

private:
    void tick(double frameTime);
    void show(double value);

    Scheduler& m_scheduler;
    FrameTicker m_ticker;
    Apply m_apply;
    double m_value;
    double m_from = 0;
    double m_to = 0;
    double m_start = 0;
    double m_duration = 0;
    TimingCurve m_curve = TimingCurve::linear();
    bool m_running = false;
};

} // namespace corvanta
