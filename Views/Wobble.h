#pragma once

#include "Support/Clock.h"
#include "Support/FrameTicker.h"

#include <functional>

namespace corvanta {

// A rotation swinging back and forth between two angles forever, one ease-in-ease-out swing per
// `swingDuration`, starting `timeOffset` seconds into its cycle. Frames come from a FrameTicker on
// the injected scheduler, so tests step it on virtual time.
class Wobble {
public:
    struct Swing {
        double from = 0; // degrees
        double to = 0;
        double swingDuration = 0.1;
        double timeOffset = 0;
    };

    Wobble(Scheduler& scheduler, std::function<void(double degrees)> apply);

    void start(const Swing& swing);
    void stop();
    bool isRunning() const { return m_ticker.isRunning(); }
    const Swing& swing() const { return m_swing; }
    // The angle at time `now` of the running swing.
    double angleAt(double now) const;

private:
    Scheduler& m_scheduler;
    FrameTicker m_ticker;
    std::function<void(double)> m_apply;
    Swing m_swing;
    double m_start = 0;
};

} // namespace corvanta
