#include "Services/PinchAvailability.h"

#include <utility>

namespace corvanta {

namespace {

// What keeps libinput from the touchpad's gestures: for the log, and for the user.
std::pair<QString, QString> touchpadWords(TouchpadAccess access)
{
    switch (access) {
    case TouchpadAccess::unreadable:
        return {QStringLiteral("the touchpad device cannot be read (no permission on /dev/input)"),
                QStringLiteral("且本应用无权读取触控板设备。请把当前用户加入 input 组，重新登录后再试。")};
    case TouchpadAccess::absent:
        return {QStringLiteral("no touchpad was found"), QStringLiteral("且未找到触控板。")};
    case TouchpadAccess::readable:
        break;
    }
    return {QStringLiteral("libinput found no touchpad with gestures"), QStringLiteral("且 libinput 未找到支持手势的触控板。")};
}

} // namespace

QString pinchUnavailableLogReason(TouchpadAccess access)
{
    return QStringLiteral("the X server has no touchpad gesture events (XInput 2.4) and ") + touchpadWords(access).first;
}

QString pinchUnavailableText(TouchpadAccess access)
{
    return QStringLiteral("X 服务器没有触控板手势事件（XInput 2.4），") + touchpadWords(access).second;
}

} // namespace corvanta
