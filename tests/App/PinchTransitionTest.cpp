#include "App/PinchTransition.h"
#include "Services/PinchRecognizer.h"
#include "ShellTestKit.h"

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

class FakePinchSurfaces final : public PinchSurfaces {
public:
    bool hasWindow() const override { return window; }
    std::optional<double> runningTransitionOpacity() const override { return running; }
    void prepareOpening() override { calls << "prepareOpening"; }
    void orderFront() override { calls << "orderFront"; }
    void applyProgress(double q) override
    {
        opacity = q;
        scale = 1.1 - 0.1 * q;
        ++samples;
    }
    bool hasScreen() const override { return screen; }

    bool window = true;
    bool screen = true;
    std::optional<double> running;
    QStringList calls;
    double opacity = -1;
    double scale = -1;
    int samples = 0;
};

struct PinchShell : test::PresenterRig {
    FakePinchSurfaces pinchSurfaces;
    std::unique_ptr<PinchTransition> pinch;
    test::LogCapture log;

    explicit PinchShell(bool layerTransition = true)
    {
        PinchTransition::Dependencies d;
        d.presenter = presenter.get();
        d.shortcuts = &shortcuts;
        d.engine = &engine;
        d.surfaces = &pinchSurfaces;
        d.scheduler = &scheduler;
        d.layerTransitionEnabled = layerTransition;
        pinch = std::make_unique<PinchTransition>(std::move(d));
        cancelPinch = [this] { pinch->cancelPinchForRegularTransition(); };
    }
    PinchTransition& t() { return *pinch; }
    void showRegularly()
    {
        presenter->showTilehall();
        scheduler.advance(1);
    }
};

} // namespace

TEST(PinchVisualContinuation, ContinuesFromWhereTheOverlayIs)
{
    struct Case {
        double visible;
        bool opening;
        std::optional<double> baseline;
        std::vector<std::pair<double, double>> samples; // finger progress → visual progress
    };
    const Case cases[] = {
        {0, true, 0.0, {{0.3, 0.3}, {1.0, 1.0}, {1.5, 1.0}}},      // a fresh opening follows the fingers
        {1, false, 0.0, {{0.3, 0.7}, {1.0, 0.0}}},                  // a fresh closing inversely
        {0.6, false, std::nullopt, {{0.2, 0.6}, {0.6, 0.3}, {0.1, 0.8}}}, // taken over: the first sample is the baseline
        {0.4, true, std::nullopt, {{1.0, 0.4}, {0.5, 0.2}}},        // baseline 1: only moving back counts, away from shown
    };
    for (const Case& c : cases) {
        PinchVisualContinuation continuation{c.visible, c.opening, c.baseline};
        for (const auto& [x, expected] : c.samples)
            EXPECT_NEAR(continuation.value(x), expected, 1e-9) << c.visible << " at " << x;
    }
}

TEST(PinchTransition, AFreshOpeningFollowsTheFingersThenFliesToShown)
{
    PinchShell s;
    s.t().beginInteractivePinchTransition(PinchGestureDirection::opening);
    EXPECT_TRUE(s.visible());
    EXPECT_TRUE(s.p().overlayOnScreen());
    EXPECT_EQ(s.pinchSurfaces.calls, (QStringList{"prepareOpening", "orderFront"}));
    EXPECT_FALSE(s.engine.isPresented());

    s.t().handleProgress(0.3);
    EXPECT_NEAR(s.pinchSurfaces.opacity, 0.3, 1e-9);
    EXPECT_NEAR(s.pinchSurfaces.scale, 1.07, 1e-9);

    s.t().settleInteractivePinchTransition(true);
    EXPECT_TRUE(s.t().isFlying());
    s.scheduler.advance(0.125);
    const double halfway = 0.3 + 0.7 * PinchRecognizer::referencePinchCurve.value(0.5);
    EXPECT_NEAR(*s.t().visualProgress(), halfway, 0.05) << "eases out towards 1";
    EXPECT_FALSE(s.engine.isPresented());
    s.scheduler.advance(0.15);
    EXPECT_FALSE(s.t().isFlying());
    EXPECT_NEAR(s.pinchSurfaces.opacity, 1, 1e-9);
    EXPECT_TRUE(s.engine.isPresented());
    EXPECT_TRUE(s.engine.suppressTransitionAnimation);
    EXPECT_FALSE(s.p().hasPinchHandoff());
    EXPECT_TRUE(s.log.contains(QStringLiteral("Interactive pinch open — completed")));
}

TEST(PinchTransition, AClosingCommitHidesAtOnce)
{
    PinchShell s;
    s.showRegularly();
    s.t().beginInteractivePinchTransition(PinchGestureDirection::closing);
    s.t().handleProgress(0.3);
    EXPECT_NEAR(s.pinchSurfaces.opacity, 0.7, 1e-9);
    s.surfaces.calls.clear();
    s.t().settleInteractivePinchTransition(true);
    EXPECT_FALSE(s.t().isFlying());
    EXPECT_EQ(s.pinchSurfaces.opacity, 0);
    EXPECT_TRUE(s.surfaces.calls.contains(QStringLiteral("orderOut")));
    EXPECT_FALSE(s.visible());
    EXPECT_FALSE(s.p().overlayOnScreen());
    EXPECT_FALSE(s.engine.isPresented());
}

