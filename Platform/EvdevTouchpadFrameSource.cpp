#include "Platform/EvdevTouchpadFrameSource.h"

#include "Platform/TouchpadFrames.h"

#include <libevdev/libevdev.h>
#include <libudev.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace corvanta {

QStringList EvdevTouchpadFrameSource::touchpadNodes()
{
    QStringList nodes;
    udev* context = udev_new();
    if (!context)
        return nodes;
    udev_enumerate* enumerate = udev_enumerate_new(context);
    udev_enumerate_add_match_subsystem(enumerate, "input");
    udev_enumerate_add_match_property(enumerate, "ID_INPUT_TOUCHPAD", "1");
    udev_enumerate_scan_devices(enumerate);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate))
    {
        udev_device* device = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
        if (!device)
            continue;
        const char* node = udev_device_get_devnode(device);
        if (node && QByteArray(node).startsWith("/dev/input/event"))
            nodes << QString::fromLocal8Bit(node);
        udev_device_unref(device);
    }
    udev_enumerate_unref(enumerate);
    udev_unref(context);
    return nodes;
}

EvdevTouchpadFrameSource::~EvdevTouchpadFrameSource()
{
    close();
}

bool EvdevTouchpadFrameSource::open(QString* why)
{
    close();
    const QStringList nodes = touchpadNodes();
    if (nodes.isEmpty()) {
        if (why)
            *why = QStringLiteral("no touchpad");
        return false;
    }
    for (const QString& node : nodes) {
        const int fd = ::open(node.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        libevdev* dev = nullptr;
        if (libevdev_new_from_fd(fd, &dev) < 0) {
            ::close(fd);
            continue;
        }
        // Protocol B: numbered slots with tracking ids.
        if (!libevdev_has_event_code(dev, EV_ABS, ABS_MT_SLOT) || !libevdev_has_event_code(dev, EV_ABS, ABS_MT_TRACKING_ID) ||
            !libevdev_has_event_code(dev, EV_ABS, ABS_MT_POSITION_X) || !libevdev_has_event_code(dev, EV_ABS, ABS_MT_POSITION_Y)) {
            libevdev_free(dev);
            ::close(fd);
            continue;
        }
        m_devices.push_back({fd, dev, 0});
    }
    if (m_devices.empty()) {
        if (why)
            *why = QStringLiteral("touchpad not readable");
        return false;
    }
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return true;
}

void EvdevTouchpadFrameSource::interrupt()
{
    if (m_wakeFd >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    }
}

void EvdevTouchpadFrameSource::close()
{
    for (Device& device : m_devices) {
        libevdev_free(device.dev);
        ::close(device.fd);
    }
    m_devices.clear();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    m_wakeFd = -1;
}

bool EvdevTouchpadFrameSource::takeFrame(Device& device, QByteArray& records, int& count)
{
    const input_absinfo* xInfo = libevdev_get_abs_info(device.dev, ABS_MT_POSITION_X);
    const input_absinfo* yInfo = libevdev_get_abs_info(device.dev, ABS_MT_POSITION_Y);
    const auto normalise = [](int value, const input_absinfo* info) {
        const int span = info ? info->maximum - info->minimum : 0;
        return span > 0 ? float(value - info->minimum) / float(span) : 0.0f;
    };
    std::vector<FingerRecord> fingers;
    const int slots = libevdev_get_num_slots(device.dev);
    const qint32 frame = ++m_frameNumber;
    for (int slot = 0; slot < slots; ++slot) {
        const int id = libevdev_get_slot_value(device.dev, slot, ABS_MT_TRACKING_ID);
        if (id < 0)
            continue;
        FingerRecord r;
        r.frame = frame;
        r.identifier = id;
        r.state = TouchpadFrames::touchingState;
        r.x = normalise(libevdev_get_slot_value(device.dev, slot, ABS_MT_POSITION_X), xInfo);
        r.y = 1.0f - normalise(libevdev_get_slot_value(device.dev, slot, ABS_MT_POSITION_Y), yInfo);
        fingers.push_back(r);
    }
    count = int(fingers.size());
    if (count == 0 && device.lastCount == 0)
        return false;
    device.lastCount = count;
    records = TouchpadFrames::encode(fingers);
    return true;
}

bool EvdevTouchpadFrameSource::nextFrame(QByteArray& records, int& count)
{
    if (m_devices.empty() || m_wakeFd < 0)
        return false;
    std::vector<pollfd> fds;
    fds.push_back({m_wakeFd, POLLIN, 0});
    for (const Device& device : m_devices)
        fds.push_back({device.fd, POLLIN, 0});
    for (;;) {
        // Events already read into libevdev come first.
        for (Device& device : m_devices) {
            input_event event;
            int status = 0;
            while ((status = libevdev_next_event(device.dev, LIBEVDEV_READ_FLAG_NORMAL, &event)) >= 0) {
                if (status == LIBEVDEV_READ_STATUS_SYNC) {
                    while (libevdev_next_event(device.dev, LIBEVDEV_READ_FLAG_SYNC, &event) == LIBEVDEV_READ_STATUS_SYNC) {
                    }
                    continue;
                }
                if (event.type == EV_SYN && event.code == SYN_REPORT && takeFrame(device, records, count))
                    return true;
            }
            if (status != -EAGAIN && status != -EINTR)
                return false; // the device went away
        }
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            return false;
        if (fds[0].revents & POLLIN)
            return false;
    }
}

std::unique_ptr<TouchpadFrameSource> makeSystemTouchpadFrameSource()
{
    return std::make_unique<EvdevTouchpadFrameSource>();
}

TouchpadAccess touchpadAccess()
{
    const QStringList nodes = EvdevTouchpadFrameSource::touchpadNodes();
    for (const QString& node : nodes)
        if (::access(node.toLocal8Bit().constData(), R_OK) == 0)
            return TouchpadAccess::readable;
    return nodes.isEmpty() ? TouchpadAccess::absent : TouchpadAccess::unreadable;
}

} // namespace corvanta
