#include "Platform/PinchEventSource.h"

namespace corvanta {

void deliverPinchStage(const PinchEventSource::Handlers& handlers, PinchStage stage, double scale, int fingers)
{
    MagnifyEvent magnify;
    magnify.magnification = scale - 1.0;
    int touchPhase = TouchPhase::moved;
    switch (stage) {
    case PinchStage::begin:
        magnify.phase = GesturePhase::began;
        touchPhase = TouchPhase::began;
        break;
    case PinchStage::update:
        magnify.phase = GesturePhase::changed;
        break;
    case PinchStage::end:
        magnify.phase = GesturePhase::ended;
        touchPhase = TouchPhase::ended;
        break;
    case PinchStage::cancel:
        magnify.phase = GesturePhase::cancelled;
        touchPhase = TouchPhase::cancelled;
        break;
    }
    const GestureTouchesEvent touches{std::vector<int>(std::size_t(fingers > 0 ? fingers : 0), touchPhase)};
    // A copy: a handler may remove the source and its handlers.
    const PinchEventSource::Handlers h = handlers;
    if (h.onGesture && stage == PinchStage::begin)
        h.onGesture(touches);
    if (h.onMagnify)
        h.onMagnify(magnify);
    if (h.onGesture && stage != PinchStage::begin)
        h.onGesture(touches);
}

} // namespace corvanta
