#pragma once

#include <QObject>

#include <functional>

namespace corvanta {

class MessageBus;
class NotificationCenter;
class OverlayPresenter;

// The shell's observers of the program's notifications: the views' and the window's close request,
// the toggle and show requests, and the two answers of the Accessibility guide.
class ShellNotifications : public QObject {
    Q_OBJECT
public:
    // What the Accessibility answers do besides showing the overlay; an unset one is skipped.
    struct PinchHooks {
        std::function<bool()> isTrusted;
        std::function<void()> installPinchEventTap; // and the sleep and wake observers
        std::function<void()> startAccessibilityPolling;
        std::function<void()> switchPinchOff;      // settings and recogniser
    };

    // `bus`: where other processes of the program ask for the grid (the in-process centre when none).
    ShellNotifications(NotificationCenter& center, OverlayPresenter& presenter, PinchHooks pinch, MessageBus* bus = nullptr,
                       QObject* parent = nullptr);
    // The close, toggle and show observers (start-up subscribes them with the window).
    void subscribeOverlayRequests();
    // The Accessibility guide's two answers (start-up subscribes them last).
    void subscribeAccessibilityAnswers();

private:
    NotificationCenter& m_center;
    OverlayPresenter& m_presenter;
    PinchHooks m_pinch;
    MessageBus* m_bus;
};

} // namespace corvanta
