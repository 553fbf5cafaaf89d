#pragma once

#include "Support/Clock.h"

#include <functional>

namespace corvanta {

// A display link of ours: calls back once per frame at the screen's refresh rate with the frame's
// timestamp (Clock seconds). Built on a Scheduler, so tests drive frames with virtual time.
class FrameTicker {
public:
    using Callback = std::function<void(double frameTime)>;

    explicit FrameTicker(Scheduler& scheduler, double refreshRate = 60.0);
    ~FrameTicker();
    FrameTicker(const FrameTicker&) = delete;
    FrameTicker& operator=(const FrameTicker&) = delete;

    void start(Callback callback);
    void stop();
    bool isRunning() const { return m_task.isActive(); }
    double refreshRate() const { return m_refreshRate; }
    void setRefreshRate(double hz);
    double frameInterval() const { return 1.0 / m_refreshRate; }

private:
    Scheduler& m_scheduler;
    double m_refreshRate;
    Callback m_callback;
    ScheduledTask m_task;
};

} // namespace corvanta
