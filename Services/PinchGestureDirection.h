#pragma once

#include <QString>

namespace corvanta {

// The direction of a finger-driven transition: the overlay is being shown, or hidden.
enum class PinchGestureDirection { opening, closing };

inline QString caseName(PinchGestureDirection direction)
{
    return direction == PinchGestureDirection::opening ? QStringLiteral("opening") : QStringLiteral("closing");
}

} // namespace corvanta
