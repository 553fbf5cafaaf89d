#pragma once

#include "Platform/PinchEventSource.h"
#include "Platform/X11InputConnection.h"

namespace corvanta {

// XInput 2.4 touchpad pinch gestures selected on the X root window. X cannot take events away
// from other clients, so every decision is "pass" in effect. A pinch's scale becomes the
// magnification (scale − 1: closing fingers give negative values), its begin, update and end the
// phases, and its finger count a gesture event of that many touches.
class X11PinchEventSource final : public PinchEventSource {
public:
    explicit X11PinchEventSource(const QByteArray& displayName = {}) : m_x(4, displayName) {}

    bool install(Handlers handlers) override;
    void remove() override;
    bool isInstalled() const override { return m_x.isListening(); }

private:
    void handle(int type, const void* data);

    X11InputConnection m_x;
    Handlers m_handlers;
};

} // namespace corvanta
