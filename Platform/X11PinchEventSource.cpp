#include "Platform/X11PinchEventSource.h"

#include "Platform/LibinputPinchEventSource.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

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
    PinchStage stage = PinchStage::update;
    if (type == XI_GesturePinchBegin)
        stage = PinchStage::begin;
    else if (type == XI_GesturePinchEnd)
        stage = (pinch->flags & XIGesturePinchEventCancelled) ? PinchStage::cancel : PinchStage::end;
    deliverPinchStage(m_handlers, stage, pinch->scale, int(pinch->detail));
}

namespace {

// The X server's gestures where it offers them, libinput's otherwise.
class FallbackPinchEventSource final : public PinchEventSource {
public:
    FallbackPinchEventSource(std::unique_ptr<PinchEventSource> first, std::unique_ptr<PinchEventSource> second)
        : m_first(std::move(first)), m_second(std::move(second))
    {
    }
    bool install(Handlers handlers) override
    {
        remove();
        return m_first->install(handlers) || m_second->install(handlers);
    }
    void remove() override
    {
        m_first->remove();
        m_second->remove();
    }
    bool isInstalled() const override { return m_first->isInstalled() || m_second->isInstalled(); }

private:
    std::unique_ptr<PinchEventSource> m_first, m_second;
};

} // namespace

std::unique_ptr<PinchEventSource> makeSystemPinchEventSource()
{
    std::unique_ptr<PinchEventSource> libinput = std::make_unique<LibinputPinchEventSource>();
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return std::make_unique<FallbackPinchEventSource>(std::make_unique<X11PinchEventSource>(), std::move(libinput));
    return libinput;
}

} // namespace corvanta
