#include "App/HiddenPrerender.h"
#include "Support/VirtualScheduler.h"

#include <gtest/gtest.h>

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
    // The start-up scan merges, then icons arrive one after another.
    f.prerender.contentChanged();
    f.scheduler.advance(0.1);
    f.prerender.contentChanged();
    f.scheduler.advance(0.2);
    EXPECT_EQ(f.draws, 0);
    f.scheduler.advance(0.1);
    EXPECT_EQ(f.draws, 1);
    // Nothing changes: nothing more is drawn, however long the overlay stays hidden.
    f.scheduler.advance(60);
    EXPECT_EQ(f.draws, 1);
    EXPECT_FALSE(f.prerender.isPending());
}

TEST(HiddenPrerender, ATrickleOfChangesIsDrawnWithinTheLongestWait)
{
    HiddenPrerenderFixture f;
    for (int i = 0; i < 20; ++i) {
        f.prerender.contentChanged();
        f.scheduler.advance(0.1);
    }
    // Changes every 0.1 s never leave a quiet 0.25 s, yet the first second's are drawn.
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
