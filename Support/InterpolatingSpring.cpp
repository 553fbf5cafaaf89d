#include "Support/InterpolatingSpring.h"

#include <algorithm>
#include <cmath>

namespace corvanta {

InterpolatingSpring::InterpolatingSpring(double value, Parameters parameters)
    : m_parameters(parameters), m_target(value)
{
    const double mass = m_parameters.mass > 0 ? m_parameters.mass : 1;
    const double stiffness = m_parameters.stiffness > 0 ? m_parameters.stiffness : 1;
    m_omega0 = std::sqrt(stiffness / mass);
    m_zeta = std::max(0.0, m_parameters.damping) / (2 * std::sqrt(stiffness * mass));
}

// x'' + 2 zeta omega0 x' + omega0^2 x = 0 with x(0) = 1 and x'(0) = -v0 (the leg closes its
// distance at v0 distances per second).
double InterpolatingSpring::response(double tau) const
{
    if (tau <= 0)
        return 1;
    const double w = m_omega0;
    const double v0 = -m_parameters.initialVelocity;
    if (m_zeta < 1) {
        const double wd = w * std::sqrt(1 - m_zeta * m_zeta);
        const double b = (v0 + m_zeta * w) / wd;
        return std::exp(-m_zeta * w * tau) * (std::cos(wd * tau) + b * std::sin(wd * tau));
    }
    if (m_zeta == 1)
        return std::exp(-w * tau) * (1 + (v0 + w) * tau);
    const double s = w * std::sqrt(m_zeta * m_zeta - 1);
    const double r1 = -m_zeta * w + s;
    const double r2 = -m_zeta * w - s;
    const double c2 = (v0 - r1) / (r2 - r1);
    const double c1 = 1 - c2;
    return c1 * std::exp(r1 * tau) + c2 * std::exp(r2 * tau);
}

double InterpolatingSpring::responseSlope(double tau) const
{
    const double w = m_omega0;
    const double v0 = -m_parameters.initialVelocity;
    if (tau <= 0)
        return v0;
    if (m_zeta < 1) {
        const double wd = w * std::sqrt(1 - m_zeta * m_zeta);
        const double a = m_zeta * w;
        const double b = (v0 + a) / wd;
        const double e = std::exp(-a * tau);
        const double c = std::cos(wd * tau);
        const double s = std::sin(wd * tau);
        return e * (-a * (c + b * s) + (-wd * s + b * wd * c));
    }
    if (m_zeta == 1) {
        const double k = v0 + w;
        return std::exp(-w * tau) * (k - w * (1 + k * tau));
    }
    const double s = w * std::sqrt(m_zeta * m_zeta - 1);
    const double r1 = -m_zeta * w + s;
    const double r2 = -m_zeta * w - s;
    const double c2 = (v0 - r1) / (r2 - r1);
    const double c1 = 1 - c2;
    return c1 * r1 * std::exp(r1 * tau) + c2 * r2 * std::exp(r2 * tau);
}

double InterpolatingSpring::envelope(double tau) const
{
    const double w = m_omega0;
    const double v0 = -m_parameters.initialVelocity;
    if (m_zeta < 1) {
        const double wd = w * std::sqrt(1 - m_zeta * m_zeta);
        const double b = (v0 + m_zeta * w) / wd;
        return std::exp(-m_zeta * w * tau) * std::hypot(1.0, b) * std::max(1.0, w / wd);
    }
    // Not oscillating: past its turning point a leg only shrinks.
    return std::abs(response(tau)) + std::abs(responseSlope(tau)) / w;
}

void InterpolatingSpring::setTarget(double target, double now)
{
    prune(now);
    if (target == m_target)
        return;
    m_legs.push_back({m_target - target, now});
    m_target = target;
}

void InterpolatingSpring::reset(double value)
{
    m_legs.clear();
    m_target = value;
}

double InterpolatingSpring::value(double now) const
{
    double v = m_target;
    for (const Leg& leg : m_legs)
        v += leg.offset * response(now - leg.start);
    return v;
}

double InterpolatingSpring::velocity(double now) const
{
    double v = 0;
    for (const Leg& leg : m_legs)
        v += leg.offset * responseSlope(now - leg.start);
    return v;
}

bool InterpolatingSpring::isSettled(double now, double tolerance) const
{
    return std::abs(value(now) - m_target) <= tolerance && std::abs(velocity(now)) <= tolerance;
}

void InterpolatingSpring::prune(double now)
{
    // Legs that can no longer move the value by a visible amount are folded into the target.
    constexpr double kNegligible = 1e-6;
    std::erase_if(m_legs, [&](const Leg& leg) { return std::abs(leg.offset) * envelope(now - leg.start) < kNegligible; });
}

} // namespace corvanta
