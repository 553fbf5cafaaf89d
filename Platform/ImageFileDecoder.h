#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace corvanta::ImageFileDecoder {

// Decodes a still picture: HEIF/HEIC through libheif, everything else through Qt's image readers
// (with the file's orientation applied). A missing, unreadable or corrupt file gives a null image.
QImage decodeFile(const QString& path);
QImage decodeData(const QByteArray& data);

} // namespace corvanta::ImageFileDecoder
