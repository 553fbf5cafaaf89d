#pragma once

#include "Support/Clock.h"

#include <functional>

namespace corvanta {

// Keeps the hidden overlay drawn. What changes while it is hidden (the start-up scan merged into
// the layout after the warm-up, icons arriving for new cells, a new backdrop) would otherwise be
// drawn for the first time at the next show: new cells make their shadows, rounded icons and
// labels on their first paint. So once the changes have been quiet for a moment the hidden windows
// are drawn off screen again. Nothing runs while nothing changes, and nothing while shown.
class HiddenPrerender {
public:
    static constexpr double quietPeriod = 0.1;
    // A steady trickle of changes still gets a draw this long after the first of them.
    static constexpr double longestWait = 0.5;

    struct Dependencies {
        Scheduler* scheduler = nullptr;
        std::function<bool()> isOnScreen; // the overlay is ordered in (shown or animating)
        std::function<void()> draw;       // the hidden windows, off screen
    };

    explicit HiddenPrerender(Dependencies dependencies) : m_deps(std::move(dependencies)) {}

    // Something the overlay shows has changed.
    void contentChanged();
    bool isPending() const { return m_pending.isActive(); }

private:
    void drawIfHidden();

    Dependencies m_deps;
    ScheduledTask m_pending;
    double m_firstChangeAt = 0;
};

} // namespace corvanta
