#pragma once

#include "Support/Clock.h"

#include <map>
#include <utility>

namespace corvanta {

class VirtualClock final : public Clock {
public:
    double now() const override { return m_now; }
    void set(double seconds) { m_now = seconds; }

private:
    double m_now = 0;
};

// Virtual time for tests: nothing runs until the test advances the clock. Tasks run in order of
// their due time (ties in the order they were scheduled), each with the clock set to its due time.
class VirtualScheduler final : public Scheduler {
public:
    explicit VirtualScheduler(double start = 1000.0) { m_clock.set(start); }

    const Clock& clock() const override { return m_clock; }
    TaskId schedule(double delay, std::function<void()> task) override;
    TaskId scheduleRepeating(double interval, std::function<void()> task) override;
    void cancel(TaskId id) override;

    // Moves time forward by `seconds`, running every task that falls due on the way.
    void advance(double seconds);
    // Runs what is due now (tasks scheduled with no delay).
    void runPending() { advance(0); }
    // Advances to the next due task and runs it; false when nothing is scheduled.
    bool runNext();
    std::size_t pendingCount() const { return m_tasks.size(); }
    bool isScheduled(TaskId id) const;

private:
    struct Entry {
        TaskId id;
        double interval; // > 0 for repeating tasks
        std::function<void()> task;
    };
    using Key = std::pair<double, quint64>; // due time, sequence
    TaskId add(double due, double interval, std::function<void()> task);

    VirtualClock m_clock;
    TaskId m_nextId = 1;
    quint64 m_sequence = 0;
    std::map<Key, Entry> m_tasks;
};

} // namespace corvanta
