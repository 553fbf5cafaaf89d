#pragma once

#include "Support/Clock.h"

#include <QElapsedTimer>
#include <QObject>

#include <unordered_map>

class QTimer;

namespace corvanta {

class SteadyClock final : public Clock {
public:
    SteadyClock();
    double now() const override;

private:
    QElapsedTimer m_timer;
};

// Scheduler on the Qt event loop of the thread that owns it (the main thread in the program).
class QtScheduler final : public QObject, public Scheduler {
public:
    explicit QtScheduler(QObject* parent = nullptr);
    ~QtScheduler() override;

    static QtScheduler& shared();

    const Clock& clock() const override { return m_clock; }
    TaskId schedule(double delay, std::function<void()> task) override;
    TaskId scheduleRepeating(double interval, std::function<void()> task) override;
    void cancel(TaskId id) override;

private:
    TaskId start(double seconds, bool repeating, std::function<void()> task);

    SteadyClock m_clock;
    TaskId m_nextId = 1;
    std::unordered_map<TaskId, QTimer*> m_timers;
};

} // namespace corvanta
