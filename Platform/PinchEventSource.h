#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

namespace corvanta {

// Gesture phase bits of a magnify event.
namespace GesturePhase {
inline constexpr unsigned began = 1;
inline constexpr unsigned stationary = 2;
inline constexpr unsigned changed = 4;
inline constexpr unsigned ended = 8;
inline constexpr unsigned cancelled = 16;
inline constexpr unsigned mayBegin = 32;
} // namespace GesturePhase

// Touch phases of the touches of a gesture event; below `ended` the finger still touches.
namespace TouchPhase {
inline constexpr int began = 1;
inline constexpr int moved = 2;
inline constexpr int stationary = 4;
inline constexpr int ended = 8;
inline constexpr int cancelled = 16;
} // namespace TouchPhase

// A pinch's magnification so far (negative: the fingers close), with its auxiliary value (not 0:
// the sign is inverted) and phase bits.
struct MagnifyEvent {
    double magnification = 0;
    qint64 auxiliary = 0;
    unsigned phase = 0;
};

// The touches of a multi-finger gesture, by touch phase.
struct GestureTouchesEvent {
    std::vector<int> touchPhases;
};

enum class TapDecision { pass, swallow };

// The desktop's pinch and gesture events for the whole session.
class PinchEventSource {
public:
    struct Handlers {
        std::function<TapDecision(const MagnifyEvent&)> onMagnify;
        std::function<void(const GestureTouchesEvent&)> onGesture;
    };
    virtual ~PinchEventSource() = default;
    // False when the desktop offers no such events.
    virtual bool install(Handlers handlers) = 0;
    virtual void remove() = 0;
    virtual bool isInstalled() const = 0;
};

// One stage of a touchpad pinch as the desktop reports it: its scale so far (1 at the start) and
// its finger count. Delivered as a magnify event with scale − 1 (closing fingers are negative) and
// a gesture event of that many touches: before the magnification at a begin, so the sequence is
// armed first, and after it at an end, so the magnification settles before the sequence ends.
enum class PinchStage { begin, update, end, cancel };
void deliverPinchStage(const PinchEventSource::Handlers& handlers, PinchStage stage, double scale, int fingers);

// Sleep and wake of the machine.
class SleepWakeSource {
public:
    virtual ~SleepWakeSource() = default;
    virtual void start(std::function<void()> willSleep, std::function<void()> didWake) = 0;
    virtual void stop() = 0;
};

// XInput 2.4 pinch gestures on the X root window; listen-only. Stand-in without X.
std::unique_ptr<PinchEventSource> makeSystemPinchEventSource();
// logind's PrepareForSleep over the system bus; nothing where there is no logind.
std::unique_ptr<SleepWakeSource> makeSystemSleepWakeSource();

} // namespace corvanta
