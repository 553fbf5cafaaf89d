#pragma once

#include "Support/Clock.h"

#include <functional>

namespace corvanta {

// Waiting on the main thread without blocking it: the wait runs a nested event loop, so timers,
// notifications and queued main-thread work keep running while it lasts.
class RunLoopWait {
public:
    // Longest single turn of the nested loop; the condition is re-read after each.
    static constexpr double maxSlice = 0.005;

    // Runs the event loop for up to `seconds` (less than 0: returns at once).
    using Slice = std::function<void(double seconds)>;

    // The real one: a nested QEventLoop ended by a precise single-shot timer.
    static void runEventLoop(double seconds);

    RunLoopWait(const Clock& clock, Slice slice = &RunLoopWait::runEventLoop);

    // Turns the loop in slices of at most `sliceLimit` until `ready` holds or `timeout` seconds
    // have passed, or the process is asked to end. Returns whether `ready` held at the end; `ready`
    // is read before the first slice.
    bool until(const std::function<bool()>& ready, double timeout, double sliceLimit = maxSlice) const;
    // Turns the loop for `seconds` in slices of at most `sliceLimit`.
    void spin(double seconds, double sliceLimit = maxSlice) const;

private:
    const Clock& m_clock;
    Slice m_slice;
};

} // namespace corvanta
