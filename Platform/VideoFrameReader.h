#pragma once

#include <QImage>
#include <QString>

namespace corvanta::VideoFrameReader {

// The frame shown at `seconds` into the video, or the nearest one within `tolerance` seconds
// either side, turned upright by the stream's display rotation. Any failure gives a null image.
QImage frameNear(const QString& path, double seconds, double tolerance);

} // namespace corvanta::VideoFrameReader
