#include "Platform/X11PinchEventSource.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <algorithm>

namespace corvanta {

bool X11PinchEventSource::install(Handlers handlers)
{
    remove();
    m_handlers = std::move(handlers);
    const bool listening = m_x.listen({XI_GesturePinchBegin, XI_GesturePinchUpdate, XI_GesturePinchEnd},
                                      [this](int type, const void* data) { handle(type, data); });
    if (!listening)
        m_handlers = {};
    return listening;
}

void X11PinchEventSource::remove()
{
    m_x.stopListening();
    m_handlers = {};
}

void X11PinchEventSource::handle(int type, const void* data)
{
    const auto* pinch = static_cast<const XIGesturePinchEvent*>(data);
    const std::size_t fingers = std::size_t(std::max(int(pinch->detail), 0));
    MagnifyEvent magnify;
    magnify.magnification = pinch->scale - 1.0;
    int touchPhase = TouchPhase::moved;
    if (type == XI_GesturePinchBegin) {
        magnify.phase = GesturePhase::began;
        touchPhase = TouchPhase::began;
    } else if (type == XI_GesturePinchUpdate) {
        magnify.phase = GesturePhase::changed;
    } else {
        const bool cancelled = pinch->flags & XIGesturePinchEventCancelled;
        magnify.phase = cancelled ? GesturePhase::cancelled : GesturePhase::ended;
        touchPhase = cancelled ? TouchPhase::cancelled : TouchPhase::ended;
    }
    const GestureTouchesEvent touches{std::vector<int>(fingers, touchPhase)};
    // The touches first at a begin, so the sequence is armed before its first magnification, and
    // last at an end, so the magnification settles before the sequence ends.
    const Handlers handlers = m_handlers;
    if (handlers.onGesture && type == XI_GesturePinchBegin)
        handlers.onGesture(touches);
    if (handlers.onMagnify)
        handlers.onMagnify(magnify);
    if (handlers.onGesture && type != XI_GesturePinchBegin)
        handlers.onGesture(touches);
}

namespace {

class NoPinchEventSource final : public PinchEventSource {
public:
    bool install(Handlers) override { return false; }
    void remove() override {}
    bool isInstalled() const override { return false; }
};

} // namespace

std::unique_ptr<PinchEventSource> makeSystemPinchEventSource()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return std::make_unique<X11PinchEventSource>();
    return std::make_unique<NoPinchEventSource>();
}

} // namespace corvanta
