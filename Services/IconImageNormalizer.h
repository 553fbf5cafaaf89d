#pragma once

#include <QImage>
#include <QRect>

#include <optional>

namespace corvanta {

// Cuts the transparent margin that many application icons carry, so that every icon fills its
// cell's square the same way. The decision comes from a coarse 64 × 64 alpha scan; only the
// redraw (at most 512 pixels on the longer side) runs at full size.
class IconImageNormalizer {
public:
    // A new, trimmed image, or `image` itself when it is opaque, already fills its square, has
    // too little visible content, or was itself produced by this function. Thread-safe.
    static QImage trimmed(const QImage& image);

    // The content box on the 64 × 64 raster (x, y, width, height in raster pixels, origin at
    // the top left); nothing for an image without content.
    static std::optional<QRect> contentBox(const QImage& image);

    static constexpr int kRasterSide = 64;
    static constexpr int kContentAlpha = 9;
    static constexpr double kEdgeMargin = 0.04;
    static constexpr double kSmallestExtent = 0.2;
    static constexpr int kLongestRedraw = 512;

private:
    static QImage trimOnce(const QImage& image);
};

} // namespace corvanta
