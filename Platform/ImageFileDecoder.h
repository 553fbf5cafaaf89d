#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace corvanta::ImageFileDecoder {

// Larger files are not read: a desktop picture of 16K by 16K pixels stays well under it.
constexpr qsizetype maxFileBytes = 256 * 1024 * 1024;

// Decodes a still picture: HEIF/HEIC through libheif, everything else through Qt's image readers
// (with the file's orientation applied). A missing, unreadable, oversized or corrupt file gives a
// null image.
QImage decodeFile(const QString& path);
QImage decodeData(const QByteArray& data);

} // namespace corvanta::ImageFileDecoder
