#pragma once

#include "Support/Clock.h"
#include "Views/FloatingPanel.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class QPushButton;

namespace corvanta {

class NotificationCenter;
class WindowStack;

// The guide's content: why the pinch needs Accessibility, the three steps, and three buttons.
class AccessibilityGuideView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 460;
    static constexpr int height = 300;

    AccessibilityGuideView(std::function<void()> onOpenSettings, std::function<void()> onLater, std::function<void()> onSkipPinchAndShow,
                           QWidget* parent = nullptr);

    QPushButton* laterButton() const { return m_later; }
    QPushButton* skipButton() const { return m_skip; }
    QPushButton* openSettingsButton() const { return m_openSettings; }

private:
    QPushButton* m_later = nullptr;
    QPushButton* m_skip = nullptr;
    QPushButton* m_openSettings = nullptr;
};

// Shown when a pinch mode is chosen but the process may not yet watch the trackpad: asks the
// desktop for the permission, polls it, and tells the shell the answer by notification or by
// callbacks. Main thread only.
class AccessibilityGuideWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr double pollInterval = 0.6;

    struct Dependencies {
        Scheduler* scheduler = nullptr;
        WindowStack* stack = nullptr;
        NotificationCenter* center = nullptr;
        std::function<bool()> isTrusted;
        // Asks the desktop to prompt for the permission (nothing where it has no prompt).
        std::function<void()> requestTrust;
        // Opens the desktop's Accessibility settings; false when it has none.
        std::function<bool()> openAccessibilitySettings;
    };

    explicit AccessibilityGuideWindowController(Dependencies dependencies, QObject* parent = nullptr);
    ~AccessibilityGuideWindowController() override;
    static AccessibilityGuideWindowController& shared();

    // Shows the guide, or finishes at once when already trusted. A request to show the grid once
    // granted is never lowered here; an unset callback keeps the stored one.
    void present(bool showTilehallWhenGranted, std::function<void()> onGranted = {}, std::function<void()> onDismiss = {});
    // Hides the guide; a user's dismissal also drops the request to show the grid and calls onDismiss.
    void dismiss(bool userInitiated);

    bool isVisible() const;
    bool showTilehallWhenGranted() const { return m_showTilehallWhenGranted; }
    AccessibilityGuideView* view() const { return m_view; }
    FloatingPanel* panel() const { return m_panel; }

private:
    void finishGranted();
    void skipPinchAndShow();
    void openAccessibilitySettings();
    void stopPolling() { m_pollTimer.cancel(); }
    void orderOut();
    bool isTrusted() const { return m_deps.isTrusted && m_deps.isTrusted(); }

    Dependencies m_deps;
    QPointer<FloatingPanel> m_panel;
    AccessibilityGuideView* m_view = nullptr;
    ScheduledTask m_pollTimer;
    bool m_showTilehallWhenGranted = false;
    std::function<void()> m_onGranted;
    std::function<void()> m_onDismiss;
};

} // namespace corvanta
