#include "Support/TimingCurve.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace corvanta;

namespace {

// Reference: sample the parametric curve densely and interpolate, independent of the solver.
double reference(const TimingCurve& c, double t)
{
    auto coord = [](double s, double a, double b) {
        const double u = 1 - s;
        return 3 * u * u * s * a + 3 * u * s * s * b + s * s * s;
    };
    double lo = 0, hi = 1;
    for (int i = 0; i < 200; ++i) {
        const double mid = (lo + hi) / 2;
        (coord(mid, c.x1(), c.x2()) < t ? lo : hi) = mid;
    }
    return coord((lo + hi) / 2, c.y1(), c.y2());
}

} // namespace

TEST(TimingCurve, MatchesTheParametricCurveWithinAMillionth)
{
    const TimingCurve curves[] = {TimingCurve::easeOut(), TimingCurve::easeIn(), TimingCurve::easeInEaseOut(),
                                  TimingCurve(0.2, 0.9, 0.25, 1.0), TimingCurve(0.9, 0.0, 0.1, 1.0)};
    for (const auto& c : curves) {
        for (int i = 0; i <= 1000; ++i) {
            const double t = i / 1000.0;
            EXPECT_NEAR(c.value(t), reference(c, t), 1e-6) << "t=" << t;
        }
    }
}

TEST(TimingCurve, ClampsOutsideTheUnitIntervalAndIsLinearForTheLinearCurve)
{
    const auto c = TimingCurve::easeOut();
    EXPECT_EQ(c.value(-0.5), 0);
    EXPECT_EQ(c.value(1.5), 1);
    EXPECT_EQ(c.value(std::nan("")), 0);
    EXPECT_NEAR(TimingCurve::linear().value(0.37), 0.37, 1e-9);
    EXPECT_NEAR(TimingCurve::linear().slope(0.5), 1.0, 1e-9);
}
