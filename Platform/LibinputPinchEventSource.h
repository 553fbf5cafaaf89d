#pragma once

#include "Platform/PinchEventSource.h"

#include <QObject>

class QSocketNotifier;
struct libinput;
struct udev;

namespace corvanta {

// Touchpad pinch gestures read with libinput from the seat's devices, for X servers older than
// XInput 2.4. Reading the devices needs the right to open them; without it, or without a device
// that has gestures, nothing installs. The events are translated as the X source does: scale − 1
// as the magnification, the finger count as the touches of a gesture event.
class LibinputPinchEventSource final : public QObject, public PinchEventSource {
public:
    explicit LibinputPinchEventSource(QObject* parent = nullptr);
    ~LibinputPinchEventSource() override;

    bool install(Handlers handlers) override;
    void remove() override;
    bool isInstalled() const override { return m_context != nullptr; }

private:
    void readEvents();

    libinput* m_context = nullptr;
    udev* m_udev = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    Handlers m_handlers;
    int m_gestureDevices = 0;
};

} // namespace corvanta
