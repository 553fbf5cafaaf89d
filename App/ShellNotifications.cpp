#include "App/ShellNotifications.h"

#include "App/OverlayPresenter.h"
#include "Platform/MessageBus.h"
#include "Platform/RunningInstances.h"
#include "Support/LogFormat.h"
#include "Support/Logger.h"
#include "Support/NotificationCenter.h"

#include <QPointer>

namespace corvanta {

namespace {

// A user-info flag counts only when it really is a Boolean.
bool booleanFlag(const QVariantMap& userInfo, const QString& key)
{
    const QVariant value = userInfo.value(key);
    return value.typeId() == QMetaType::Bool && value.toBool();
}

} // namespace

ShellNotifications::ShellNotifications(NotificationCenter& center, OverlayPresenter& presenter, PinchHooks pinch, MessageBus* bus,
                                       QObject* parent)
    : QObject(parent), m_center(center), m_presenter(presenter), m_pinch(std::move(pinch)), m_bus(bus)
{
}

void ShellNotifications::subscribeOverlayRequests()
{
    QPointer<OverlayPresenter> presenter(&m_presenter);
    m_center.addObserver(Notifications::tilehallShouldClose, this, [presenter](const QVariantMap& userInfo) {
        if (!presenter)
            return;
        const bool launchedApp = booleanFlag(userInfo, QStringLiteral("launchedApp"));
        CLOG_INFO(QStringLiteral("AppDelegate received .tilehallShouldClose (launchedApp=%1)")
                      .arg(logBool(launchedApp)));
        if (launchedApp)
            presenter->setSuppressForegroundYield(true);
        presenter->hideTilehall();
    });
    m_center.addObserver(Notifications::tilehallShouldToggle, this, [presenter](const QVariantMap&) {
        if (!presenter)
            return;
        CLOG_INFO(QStringLiteral("AppDelegate received .tilehallShouldToggle"));
        presenter->toggleTilehall();
    });
    const auto show = [presenter](const QVariantMap& userInfo) {
        if (!presenter)
            return;
        // A copy started on another display shares this runtime folder; the grid cannot appear there.
        const QVariant display = userInfo.value(QStringLiteral("display"));
        if (display.typeId() == QMetaType::QString
            && RunningInstances::displayWithoutScreen(display.toString())
                != RunningInstances::displayWithoutScreen(RunningInstances::Session::current().display)) {
            CLOG_INFO(QStringLiteral("收到其它显示上的新实例请求 — 忽略"));
            return;
        }
        CLOG_INFO(QStringLiteral("收到新实例请求：显示瓦厅"));
        presenter->showTilehall();
    };
    if (m_bus)
        m_bus->addObserver(Notifications::tilehallShouldShow, this, show);
    else
        m_center.addObserver(Notifications::tilehallShouldShow, this, show);
}

void ShellNotifications::subscribeAccessibilityAnswers()
{
    QPointer<OverlayPresenter> presenter(&m_presenter);
    m_center.addObserver(Notifications::accessibilityPermissionGranted, this, [this, presenter](const QVariantMap& userInfo) {
        if (!presenter)
            return;
        if (m_pinch.isTrusted && m_pinch.isTrusted()) {
            if (m_pinch.installPinchEventTap)
                m_pinch.installPinchEventTap();
        } else {
            CLOG_INFO(QStringLiteral("Pinch gesture needs Accessibility permission — defer to guide window"));
            if (m_pinch.startAccessibilityPolling)
                m_pinch.startAccessibilityPolling();
        }
        if (booleanFlag(userInfo, QStringLiteral("showTilehall")))
            presenter->showTilehall();
    });
    m_center.addObserver(Notifications::accessibilitySkipPinchAndShow, this, [this, presenter](const QVariantMap&) {
        if (!presenter)
            return;
        if (m_pinch.switchPinchOff)
            m_pinch.switchPinchOff();
        presenter->showTilehall();
    });
}

} // namespace corvanta
