#include "Platform/PngChunks.h"

namespace corvanta {

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1A\n";
constexpr qsizetype kSignatureSize = sizeof kSignature - 1;
// A chunk's length, type and check value around its data.
constexpr qsizetype kChunkOverhead = 12;

quint32 bigEndian32(const char* bytes)
{
    const auto* b = reinterpret_cast<const uchar*>(bytes);
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
}

} // namespace

bool isPng(QByteArrayView data) { return data.startsWith(QByteArrayView(kSignature, kSignatureSize)); }

bool pngChunksFit(QByteArrayView data)
{
    if (!isPng(data))
        return false;
    for (qsizetype at = kSignatureSize; data.size() - at >= kChunkOverhead;) {
        const qsizetype length = qsizetype(bigEndian32(data.data() + at));
        if (length > data.size() - at - kChunkOverhead)
            return false;
        if (QByteArrayView(data.data() + at + 4, 4) == QByteArrayView("IEND"))
            return true;
        at += kChunkOverhead + length;
    }
    return false;
}

bool safeForImageReader(QByteArrayView data) { return !isPng(data) || pngChunksFit(data); }

} // namespace corvanta
