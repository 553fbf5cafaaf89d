#include "Platform/BinaryPlistStrings.h"

#include <cstdint>
#include <cstring>

namespace corvanta {

namespace {

constexpr qsizetype kHeaderSize = 8;
constexpr qsizetype kTrailerSize = 32;

// A big-endian unsigned number of `width` bytes at `at`; false when it does not fit.
bool readNumber(QByteArrayView data, qsizetype at, int width, uint64_t* out)
{
    if (width < 1 || width > 8 || at < 0 || at > data.size() - width)
        return false;
    uint64_t value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | uint8_t(data.at(at + i));
    *out = value;
    return true;
}

bool stringObjectIsClean(QByteArrayView data, qsizetype at, qsizetype end)
{
    const uint8_t marker = uint8_t(data.at(at));
    const int type = marker >> 4;
    if (type != 0x5 && type != 0x6)
        return true;
    uint64_t count = marker & 0x0f;
    qsizetype start = at + 1;
    if (count == 0x0f) {
        if (start >= end || (uint8_t(data.at(start)) >> 4) != 0x1)
            return false;
        const int width = 1 << (uint8_t(data.at(start)) & 0x0f);
        if (!readNumber(data, start + 1, width, &count))
            return false;
        start += 1 + width;
    }
    const uint64_t unit = type == 0x6 ? 2 : 1;
    // A count whose integer reaches into the offset table starts the text past its end.
    if (start > end || count > uint64_t(end - start) / unit)
        return false;
    if (unit == 1)
        return !std::memchr(data.data() + start, 0, size_t(count));
    for (qsizetype i = 0; i < qsizetype(count); ++i) {
        const qsizetype p = start + i * qsizetype(unit);
        if (data.at(p) == 0 && (unit == 1 || data.at(p + 1) == 0))
            return false;
    }
    return true;
}

} // namespace

bool binaryPlistStringsAreClean(QByteArrayView data)
{
    if (data.size() < kHeaderSize + kTrailerSize)
        return false;
    const qsizetype trailer = data.size() - kTrailerSize;
    const int offsetSize = uint8_t(data.at(trailer + 6));
    uint64_t objects = 0;
    uint64_t tableOffset = 0;
    if (!readNumber(data, trailer + 8, 8, &objects) || !readNumber(data, trailer + 24, 8, &tableOffset))
        return false;
    if (offsetSize < 1 || offsetSize > 8 || tableOffset < uint64_t(kHeaderSize) || tableOffset > uint64_t(trailer)
        || objects > (uint64_t(trailer) - tableOffset) / uint64_t(offsetSize))
        return false;
    for (uint64_t i = 0; i < objects; ++i) {
        uint64_t offset = 0;
        if (!readNumber(data, qsizetype(tableOffset + i * uint64_t(offsetSize)), offsetSize, &offset))
            return false;
        if (offset < uint64_t(kHeaderSize) || offset >= tableOffset)
            return false;
        if (!stringObjectIsClean(data, qsizetype(offset), qsizetype(tableOffset)))
            return false;
    }
    return true;
}

} // namespace corvanta
