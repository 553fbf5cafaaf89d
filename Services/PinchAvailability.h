#pragma once

#include "Platform/TouchpadFrameSource.h"

#include <QString>

namespace corvanta {

// Why no pinch can be recognised: the X server offers no touchpad gesture events (XInput 2.4),
// and libinput, which would read them from the devices instead, cannot, for the reason the
// touchpad's access gives. The log's words and the settings window's.
QString pinchUnavailableLogReason(TouchpadAccess access);
QString pinchUnavailableText(TouchpadAccess access);

} // namespace corvanta
