#pragma once

#include "App/OverlaySurfaces.h"
#include "Models/LayoutConfig.h"
#include "Support/RunLoopWait.h"

#include <functional>

namespace corvanta {

// Prepares, before the first show, everything that would make it slow: the backdrop of the
// overlay's screen, the application scan, the icons, and one layout and drawing pass of the still
// hidden windows. Synchronous on the main thread, but every wait turns the event loop in short
// slices and is bounded. Extended (a start by hand, behind the splash) waits longer and also
// prepares every page and waits for the scan; silent (login, successor) only starts things and
// leaves the pages, and what arrives later, to the hidden redraw.
class WarmUp {
public:
    struct Limits {
        double firstFrame;
        double icons;
        double pagePrerender; // 0: none
        double scanWait;      // 0: none
        double captureHold;   // 0: none
    };
    static constexpr Limits extendedLimits{0.6, 0.8, 0.35, 2.0, 1.4};
    static constexpr Limits silentLimits{0.1, 0.1, 0, 0, 0};
    static constexpr double iconSlice = 0.005;
    static constexpr double pageSlice = 0.04;
    static constexpr double scanSlice = 0.05;

    struct Dependencies {
        const Clock* clock = nullptr;
        RunLoopWait::Slice runLoopSlice = &RunLoopWait::runEventLoop;
        std::function<LayoutConfig()> config;
        std::function<DisplayScreen()> screen; // the overlay's screen, else the primary one
        OverlayBackdrop* backdrop = nullptr;
        std::function<void()> startScan;        // without a report; runs in the background
        std::function<bool()> isScanning;
        std::function<bool()> iconsPrewarmed;
        std::function<void()> prepareAllPages;  // the grid builds every page, not only the first
        std::function<void()> layoutWindows;    // the overlay's, then the strip's
        std::function<void()> drawWindows;      // off screen, warming glyph, pixmap and icon caches
        std::function<void(double at, const DisplayScreen& screen)> noteHeavyRefresh;
        std::function<void()> markSyncPresentationDone;
    };

    explicit WarmUp(Dependencies dependencies);

    void warmUpInBackground(bool extendedPrewarm);

private:
    double now() const { return m_deps.clock->now(); }
    void call(const std::function<void()>& f) const
    {
        if (f)
            f();
    }
    void prepareBackdrop(const DisplayScreen& screen, bool extended);
    void prerenderPages();
    bool waitForScan();

    Dependencies m_deps;
    RunLoopWait m_wait;
};

} // namespace corvanta
