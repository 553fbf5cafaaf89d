#include "InteractionTestKit.h"

#include "Support/TimingCurve.h"


namespace corvanta::test {
namespace {

// Counts a signal's emissions.
struct SignalCount {
    template <typename Sender, typename Signal>
    SignalCount(Sender* sender, Signal signal)
    {
        QObject::connect(sender, signal, [this] { ++n; });
    }
    int count() const { return n; }
    int n = 0;
};

TEST(PagerOffsetTest, NotifiesOnRealChangesOnly)
{
    PagerOffset pager(false);
    int changes = 0;
    QList<bool> motion;
    pager.onChange = [&] { ++changes; };
    pager.onMotionChange = [&](bool moving) { motion << moving; };
    SignalCount xSpy(&pager, &PagerOffset::xChanged);
    SignalCount pageSpy(&pager, &PagerOffset::pageChanged);

    pager.setX(0);
    EXPECT_EQ(changes, 0);
    pager.setX(-10);
    pager.setX(-20);
    pager.setX(0);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(motion, QList<bool>({true, false}));
    EXPECT_EQ(xSpy.count(), 0); // a layer host moves the strip through the callbacks alone

    pager.setPage(0);
    EXPECT_EQ(pageSpy.count(), 1); // observers always hear the page
    EXPECT_EQ(changes, 3);
    pager.setPage(2);
    EXPECT_EQ(changes, 4);

    PagerOffset legacy(true);
    SignalCount legacySpy(&legacy, &PagerOffset::xChanged);
    legacy.setX(5);
    legacy.setX(6);
    EXPECT_EQ(legacySpy.count(), 2);
}

using SettleTest = InteractionTest;

TEST_F(SettleTest, CommitsThePageAtOnceAndEasesThePullToExactlyZero)
{
    QList<bool> motion;
    engine.pagerOffset().onMotionChange = [&](bool moving) { motion << moving; };
    int meterCalls = 0;
    engine.beginPagerSettleHook = [&] { ++meterCalls; };

    engine.settle(1, QStringLiteral("test"));
    EXPECT_EQ(engine.pagerOffset().page(), 1);
    EXPECT_DOUBLE_EQ(contentOffset(), 0); // unchanged by the commit
    EXPECT_DOUBLE_EQ(engine.pagerOffset().x(), 1000);
    EXPECT_EQ(meterCalls, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("InteractionManager: settle → page 1 (test) from=0.0 to=-1000.0")));

    const TimingCurve curve = TimingCurve::easeOut();
    scheduler.advance(0.1 + 1e-9);
    EXPECT_NEAR(engine.pagerOffset().x(), 1000 * (1 - curve.value(0.25)), 1e-3);
    double last = engine.pagerOffset().x();
    for (int i = 0; i < 20; ++i) {
        scheduler.advance(1.0 / 60);
        EXPECT_LE(engine.pagerOffset().x(), last);
        last = engine.pagerOffset().x();
    }
    EXPECT_EQ(engine.pagerOffset().x(), 0.0);
    EXPECT_FALSE(engine.isSettleDriverRunning());
    EXPECT_EQ(engine.settleFlight(), std::nullopt);
    EXPECT_EQ(motion, QList<bool>({true, false}));
}

TEST_F(SettleTest, SettlingOnTheSamePageStillRunsAFlight)
{
    engine.settle(0, QStringLiteral("page dot"));
    ASSERT_TRUE(engine.settleFlight());
    EXPECT_EQ(engine.settleFlight()->from, engine.settleFlight()->to);
    scheduler.advance(0.5);
    EXPECT_EQ(engine.pagerOffset().x(), 0.0);
    EXPECT_TRUE(log.contains(QStringLiteral("(page dot)")));
}

TEST_F(SettleTest, TargetsAreClamped)
{
    engine.settle(7, QStringLiteral("t"));
    EXPECT_EQ(engine.pagerOffset().page(), 2);
    engine.settle(-3, QStringLiteral("t"));
    EXPECT_EQ(engine.pagerOffset().page(), 0);
    engine.pageCount = 0;
    engine.settle(1, QStringLiteral("t"));
    EXPECT_EQ(engine.pagerOffset().page(), 0);
}

TEST_F(SettleTest, ASecondSettleContinuesFromTheModelAndLeavesOneDriver)
{
    platform.refreshRate = 120;
    engine.settle(1, QStringLiteral("a"));
    scheduler.advance(0.2);
    const double shown = contentOffset();
    engine.settle(2, QStringLiteral("b"));
    EXPECT_DOUBLE_EQ(contentOffset(), shown); // no jump
    EXPECT_DOUBLE_EQ(engine.settleFlight()->from, shown);

    int changes = 0;
    engine.pagerOffset().onChange = [&] { ++changes; };
    scheduler.advance(0.1 + 1e-9);
    EXPECT_EQ(changes, 12); // one driver at the screen's 120 Hz
    scheduler.advance(1);
    EXPECT_EQ(engine.pagerOffset().x(), 0.0);
}

TEST_F(SettleTest, WithoutAScreenTheStripLandsAtOnce)
{
    platform.refreshRate.reset();
    engine.pagerOffset().setX(-300);
    engine.settle(1, QStringLiteral("swipe"));
    EXPECT_EQ(engine.pagerOffset().page(), 1);
    EXPECT_EQ(engine.pagerOffset().x(), 0.0);
    EXPECT_EQ(engine.settleFlight(), std::nullopt);
}

TEST_F(SettleTest, AFlightWhoseFramesStoppedStillLands)
{
    engine.settle(1, QStringLiteral("a"));
    scheduler.advance(0.1);
    engine.stopSettleDriver(); // frames stop, the flight stays
    ASSERT_NE(engine.pagerOffset().x(), 0.0);
    scheduler.advance(0.35 + 1e-6);
    EXPECT_EQ(engine.pagerOffset().x(), 0.0);
    EXPECT_EQ(engine.settleFlight(), std::nullopt);
}

class ViewAnimatedSettleTest : public InteractionTest {
protected:
    ViewAnimatedSettleTest() : InteractionTest(PagerVariants{false, true, false}) {}
};

TEST_F(ViewAnimatedSettleTest, ModelIsAtRestWhileThePresentationFollowsTheCurve)
{
    engine.settle(1, QStringLiteral("a"));
    EXPECT_EQ(engine.pagerOffset().x(), 0.0);
    EXPECT_FALSE(engine.isSettleDriverRunning());
    const TimingCurve curve = TimingCurve::easeOut();
    EXPECT_DOUBLE_EQ(engine.presentationContentOffset(), 0);
    scheduler.advance(0.2);
    EXPECT_NEAR(engine.presentationContentOffset(), -1000 * curve.value(0.5), 1e-6);
    scheduler.advance(0.2);
    EXPECT_DOUBLE_EQ(engine.presentationContentOffset(), -1000);
}

class LegacySettleTest : public InteractionTest {
protected:
    LegacySettleTest() : InteractionTest(PagerVariants{true, true, true}) {}
};

TEST_F(LegacySettleTest, KeepsTheDefaultFrameRateAndPublishesEveryOffset)
{
    platform.refreshRate = 120;
    SignalCount xSpy(&engine.pagerOffset(), &PagerOffset::xChanged);
    engine.settle(1, QStringLiteral("a"));
    const int afterCommit = int(xSpy.count());
    scheduler.advance(0.1 + 1e-9);
    EXPECT_EQ(xSpy.count() - afterCommit, 6); // 60 Hz
}

} // namespace
} // namespace corvanta::test
