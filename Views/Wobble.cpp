#include "Views/Wobble.h"

#include "Support/TimingCurve.h"

#include <cmath>

namespace corvanta {

Wobble::Wobble(Scheduler& scheduler, std::function<void(double)> apply)
    : m_scheduler(scheduler), m_ticker(scheduler), m_apply(std::move(apply))
{
}

void Wobble::start(const Swing& swing)
{
    m_swing = swing;
    m_start = m_scheduler.now();
    m_apply(angleAt(m_start));
    m_ticker.start([this](double t) { m_apply(angleAt(t)); });
}

void Wobble::stop() { m_ticker.stop(); }

double Wobble::angleAt(double now) const
{
    const double d = m_swing.swingDuration > 0 ? m_swing.swingDuration : 0.1;
    const double phase = std::max(0.0, now - m_start + m_swing.timeOffset) / d;
    const double whole = std::floor(phase);
    double f = phase - whole;
    if (std::fmod(whole, 2.0) != 0)
        f = 1 - f; // auto-reverse
    static const TimingCurve curve = TimingCurve::easeInEaseOut();
    return m_swing.from + (m_swing.to - m_swing.from) * curve.value(f);
}

} // namespace corvanta
