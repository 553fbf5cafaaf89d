#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

namespace corvanta {

// True for the JPEG 2000 file format ("jP  " box) or a bare JPEG 2000 codestream.
bool isJpeg2000(QByteArrayView data);

// Decodes a JPEG 2000 picture of 1 to 4 components (grey, grey and alpha, RGB, RGBA) with
// OpenJPEG. A null image when the bytes do not decode or the picture is wider or taller than
// `maxSide`, checked from the header before any pixel is decoded; `error` then says why.
QImage decodeJpeg2000(QByteArrayView data, int maxSide, QString* error = nullptr);

} // namespace corvanta
