#pragma once

#include "Support/FrameTicker.h"
#include "Support/TimingCurve.h"

#include <QVariantAnimation>

namespace corvanta {

// One property animation of a layer: Qt's variant animation interpolates along a timing curve,
// and a frame ticker on the injected scheduler moves its time, so tests run it in virtual time.
class LayerAnimation : public QVariantAnimation {
    Q_OBJECT
public:
    LayerAnimation(Scheduler& scheduler, double fromValue, double toValue, double duration, const TimingCurve& curve,
                   double refreshRate, QObject* parent = nullptr);

    // Starts ticking from the scheduler's current time.
    void begin();
    // Stops ticking where it is (the layer dropped it).
    void cancel() { m_ticker.stop(); }
    bool isRunning() const { return m_ticker.isRunning(); }
    double fromValue() const { return m_from; }
    double toValue() const { return m_to; }
    double durationSeconds() const { return m_duration; }
    // The value the animation presents now.
    double presentedValue() const { return currentValue().toDouble(); }

Q_SIGNALS:
    void presentedValueChanged(double value);
    // Reached its end value (not emitted when it is dropped earlier).
    void completed();

protected:
    QVariant interpolated(const QVariant& from, const QVariant& to, qreal progress) const override;
    void updateCurrentValue(const QVariant& value) override;

private:
    void step(double frameTime);

    Scheduler& m_scheduler;
    FrameTicker m_ticker;
    TimingCurve m_curve;
    double m_from;
    double m_to;
    double m_duration;
    double m_start = 0;
};

} // namespace corvanta
