#pragma once

#include <QtGlobal>

#include <functional>

namespace corvanta {

// Monotonic time in seconds. Every delay, debounce and frame tick reads time through a Clock so
// that tests can drive it virtually.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

// Runs work on the owning (main) thread after a delay. All timers of the program go through one
// of these: QtScheduler in the program, VirtualScheduler in tests.
class Scheduler {
public:
    using TaskId = quint64;
    static constexpr TaskId kNoTask = 0;

    virtual ~Scheduler() = default;
    virtual const Clock& clock() const = 0;

    // Runs `task` once, `delay` seconds from now (0 or less: on the next turn of the loop).
    virtual TaskId schedule(double delay, std::function<void()> task) = 0;
    // Runs `task` every `interval` seconds until cancelled.
    virtual TaskId scheduleRepeating(double interval, std::function<void()> task) = 0;
    // Cancelling an unknown, finished or already cancelled task does nothing.
    virtual void cancel(TaskId id) = 0;

    double now() const { return clock().now(); }
};

// Owns one scheduled task and cancels it when replaced or destroyed.
class ScheduledTask {
public:
    ScheduledTask() = default;
    ScheduledTask(Scheduler* scheduler, Scheduler::TaskId id) : m_scheduler(scheduler), m_id(id) {}
    ScheduledTask(const ScheduledTask&) = delete;
    ScheduledTask& operator=(const ScheduledTask&) = delete;
    ScheduledTask(ScheduledTask&& other) noexcept { *this = std::move(other); }
    ScheduledTask& operator=(ScheduledTask&& other) noexcept
    {
        if (this != &other) {
            cancel();
            m_scheduler = other.m_scheduler;
            m_id = other.m_id;
            other.m_scheduler = nullptr;
            other.m_id = Scheduler::kNoTask;
        }
        return *this;
    }
    ~ScheduledTask() { cancel(); }

    void cancel()
    {
        if (m_scheduler && m_id != Scheduler::kNoTask)
            m_scheduler->cancel(m_id);
        m_scheduler = nullptr;
        m_id = Scheduler::kNoTask;
    }
    bool isActive() const { return m_id != Scheduler::kNoTask; }
    Scheduler::TaskId id() const { return m_id; }

private:
    Scheduler* m_scheduler = nullptr;
    Scheduler::TaskId m_id = Scheduler::kNoTask;
};

} // namespace corvanta
