#include "App/HiddenPrerender.h"

#include <algorithm>

namespace corvanta {

void HiddenPrerender::contentChanged()
{
    // A shown overlay paints its changes itself.
    if (m_deps.isOnScreen && m_deps.isOnScreen())
        return;
    const double now = m_deps.scheduler->now();
    if (!m_pending.isActive())
        m_firstChangeAt = now;
    const double delay = std::min(quietPeriod, std::max(0.0, m_firstChangeAt + longestWait - now));
    m_pending = ScheduledTask(m_deps.scheduler, m_deps.scheduler->schedule(delay, [this] { drawIfHidden(); }));
}

void HiddenPrerender::drawIfHidden()
{
    // The task has run: forget it without cancelling.
    m_pending = ScheduledTask();
    if (m_deps.isOnScreen && m_deps.isOnScreen())
        return;
    if (m_deps.draw)
        m_deps.draw();
}

} // namespace corvanta
