#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace corvanta {

// Raw contact frames of the touchpads, read on a thread of the caller's: each frame is the
// fingers on the surface as records (TouchpadFrames.h) and their count; a frame with count 0 says
// every finger has left.
class TouchpadFrameSource {
public:
    virtual ~TouchpadFrameSource() = default;
    // Opens the devices; false (with the reason in `why`) when there is nothing to read.
    virtual bool open(QString* why) = 0;
    virtual int deviceCount() const = 0;
    // Blocks until a frame arrives; false once interrupted or closed.
    virtual bool nextFrame(QByteArray& records, int& count) = 0;
    // From any thread: makes a blocked `nextFrame` return false.
    virtual void interrupt() = 0;
    virtual void close() = 0;
};

// The touchpads found through udev, read with libevdev (multitouch protocol B).
std::unique_ptr<TouchpadFrameSource> makeSystemTouchpadFrameSource();

// Whether this process may read the touchpads' input devices, which the raw finger frames and
// libinput's gestures need (the X server's gestures do not).
enum class TouchpadAccess { readable, unreadable, absent };
TouchpadAccess touchpadAccess();

} // namespace corvanta
