#include "Platform/TouchpadFrames.h"

#include <cmath>
#include <cstring>

namespace corvanta::TouchpadFrames {

namespace {

template <typename T> T readAt(const char* base, int offset)
{
    T value;
    std::memcpy(&value, base + offset, sizeof value);
    return value;
}

template <typename T> void writeAt(char* base, int offset, T value)
{
    std::memcpy(base + offset, &value, sizeof value);
}

bool plausible(const FingerRecord& r, qint32 frame)
{
    const auto inRange = [](float v) { return std::isfinite(v) && v >= -0.5f && v <= 1.5f; };
    return r.frame == frame && r.state >= 0 && r.state <= 16 && inRange(r.x) && inRange(r.y);
}

} // namespace

std::optional<FingerRecord> readRecord(QByteArrayView records, int stride, int index)
{
    if (stride < minimumStride || index < 0)
        return std::nullopt;
    const qint64 start = qint64(stride) * index;
    if (start + minimumStride > records.size())
        return std::nullopt;
    const char* base = records.data() + start;
    FingerRecord r;
    r.frame = readAt<qint32>(base, 0);
    r.identifier = readAt<qint32>(base, 16);
    r.state = readAt<qint32>(base, 20);
    r.x = readAt<float>(base, 44);
    r.y = readAt<float>(base, 48);
    return r;
}

std::optional<int> calibrateStride(QByteArrayView records, int count)
{
    if (count < 3)
        return std::nullopt;
    const auto first = readRecord(records, minimumStride, 0);
    if (!first)
        return std::nullopt;
    const int probes = count >= 4 ? 3 : 2;
    for (int stride : candidateStrides) {
        bool fits = true;
        for (int i = 1; i <= probes && fits; ++i) {
            const auto r = readRecord(records, stride, i);
            fits = r && plausible(*r, first->frame);
        }
        if (fits)
            return stride;
    }
    return std::nullopt;
}

QByteArray encode(const std::vector<FingerRecord>& fingers, int stride)
{
    QByteArray out(qsizetype(fingers.size()) * stride, '\0');
    for (std::size_t i = 0; i < fingers.size(); ++i) {
        char* base = out.data() + i * stride;
        writeAt(base, 0, fingers[i].frame);
        writeAt(base, 16, fingers[i].identifier);
        writeAt(base, 20, fingers[i].state);
        writeAt(base, 44, fingers[i].x);
        writeAt(base, 48, fingers[i].y);
    }
    return out;
}

} // namespace corvanta::TouchpadFrames
