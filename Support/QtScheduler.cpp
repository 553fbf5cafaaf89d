#include "Support/QtScheduler.h"

#include <QTimer>

#include <cmath>

namespace corvanta {

SteadyClock::SteadyClock() { m_timer.start(); }

double SteadyClock::now() const { return double(m_timer.nsecsElapsed()) / 1e9; }

QtScheduler::QtScheduler(QObject* parent) : QObject(parent) {}

QtScheduler::~QtScheduler()
{
    for (auto& [id, timer] : m_timers)
        delete timer;
}

QtScheduler& QtScheduler::shared()
{
    static QtScheduler* instance = new QtScheduler; // lives as long as the process
    return *instance;
}

Scheduler::TaskId QtScheduler::schedule(double delay, std::function<void()> task)
{
    return start(delay, false, std::move(task));
}

Scheduler::TaskId QtScheduler::scheduleRepeating(double interval, std::function<void()> task)
{
    return start(interval, true, std::move(task));
}

Scheduler::TaskId QtScheduler::start(double seconds, bool repeating, std::function<void()> task)
{
    const TaskId id = m_nextId++;
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeating);
    const double ms = std::isfinite(seconds) ? std::max(0.0, seconds * 1000.0) : 0.0;
    timer->setInterval(int(std::min(ms, double(std::numeric_limits<int>::max()))));
    connect(timer, &QTimer::timeout, this, [this, id, repeating, task = std::move(task)] {
        if (!repeating)
            cancel(id); // forget it first: the task may schedule or cancel others
        task();
    });
    m_timers.emplace(id, timer);
    timer->start();
    return id;
}

void QtScheduler::cancel(TaskId id)
{
    auto it = m_timers.find(id);
    if (it == m_timers.end())
        return;
    QTimer* timer = it->second;
    m_timers.erase(it);
    timer->stop();
    timer->deleteLater(); // may be the timer whose timeout is running right now
}

} // namespace corvanta
