#pragma once

#include "SampleApp.h"

#include <QImage>

namespace corvanta::samples {

// Draws the artwork at exactly `side` pixels, so every resolution of an icon file is sharp
// rather than scaled from one master.
QImage paintIcon(const IconArt& art, int side);

}  // namespace corvanta::samples
