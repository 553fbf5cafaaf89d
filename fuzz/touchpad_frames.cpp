#include "FuzzCheck.h"
#include "Platform/TouchpadFrames.h"
#include "Services/MultitouchFingerTracker.h"
#include "Support/VirtualScheduler.h"

#include <cstddef>
#include <cstdint>

// Finger frames come from a device driver in a layout we only infer: whatever the bytes and the
// claimed finger count, decoding reads nothing outside the frame.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int count = data[0] % 12;
    // An exact-size copy, so the sanitizer sees any read past the end.
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (const auto stride = corvanta::TouchpadFrames::calibrateStride(bytes, count)) {
        for (int i = 0; i < count; ++i)
            (void)corvanta::TouchpadFrames::readRecord(bytes, *stride, i);
    }
    static corvanta::VirtualClock clock;
    static corvanta::MultitouchFingerTracker tracker(clock, [](std::function<void()>) {});
    tracker.setProgressGate(true);
    tracker.handleFrame(bytes, count);
    FUZZ_CHECK(tracker.latestFingerCount(1) == count || count == 0);
    return 0;
}
