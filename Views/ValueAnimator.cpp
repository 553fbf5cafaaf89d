#include "Views/ValueAnimator.h"

namespace corvanta {

ValueAnimator::ValueAnimator(Scheduler& scheduler, double initial, Apply apply)
    : m_scheduler(scheduler), m_ticker(scheduler), m_apply(std::move(apply)), m_value(initial)
{
}

void ValueAnimator::set(double value)
{
    m_running = false;
    m_ticker.stop();
    show(value);
}

void ValueAnimator::animate(double to, double duration, const TimingCurve& curve)
{
    if (!(duration > 0)) {
        set(to);
        return;
    }
    m_from = m_value;
    m_to = to;
    m_start = m_scheduler.now();
    m_duration = duration;
    m_curve = curve;
    m_running = true;
    if (!m_ticker.isRunning())
        m_ticker.start([this](double frameTime) { tick(frameTime); });
}

void ValueAnimator::tick(double frameTime)
{
    if (!m_running)
        return;
    const double t = (frameTime - m_start) / m_duration;
    if (t >= 1) {
        set(m_to);
        return;
    }
    show(m_from + (m_to - m_from) * m_curve.value(t));
}

void ValueAnimator::show(double value)
{
    const bool changed = value != m_value;
    m_value = value;
    if (changed && m_apply)
        m_apply(value);
}

} // namespace corvanta
