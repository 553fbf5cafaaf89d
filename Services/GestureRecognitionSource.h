#pragma once

namespace corvanta {

// Which recogniser answers the trackpad pinch the user chose: the system's own gesture (still
// switched on), ours, or none because the pinch is off.
enum class GestureRecognitionSource { macOS, builtIn, disabled };

} // namespace corvanta
