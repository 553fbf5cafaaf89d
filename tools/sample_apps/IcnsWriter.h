#pragma once

#include <QByteArray>
#include <QImage>

#include <vector>

namespace corvanta::samples {

struct IcnsElement {
    QByteArray type;  // four-character element type, e.g. "ic08"
    QImage image;     // stored as PNG
};

// The ICNS container: "icns", the total length, a table of contents, then each element as its
// type, its length (header included) and its PNG bytes. All lengths are big-endian.
QByteArray encodeIcns(const std::vector<IcnsElement>& elements);

}  // namespace corvanta::samples
