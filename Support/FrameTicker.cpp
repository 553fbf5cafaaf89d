#include "Support/FrameTicker.h"

#include <cmath>

namespace corvanta {

FrameTicker::FrameTicker(Scheduler& scheduler, double refreshRate) : m_scheduler(scheduler), m_refreshRate(60.0)
{
    setRefreshRate(refreshRate);
}

FrameTicker::~FrameTicker() = default;

void FrameTicker::setRefreshRate(double hz)
{
    m_refreshRate = (std::isfinite(hz) && hz >= 1.0) ? hz : 60.0;
}

void FrameTicker::start(Callback callback)
{
    m_callback = std::move(callback);
    m_task = ScheduledTask(&m_scheduler, m_scheduler.scheduleRepeating(frameInterval(), [this] {
        // Copy: the callback may stop or restart the ticker.
        const Callback cb = m_callback;
        if (cb)
            cb(m_scheduler.now());
    }));
}

void FrameTicker::stop()
{
    m_task.cancel();
    m_callback = nullptr;
}

} // namespace corvanta
