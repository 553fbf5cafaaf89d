#include "Views/LayerAnimation.h"

#include <algorithm>
#include <cmath>

namespace corvanta {

LayerAnimation::LayerAnimation(Scheduler& scheduler, double fromValue, double toValue, double duration, const TimingCurve& curve,
                               double refreshRate, QObject* parent)
    : QVariantAnimation(parent),
      m_scheduler(scheduler),
      m_ticker(scheduler, refreshRate),
      m_curve(curve),
      m_from(fromValue),
      m_to(toValue),
      m_duration(std::max(0.0, duration))
{
    setStartValue(fromValue);
    setEndValue(toValue);
    setDuration(std::max(1, int(std::lround(m_duration * 1000))));
    setCurrentTime(0);
}

void LayerAnimation::begin()
{
    m_start = m_scheduler.now();
    setCurrentTime(0);
    m_ticker.start([this](double frameTime) { step(frameTime); });
}

void LayerAnimation::step(double frameTime)
{
    const double elapsed = frameTime - m_start;
    if (elapsed >= m_duration) {
        m_ticker.stop();
        setCurrentTime(duration());
        Q_EMIT completed();
        return;
    }
    setCurrentTime(int(elapsed * 1000));
}

QVariant LayerAnimation::interpolated(const QVariant& from, const QVariant& to, qreal progress) const
{
    const double eased = m_curve.value(progress);
    return from.toDouble() + (to.toDouble() - from.toDouble()) * eased;
}

void LayerAnimation::updateCurrentValue(const QVariant& value)
{
    Q_EMIT presentedValueChanged(value.toDouble());
}

} // namespace corvanta
