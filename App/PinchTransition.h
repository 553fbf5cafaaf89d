#pragma once

#include "App/PinchSurfaces.h"
#include "Services/PinchGestureDirection.h"
#include "Support/FrameTicker.h"

#include <QtGlobal>

#include <functional>
#include <optional>

namespace corvanta {

class InteractionManager;
class OverlayPresenter;
class ShortcutManager;

// Maps finger progress to visual progress so that a pinch continues from where the overlay is.
struct PinchVisualContinuation {
    double visible = 0;
    bool opening = true;
    std::optional<double> baseline;

    double value(double x);
};

// The overlay following a pinch: begin takes over a running transition or starts fresh, every
// sample sets the layers' opacity and scale, and settle either finishes at once (towards hidden)
// or flies to fully shown along the reference curve, one step per display frame. Main thread only.
class PinchTransition {
public:
    static constexpr double settleDuration = 0.25;
    static constexpr double hiddenScale = 1.1;

    struct Dependencies {
        OverlayPresenter* presenter = nullptr;
        ShortcutManager* shortcuts = nullptr;
        InteractionManager* engine = nullptr;
        PinchSurfaces* surfaces = nullptr;
        Scheduler* scheduler = nullptr;
        bool layerTransitionEnabled = true;
    };

    explicit PinchTransition(Dependencies dependencies);

    void beginInteractivePinchTransition(PinchGestureDirection direction);
    void handleProgress(double progress);
    void settleInteractivePinchTransition(bool commit);
    void cancelPinchForRegularTransition();
    void setInteractivePinchProgress(double progress);

    std::optional<PinchGestureDirection> direction() const { return m_direction; }
    std::optional<double> visualProgress() const { return m_visualProgress; }
    bool isFlying() const { return m_flight.has_value(); }

private:
    struct Flight {
        double from;
        double to;
        double start;
        double duration;
        PinchGestureDirection direction;
        bool complete;
    };
    void startPinchSettleDriver(double from, double to, PinchGestureDirection direction, bool complete);
    void stepPinchSettle(quint64 epoch);
    void stopPinchSettleDriver();
    void finishPinchSettle(PinchGestureDirection direction, bool complete);
    double now() const { return m_deps.scheduler->now(); }

    Dependencies m_deps;
    FrameTicker m_ticker;
    std::optional<PinchGestureDirection> m_direction;
    std::optional<PinchVisualContinuation> m_continuation;
    std::optional<double> m_visualProgress;
    quint64 m_settleEpoch = 0;
    std::optional<Flight> m_flight;
};

} // namespace corvanta
