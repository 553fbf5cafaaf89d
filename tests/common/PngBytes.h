#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

namespace corvanta::test {

// A PNG file's bytes: a square of `side` pixels in one colour.
inline QByteArray encodedPng(int side, QColor color = Qt::red)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A real PNG of `side` pixels with a text chunk before its end that declares `declared` bytes
// while only a few follow. Readers reach text after the pixels, so the picture itself decodes; a
// reader that trusted the length would allocate all of it.
inline QByteArray pngWithOverlongChunk(int side, quint32 declared = 0x40000000)
{
    QByteArray bytes = encodedPng(side);
    QByteArray chunk(4, '\0');
    for (int i = 0; i < 4; ++i)
        chunk[i] = char((declared >> (24 - 8 * i)) & 0xFF);
    chunk += QByteArray("tEXtComment\0note", 16);
    bytes.insert(bytes.size() - 12, chunk); // before IEND
    return bytes;
}

} // namespace corvanta::test
