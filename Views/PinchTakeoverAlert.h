#pragma once

#include <functional>

namespace corvanta {

class WindowStack;

// The one-time question whether the program takes the four-finger pinch over: a modal alert above
// the overlay. True for "启用"; Esc and "暂不启用" answer no.
bool askFourFingerPinchTakeover(WindowStack& stack);

} // namespace corvanta