TEST(PinchTransition, SettlesTowardsTheRightEnd)
{
    struct Case {
        PinchGestureDirection direction;
        bool commit;
        bool flies;
        bool visibleAfter;
        const char* log;
    };
    const Case cases[] = {
        {PinchGestureDirection::opening, false, false, false, "Interactive pinch open — cancelled"},
        {PinchGestureDirection::closing, false, true, true, "Interactive pinch close — cancelled (stays open)"},
    };
    for (const Case& c : cases) {
        PinchShell s;
        if (c.direction == PinchGestureDirection::closing)
            s.showRegularly();
        s.t().beginInteractivePinchTransition(c.direction);
        s.t().handleProgress(0.2);
        s.t().settleInteractivePinchTransition(c.commit);
        EXPECT_EQ(s.t().isFlying(), c.flies) << c.log;
        s.scheduler.advance(0.3);
        EXPECT_EQ(s.visible(), c.visibleAfter) << c.log;
        EXPECT_EQ(s.p().overlayOnScreen(), c.visibleAfter) << c.log;
        EXPECT_TRUE(s.log.contains(QString::fromUtf8(c.log)));
    }
}

TEST(PinchTransition, AClosingPinchTakesARunningShowOverWithoutAJump)
{
    PinchShell s;
    s.presenter->showTilehall();
    s.pinchSurfaces.running = 0.6; // the show's fade is at 0.6
    s.t().beginInteractivePinchTransition(PinchGestureDirection::closing);
    EXPECT_NEAR(s.pinchSurfaces.opacity, 0.6, 1e-9);
    EXPECT_TRUE(s.log.contains(QStringLiteral("阶段88.5：捏合接管未完成动画 — direction=closing，visible=0.6")));
    s.t().handleProgress(0.2); // fixes the baseline
    EXPECT_NEAR(s.pinchSurfaces.opacity, 0.6, 1e-9);
    s.t().handleProgress(0.6);
    EXPECT_NEAR(s.pinchSurfaces.opacity, 0.3, 1e-9);
    s.t().handleProgress(0.1); // back below the baseline: towards shown
    EXPECT_NEAR(s.pinchSurfaces.opacity, 0.8, 1e-9);
}

TEST(PinchTransition, DirectionsThatDoNotFitTheVisibilityAreIgnored)
{
    PinchShell s;
    s.t().beginInteractivePinchTransition(PinchGestureDirection::closing);
    EXPECT_FALSE(s.t().direction());
    s.showRegularly();
    s.t().beginInteractivePinchTransition(PinchGestureDirection::opening);
    EXPECT_FALSE(s.t().direction());
    s.t().handleProgress(0.5);
    s.t().settleInteractivePinchTransition(true);
    EXPECT_EQ(s.pinchSurfaces.samples, 0);
    EXPECT_TRUE(s.visible());
}

TEST(PinchTransition, APinchWhileHandingOverToASuccessorIsIgnored)
{
    PinchShell s;
    s.exiting = true; // the gate has committed the hand-over
    s.t().beginInteractivePinchTransition(PinchGestureDirection::opening);
    EXPECT_FALSE(s.t().direction());
    s.t().handleProgress(0.5);
    s.t().settleInteractivePinchTransition(true);
    EXPECT_EQ(s.pinchSurfaces.samples, 0);
    EXPECT_TRUE(s.pinchSurfaces.calls.isEmpty());
    EXPECT_FALSE(s.visible());
    EXPECT_FALSE(s.p().overlayOnScreen());
}

TEST(PinchTransition, ARegularHideCancelsThePinchAndStartsFromItsValue)
{
    PinchShell s;
    s.t().beginInteractivePinchTransition(PinchGestureDirection::opening);
    s.t().handleProgress(0.4);
    s.presenter->hideTilehall();
    EXPECT_FALSE(s.t().direction());
    EXPECT_FALSE(s.t().visualProgress());
    EXPECT_TRUE(s.surfaces.calls.contains(QStringLiteral("animateHide:0.25:0.4")));
    const int samples = s.pinchSurfaces.samples;
    s.t().handleProgress(0.9);
    s.t().settleInteractivePinchTransition(true);
    EXPECT_EQ(s.pinchSurfaces.samples, samples) << "later reports of the cancelled pinch do nothing";
}

TEST(PinchTransition, ABeginDuringTheSettleFlightTakesItOver)
{
    PinchShell s;
    s.t().beginInteractivePinchTransition(PinchGestureDirection::opening);
    s.t().handleProgress(0.5);
    s.t().settleInteractivePinchTransition(true);
    s.scheduler.advance(0.1);
    const double reached = *s.t().visualProgress();
    s.t().beginInteractivePinchTransition(PinchGestureDirection::closing);
    EXPECT_FALSE(s.t().isFlying());
    EXPECT_NEAR(s.pinchSurfaces.opacity, reached, 1e-9);
    const int samples = s.pinchSurfaces.samples;
    s.scheduler.advance(0.5);
    EXPECT_EQ(s.pinchSurfaces.samples, samples) << "the stopped flight sends no more frames";
}

TEST(PinchTransition, WithoutLayerTransitionsTheRootViewFollowsThePublishedProgress)
{
    PinchShell s(false);
    s.t().beginInteractivePinchTransition(PinchGestureDirection::opening);
    s.t().handleProgress(0.35);
    EXPECT_EQ(s.engine.interactiveProgress(), 0.35);
    EXPECT_EQ(s.pinchSurfaces.samples, 0);
    s.t().settleInteractivePinchTransition(false);
    EXPECT_FALSE(s.engine.interactiveProgress());
    EXPECT_FALSE(s.visible());
}

TEST(PinchTransition, WithoutAScreenTheSettleFinishesAtOnce)
{
    PinchShell s;
    s.pinchSurfaces.screen = false;
    s.t().beginInteractivePinchTransition(PinchGestureDirection::opening);
    s.t().handleProgress(0.6);
    s.t().settleInteractivePinchTransition(true);
    EXPECT_FALSE(s.t().isFlying());
    EXPECT_TRUE(s.engine.isPresented());
    EXPECT_NEAR(s.pinchSurfaces.opacity, 1, 1e-9);
}
