#pragma once

#include <optional>

namespace corvanta {

// What a finger-driven transition does to the overlay window and the strip above the menu bar.
// The program drives the real windows; tests record the calls.
class PinchSurfaces {
public:
    virtual ~PinchSurfaces() = default;
    virtual bool hasWindow() const = 0;
    // The opacity the overlay's content presents while a regular transition animates it; nothing
    // when none runs.
    virtual std::optional<double> runningTransitionOpacity() const = 0;
    // An opening pinch: the application forward, the menu bar away, the strip at full size.
    virtual void prepareOpening() = 0;
    // Both windows in front at full window opacity; the overlay takes the keyboard.
    virtual void orderFront() = 0;
    // The fingers' value on the content layers: the overlay at opacity `q` and scale 1.1 − 0.1 q,
    // the strip opaque at the same scale; running transition animations removed first.
    virtual void applyProgress(double q) = 0;
    // Whether there is a screen whose display can pace a settle flight.
    virtual bool hasScreen() const = 0;
};

} // namespace corvanta
