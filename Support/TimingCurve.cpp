#include "Support/TimingCurve.h"

#include <algorithm>
#include <cmath>

namespace corvanta {

namespace {

// One coordinate of the Bézier with end points 0 and 1 and inner control values a and b.
double bezier(double s, double a, double b)
{
    const double u = 1 - s;
    return 3 * u * u * s * a + 3 * u * s * s * b + s * s * s;
}

double bezierDerivative(double s, double a, double b)
{
    const double u = 1 - s;
    return 3 * u * u * a + 6 * u * s * (b - a) + 3 * s * s * (1 - b);
}

} // namespace

double TimingCurve::solveParameter(double x) const
{
    // Newton first (fast where the curve is steep), bisection as the safe fallback: the x
    // coordinate is monotonic for control x values within 0...1.
    double s = x;
    for (int i = 0; i < 8; ++i) {
        const double error = bezier(s, m_x1, m_x2) - x;
        if (std::abs(error) < 1e-9)
            return s;
        const double d = bezierDerivative(s, m_x1, m_x2);
        if (std::abs(d) < 1e-7)
            break;
        s -= error / d;
    }
    double lo = 0, hi = 1;
    s = x;
    for (int i = 0; i < 64; ++i) {
        const double value = bezier(s, m_x1, m_x2);
        if (std::abs(value - x) < 1e-10)
            break;
        (value < x ? lo : hi) = s;
        s = (lo + hi) / 2;
    }
    return s;
}

double TimingCurve::value(double t) const
{
    if (!(t > 0))
        return 0;
    if (t >= 1)
        return 1;
    return bezier(solveParameter(t), m_y1, m_y2);
}

double TimingCurve::slope(double t) const
{
    const double s = solveParameter(std::clamp(t, 0.0, 1.0));
    const double dx = bezierDerivative(s, m_x1, m_x2);
    if (std::abs(dx) < 1e-12)
        return 0;
    return bezierDerivative(s, m_y1, m_y2) / dx;
}

} // namespace corvanta
