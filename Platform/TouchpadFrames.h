#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>
#include <vector>

namespace corvanta {

// One finger of a raw touchpad frame, in the record layout the finger tracker reads: frame number
// at byte 0, finger identifier at 16, state at 20, x at 44 and y at 48 (32-bit, native order; x and
// y normalised to the touchpad, y up). Records follow each other at a fixed stride.
struct FingerRecord {
    qint32 frame = 0;
    qint32 identifier = 0;
    qint32 state = 0;
    float x = 0;
    float y = 0;
};

namespace TouchpadFrames {

inline constexpr int defaultStride = 88;
inline constexpr int candidateStrides[] = {56, 64, 72, 76, 80, 88, 96, 104, 112};
// The record is at least this long: the last field read ends here.
inline constexpr int minimumStride = 52;
// A state that says the finger touches the surface.
inline constexpr qint32 touchingState = 4;

// Record `index` at `stride`; nothing when any byte of it would lie beyond the buffer.
std::optional<FingerRecord> readRecord(QByteArrayView records, int stride, int index);

// The first candidate stride at which the records at one, two (and three, with four or more
// fingers) strides carry the first record's frame number, a state in 0...16 and finite x and y in
// -0.5...1.5. Nothing for fewer than three fingers or when no candidate fits.
std::optional<int> calibrateStride(QByteArrayView records, int count);

// Writes `fingers` as records at `stride` (zero padding between the fields).
QByteArray encode(const std::vector<FingerRecord>& fingers, int stride = defaultStride);

} // namespace TouchpadFrames

} // namespace corvanta
