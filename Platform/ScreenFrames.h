#pragma once

#include <QRectF>

class QScreen;

namespace corvanta::ScreenFrames {

// A screen's frame in the global space with the origin at the bottom left of the primary screen
// (y grows upward), the space the backdrop and window placement are written in.
QRectF globalFrame(const QScreen* screen);

// The primary screen's frame, else the first screen's, else an empty rectangle.
QRectF mainScreenFrame();

} // namespace corvanta::ScreenFrames
