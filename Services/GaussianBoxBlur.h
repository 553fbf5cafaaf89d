#pragma once

#include <QImage>

namespace corvanta::GaussianBoxBlur {

// Blurs a 32-bit image in place with three successive box blurs per axis whose widths are chosen
// so that together they approximate a Gaussian of standard deviation `sigma` pixels. Edge pixels
// are repeated outward. Cost does not depend on `sigma`. Rows and columns are split across up to
// `threads` threads (0: one per core, at most 8).
void apply(QImage& image, double sigma, int threads = 0);

} // namespace corvanta::GaussianBoxBlur
