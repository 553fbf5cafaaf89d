#include "Support/InterpolatingSpring.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace corvanta {
namespace {

// Integrates m x'' = -k (x - target(t)) - c x' with fourth-order Runge-Kutta; the target steps
// at the given times.
double integrate(const InterpolatingSpring::Parameters& p, double x, double v, double target,
    std::vector<std::pair<double, double>> steps, double until)
{
    const double h = 1e-4;
    double t = 0;
    auto accel = [&](double xx, double vv) { return (-p.stiffness * (xx - target) - p.damping * vv) / p.mass; };
    while (t < until - 1e-12) {
        while (!steps.empty() && steps.front().first <= t + 1e-12) {
            target = steps.front().second;
            steps.erase(steps.begin());
        }
        const double dt = std::min(h, until - t);
        const double k1x = v, k1v = accel(x, v);
        const double k2x = v + dt / 2 * k1v, k2v = accel(x + dt / 2 * k1x, v + dt / 2 * k1v);
        const double k3x = v + dt / 2 * k2v, k3v = accel(x + dt / 2 * k2x, v + dt / 2 * k2v);
        const double k4x = v + dt * k3v, k4v = accel(x + dt * k3x, v + dt * k3v);
        x += dt / 6 * (k1x + 2 * k2x + 2 * k3x + k4x);
        v += dt / 6 * (k1v + 2 * k2v + 2 * k3v + k4v);
        t += dt;
    }
    return x;
}

TEST(InterpolatingSpringTest, FollowsTheSpringEquationForEveryDampingRegime)
{
    const InterpolatingSpring::Parameters regimes[] = {
        {1, 320, 30, 0},   // the grid's spring: slightly under-damped
        {1, 100, 20, 0},   // critically damped
        {2, 100, 60, 0},   // over-damped
    };
    for (const auto& p : regimes) {
        InterpolatingSpring spring(10, p);
        spring.setTarget(110, 0);
        EXPECT_DOUBLE_EQ(spring.value(0), 10);
        EXPECT_DOUBLE_EQ(spring.velocity(0), 0);
        for (double t : {0.02, 0.05, 0.1, 0.2, 0.4, 0.8})
            EXPECT_NEAR(spring.value(t), integrate(p, 10, 0, 110, {}, t), 1e-6) << p.damping << " at " << t;
    }
}

TEST(InterpolatingSpringTest, RetargetingKeepsPositionAndVelocityContinuous)
{
    const InterpolatingSpring::Parameters p;
    InterpolatingSpring spring(0, p);
    spring.setTarget(100, 0);
    const double before = spring.value(0.1);
    const double speedBefore = spring.velocity(0.1);
    spring.setTarget(-40, 0.1);
    EXPECT_DOUBLE_EQ(spring.value(0.1), before);
    EXPECT_DOUBLE_EQ(spring.velocity(0.1), speedBefore);
    spring.setTarget(60, 0.17);
    for (double t : {0.12, 0.17, 0.25, 0.5, 1.0})
        EXPECT_NEAR(spring.value(t), integrate(p, 0, 0, 100, {{0.1, -40}, {0.17, 60}}, t), 1e-6) << t;
}

TEST(InterpolatingSpringTest, GridSpringOvershootsSlightlyAndSettles)
{
    InterpolatingSpring spring(0);
    spring.setTarget(100, 0);
    double peak = 0;
    for (double t = 0; t < 1; t += 0.001)
        peak = std::max(peak, spring.value(t));
    EXPECT_GT(peak, 100.5);
    EXPECT_LT(peak, 101.0); // damping ratio 0.84: under 1 % overshoot
    EXPECT_FALSE(spring.isSettled(0.2));
    EXPECT_TRUE(spring.isSettled(1.0));

    // Spent legs are folded away when the target moves again.
    spring.setTarget(200, 5);
    EXPECT_EQ(spring.activeLegs(), 1u);
    spring.reset(7);
    EXPECT_EQ(spring.value(5), 7);
    EXPECT_EQ(spring.activeLegs(), 0u);
}

} // namespace
} // namespace corvanta
