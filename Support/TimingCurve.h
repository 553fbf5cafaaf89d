#pragma once

namespace corvanta {

// A cubic Bézier timing curve from (0, 0) to (1, 1) with control points (x1, y1) and (x2, y2):
// maps the elapsed fraction of an animation to its progress.
class TimingCurve {
public:
    constexpr TimingCurve(double x1, double y1, double x2, double y2) : m_x1(x1), m_y1(y1), m_x2(x2), m_y2(y2) {}

    // Progress at elapsed fraction `t` (clamped to 0...1); accurate to 1e-7.
    double value(double t) const;

    // Slope of the curve at elapsed fraction `t` (progress per unit of elapsed fraction).
    double slope(double t) const;

    double x1() const { return m_x1; }
    double y1() const { return m_y1; }
    double x2() const { return m_x2; }
    double y2() const { return m_y2; }

    static constexpr TimingCurve linear() { return {0, 0, 1, 1}; }
    static constexpr TimingCurve easeIn() { return {0.42, 0, 1, 1}; }
    static constexpr TimingCurve easeOut() { return {0, 0, 0.58, 1}; }
    static constexpr TimingCurve easeInEaseOut() { return {0.42, 0, 0.58, 1}; }

private:
    double solveParameter(double x) const;

    double m_x1, m_y1, m_x2, m_y2;
};

} // namespace corvanta
