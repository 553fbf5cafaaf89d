#include "Platform/LibinputPinchEventSource.h"

#include <QSocketNotifier>

#include <libinput.h>
#include <libudev.h>

#include <fcntl.h>
#include <unistd.h>

namespace corvanta {

namespace {

int openRestricted(const char* path, int flags, void*)
{
    const int fd = ::open(path, flags | O_CLOEXEC);
    return fd < 0 ? -errno : fd;
}

void closeRestricted(int fd, void*)
{
    ::close(fd);
}

const libinput_interface deviceAccess = {openRestricted, closeRestricted};

} // namespace

LibinputPinchEventSource::LibinputPinchEventSource(QObject* parent) : QObject(parent) {}

LibinputPinchEventSource::~LibinputPinchEventSource()
{
    remove();
}

bool LibinputPinchEventSource::install(Handlers handlers)
{
    remove();
    m_udev = udev_new();
    if (!m_udev)
        return false;
    m_context = libinput_udev_create_context(&deviceAccess, nullptr, m_udev);
    if (!m_context || libinput_udev_assign_seat(m_context, "seat0") != 0) {
        remove();
        return false;
    }
    m_handlers = std::move(handlers);
    m_notifier = new QSocketNotifier(libinput_get_fd(m_context), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &LibinputPinchEventSource::readEvents);
    readEvents(); // the devices' added events are already queued
    // A seat whose touchpads could not be opened (no right to read them) still installs; it
    // would never deliver a pinch.
    if (m_gestureDevices == 0) {
        remove();
        return false;
    }
    return true;
}

void LibinputPinchEventSource::remove()
{
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_context)
        libinput_unref(m_context);
    m_context = nullptr;
    if (m_udev)
        udev_unref(m_udev);
    m_udev = nullptr;
    m_handlers = {};
    m_gestureDevices = 0;
}

void LibinputPinchEventSource::readEvents()
{
    if (!m_context || libinput_dispatch(m_context) != 0)
        return;
    while (m_context) {
        libinput_event* event = libinput_get_event(m_context);
        if (!event)
            break;
        const libinput_event_type type = libinput_event_get_type(event);
        if (type == LIBINPUT_EVENT_DEVICE_ADDED || type == LIBINPUT_EVENT_DEVICE_REMOVED) {
            if (libinput_device_has_capability(libinput_event_get_device(event), LIBINPUT_DEVICE_CAP_GESTURE))
                m_gestureDevices += type == LIBINPUT_EVENT_DEVICE_ADDED ? 1 : -1;
        }
        if (type == LIBINPUT_EVENT_GESTURE_PINCH_BEGIN || type == LIBINPUT_EVENT_GESTURE_PINCH_UPDATE ||
            type == LIBINPUT_EVENT_GESTURE_PINCH_END) {
            libinput_event_gesture* gesture = libinput_event_get_gesture_event(event);
            PinchStage stage = PinchStage::update;
            if (type == LIBINPUT_EVENT_GESTURE_PINCH_BEGIN)
                stage = PinchStage::begin;
            else if (type == LIBINPUT_EVENT_GESTURE_PINCH_END)
                stage = libinput_event_gesture_get_cancelled(gesture) ? PinchStage::cancel : PinchStage::end;
            deliverPinchStage(m_handlers, stage, libinput_event_gesture_get_scale(gesture), libinput_event_gesture_get_finger_count(gesture));
        }
        libinput_event_destroy(event);
    }
}

} // namespace corvanta
