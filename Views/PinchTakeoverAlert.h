#pragma once

#include <functional>

namespace corvanta {

class WindowStack;

enum class PinchTakeoverAnswer {
    enable,                 // "启用"
    notNow,                 // "暂不启用", or Esc
    dismissedByTermination, // the process is ending: no answer
};

// The one-time question whether the program takes the four-finger pinch over: a modal alert above
// the overlay.
PinchTakeoverAnswer askFourFingerPinchTakeover(WindowStack& stack);

} // namespace corvanta
