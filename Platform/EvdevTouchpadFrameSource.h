#pragma once

#include "Platform/TouchpadFrameSource.h"

#include <QStringList>

#include <vector>

struct libevdev;

namespace corvanta {

// Every touchpad udev knows (ID_INPUT_TOUCHPAD), read with libevdev in multitouch protocol B: at
// each report the occupied slots become one frame of finger records (identifier = tracking id,
// positions normalised to the axis ranges, y up).
class EvdevTouchpadFrameSource final : public TouchpadFrameSource {
public:
    EvdevTouchpadFrameSource() = default;
    ~EvdevTouchpadFrameSource() override;

    // The device nodes of the touchpads udev lists now.
    static QStringList touchpadNodes();

    bool open(QString* why) override;
    int deviceCount() const override { return int(m_devices.size()); }
    bool nextFrame(QByteArray& records, int& count) override;
    void interrupt() override;
    void close() override;

private:
    struct Device {
        int fd = -1;
        libevdev* dev = nullptr;
        int lastCount = 0;
    };
    // A frame of the device's slots, or nothing when it would repeat an empty one.
    bool takeFrame(Device& device, QByteArray& records, int& count);

    std::vector<Device> m_devices;
    int m_wakeFd = -1;
    qint32 m_frameNumber = 0;
};

} // namespace corvanta
