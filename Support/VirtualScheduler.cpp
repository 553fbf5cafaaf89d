#include "Support/VirtualScheduler.h"

#include <algorithm>

namespace corvanta {

Scheduler::TaskId VirtualScheduler::add(double due, double interval, std::function<void()> task)
{
    const TaskId id = m_nextId++;
    m_tasks.emplace(Key{due, m_sequence++}, Entry{id, interval, std::move(task)});
    return id;
}

Scheduler::TaskId VirtualScheduler::schedule(double delay, std::function<void()> task)
{
    return add(m_clock.now() + std::max(0.0, delay), 0, std::move(task));
}

Scheduler::TaskId VirtualScheduler::scheduleRepeating(double interval, std::function<void()> task)
{
    // A zero interval would never let time move on.
    const double step = std::max(interval, 1e-6);
    return add(m_clock.now() + step, step, std::move(task));
}

void VirtualScheduler::cancel(TaskId id)
{
    for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it) {
        if (it->second.id == id) {
            m_tasks.erase(it);
            return;
        }
    }
}

bool VirtualScheduler::isScheduled(TaskId id) const
{
    return std::any_of(m_tasks.begin(), m_tasks.end(), [id](const auto& kv) { return kv.second.id == id; });
}

bool VirtualScheduler::runNext()
{
    if (m_tasks.empty())
        return false;
    auto it = m_tasks.begin();
    const double due = it->first.first;
    Entry entry = std::move(it->second);
    m_tasks.erase(it);
    m_clock.set(std::max(m_clock.now(), due));
    if (entry.interval > 0) // re-arm before running so the task can cancel itself
        m_tasks.emplace(Key{due + entry.interval, m_sequence++}, Entry{entry.id, entry.interval, entry.task});
    entry.task();
    return true;
}

void VirtualScheduler::advance(double seconds)
{
    const double target = m_clock.now() + std::max(0.0, seconds);
    // Sums of delays are not exact in binary (0.1 + 0.2 > 0.3): allow for rounding.
    constexpr double kSlack = 1e-9;
    while (!m_tasks.empty() && m_tasks.begin()->first.first <= target + kSlack)
        runNext();
    m_clock.set(target);
}

} // namespace corvanta
