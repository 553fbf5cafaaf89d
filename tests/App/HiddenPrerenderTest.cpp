#include "App/HiddenPrerender.h"
#include "Support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace corvanta;

namespace {

struct HiddenPrerenderFixture {
    VirtualScheduler scheduler;
    bool onScreen = false;
    int draws = 0;
    HiddenPrerender prerender{{&scheduler, [this] { return onScreen; }, [this] { ++draws; }}};
};

} // namespace

TEST(HiddenPrerender, ChangesWhileHiddenAreDrawnOnceWhenQuiet)
{
    HiddenPrerenderFixture f;
    const double quiet = HiddenPrerender::quietPeriod;
    // The start-up scan merges, then an icon arrives before things are quiet.
    f.prerender.contentChanged();
    f.scheduler.advance(quiet / 2);
    f.prerender.contentChanged();
    f.scheduler.advance(quiet * 0.9);
    EXPECT_EQ(f.draws, 0);
    f.scheduler.advance(quiet * 0.2);
    EXPECT_EQ(f.draws, 1);
    // Nothing changes: nothing more is drawn, however long the overlay stays hidden.
    f.scheduler.advance(60);
    EXPECT_EQ(f.draws, 1);
    EXPECT_FALSE(f.prerender.isPending());
}

TEST(HiddenPrerender, ATrickleOfChangesIsDrawnWithinTheLongestWait)
{
    HiddenPrerenderFixture f;
    // A change every half quiet period never leaves a quiet moment.
    const double step = HiddenPrerender::quietPeriod / 2;
    const int steps = int(std::lround(2 * HiddenPrerender::longestWait / step));
    for (int i = 0; i < steps; ++i) {
        f.prerender.contentChanged();
        f.scheduler.advance(step);
    }
    EXPECT_EQ(f.draws, 2);
}

TEST(HiddenPrerender, AShownOverlayIsLeftToPaintItself)
{
    HiddenPrerenderFixture f;
    f.onScreen = true;
    f.prerender.contentChanged();
    EXPECT_FALSE(f.prerender.isPending());

    // Shown between the change and the draw: the show has painted it.
    f.onScreen = false;
    f.prerender.contentChanged();
    f.onScreen = true;
    f.scheduler.advance(1);
    EXPECT_EQ(f.draws, 0);
}
