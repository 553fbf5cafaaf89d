#pragma once

#include <vector>

namespace corvanta {

// A value that follows its target like a mass on a damped spring. Retargeting is additive: the
// motion already under way keeps running and the jump to the new target is added as a new
// spring starting at rest, so position and velocity stay continuous however often the target
// moves (a dragged icon chased by its neighbours, a ghost flying into a slot that moves again).
class InterpolatingSpring {
public:
    struct Parameters {
        double mass = 1;
        double stiffness = 320;
        double damping = 30;
        // Initial velocity of each new leg, in units of that leg's distance per second.
        double initialVelocity = 0;
    };

    explicit InterpolatingSpring(double value = 0) : InterpolatingSpring(value, Parameters{}) {}
    InterpolatingSpring(double value, Parameters parameters);

    // Moves the target at time `now`, keeping the motion continuous.
    void setTarget(double target, double now);
    // Puts the value at `value` at rest, dropping all motion.
    void reset(double value);

    double target() const { return m_target; }
    double value(double now) const;
    double velocity(double now) const;
    // Within `tolerance` of the target, and no leg moving faster than `tolerance` per second.
    bool isSettled(double now, double tolerance = 1e-3) const;
    std::size_t activeLegs() const { return m_legs.size(); }

    const Parameters& parameters() const { return m_parameters; }

private:
    struct Leg {
        double offset; // distance from the target this leg contributes at its start
        double start;
    };
    // Normalised response of one leg: 1 at tau = 0, decaying to 0; and its derivative.
    double response(double tau) const;
    double responseSlope(double tau) const;
    // Largest magnitude a leg's response can still reach after tau.
    double envelope(double tau) const;
    void prune(double now);

    Parameters m_parameters;
    double m_target;
    std::vector<Leg> m_legs;
    double m_omega0;
    double m_zeta;
};

} // namespace corvanta
