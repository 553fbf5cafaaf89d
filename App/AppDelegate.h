#pragma once

#include "App/ColdStartFinish.h"
#include "App/LaunchSource.h"
#include "Models/LayoutConfig.h"
#include "Support/Clock.h"

#include <QList>
#include <QObject>

#include <functional>
#include <memory>

namespace corvanta {

class AppScanner;
class CaretBlinkTimeout;
class MessageBus;
class SuccessorHandOver;
class WarmUp;
class HiddenPrerender;
class ApplicationRescan;
class InteractionManager;
class LayoutManager;
class MenuBarCoverHost;
class OverlayPresenter;
class PinchTransition;
class PinchWindowSurfaces;
class OverlayWindowSurfaces;
class ShellNotifications;
class ShortcutManager;
class StoreBackdrop;
class TargetScreens;
class TilehallContentView;
class TilehallWindow;
class DockWindowSource;
class DockHost;
class DeleteRequestFlow;
class MenuBarCoverWindow;
class SettingsWindowHost;
class TilehallInteractionView;

// The shell's single owner object: the layout store, the trigger service, the scanner, the input
// engine, the overlay window with its presenter, and the process's start-up, heartbeat and
// termination. Main thread only.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    static constexpr double heartbeatInterval = 2.0;
    static constexpr const char* didAskFourFingerPinchTakeoverKey = ColdStartFinish::didAskFourFingerPinchTakeoverKey;

    // Facts about how the process was started; the program reads them from the system.
    struct LaunchFacts {
        std::function<bool()> wasLaunchedAtLogin;
        std::function<bool()> launchedShortlyAfterBoot;
        std::function<bool()> loginItemEnabled;
        // Other running processes of the program in this user session (their ids).
        std::function<QList<qint64>()> otherInstances;
        // Those of the same user in its other sessions (another runtime folder or display).
        std::function<QList<qint64>()> instancesElsewhere;
        // The bus between the program's processes (the program's own when unset).
        MessageBus* bus = nullptr;
        static LaunchFacts system();
    };

    explicit AppDelegate(QObject* parent = nullptr);
    AppDelegate(LaunchFacts facts, QObject* parent = nullptr);
    ~AppDelegate() override;

    // "QUORLA_SUCCESSION" is exactly "1"; read once.
    static bool isSuccessor();

    // Runs once the event loop has started.
    void applicationDidFinishLaunching();
    // The one termination path (Control-Q, the termination signals, the end of the event loop);
    // runs once.
    void applicationWillTerminate();
    // The program was started again while it runs: show or hide like a click on a Dock icon.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    void applicationDidBecomeActive();
    void applicationDidResignActive();

    void rescanApps(bool report);
    // The gate to the Accessibility guide before a show: true when the guide took the show over.
    bool presentAccessibilityGuideIfNeeded(bool showTilehallWhenGranted);
    // The settings window: a sheet over the grid while it is shown, a floating window otherwise.
    void openSettings();
    void closeSettingsSheet();
    SettingsWindowHost& settingsHost() { return *m_settingsHost; }

    OverlayPresenter& presenter() { return *m_presenter; }
    PinchTransition& pinchTransition() { return *m_pinchTransition; }
    LayoutManager& layoutManager() { return m_layoutManager; }
    InteractionManager& interactionManager() { return *m_interactionManager; }
    TilehallWindow* tilehallWindow() const { return m_tilehallWindow.get(); }
    TilehallContentView* rootView() const { return m_rootView; }
    TilehallInteractionView* interactionView() const { return m_interactionView.get(); }
    DockHost* dockHost() const { return m_dockHost.get(); }
    LaunchMode launchMode() const { return m_launchMode; }
    // Whether this process has taken the layout over (it passed the single-instance rule). Only an
    // owner writes the layout at termination: a copy that quits at start has only read it.
    bool ownsLayout() const { return m_ownsLayout; }
    SuccessorHandOver& successorHandOver() { return *m_handOver; }
    ColdStartFinish& coldStartFinish() { return *m_coldStart; }

private:
    void setupTilehall();
    void setupShortcuts();
    void followEngine();
    void setPinchSettings(bool enabled, TrackpadGesture gesture);
    void buildStartupPieces();
    void syncLaunchAtLoginConfig();
    void startHeartbeat();
    void heartbeatTick();
    void screenParametersChanged();
    // Binds a new menu-bar strip's view to the settings, the backdrop and the presentation.
    void configureCover(MenuBarCoverWindow& cover);
    void buildRootView();
    // The alert of a start whose show request reached none of the running copies.
    void explainUnreachableInstance(const QList<qint64>& pids);
    void setupInteractionView();
    // Draws the hidden overlay and strip off screen, so the next show finds their caches warm.
    void prerenderHiddenWindows();
    // Something the overlay shows changed; drawn off screen soon if the overlay is hidden.
    void hiddenContentChanged();

    LaunchFacts m_facts;
    MessageBus* m_bus;
    Scheduler& m_scheduler;
    LayoutManager& m_layoutManager;
    ShortcutManager& m_shortcutManager;
    std::shared_ptr<AppScanner> m_scanner;
    std::unique_ptr<InteractionManager> m_interactionManager;
    std::unique_ptr<DockWindowSource> m_dockWindows;
    std::unique_ptr<TargetScreens> m_targetScreens;
    std::unique_ptr<MenuBarCoverHost> m_coverHost;
    std::unique_ptr<OverlayWindowSurfaces> m_surfaces;
    std::unique_ptr<StoreBackdrop> m_backdrop;
    std::unique_ptr<OverlayPresenter> m_presenter;
    std::unique_ptr<PinchWindowSurfaces> m_pinchSurfaces;
    std::unique_ptr<PinchTransition> m_pinchTransition;
    std::unique_ptr<ApplicationRescan> m_rescan;
    std::unique_ptr<ShellNotifications> m_notifications;
    std::unique_ptr<TilehallWindow> m_tilehallWindow;
    std::unique_ptr<DeleteRequestFlow> m_deleteFlow;
    std::unique_ptr<SuccessorHandOver> m_handOver;
    std::unique_ptr<WarmUp> m_warmUp;
    std::unique_ptr<HiddenPrerender> m_hiddenPrerender;
    std::unique_ptr<ColdStartFinish> m_coldStart;
    std::unique_ptr<SettingsWindowHost> m_settingsHost;
    TilehallContentView* m_rootView = nullptr; // owned by the window's scene
    std::unique_ptr<DockHost> m_dockHost;
    std::unique_ptr<TilehallInteractionView> m_interactionView;

    LaunchMode m_launchMode = LaunchMode::cold;
    bool m_didFinishLaunching = false;
    bool m_ownsLayout = false;
    bool m_terminated = false;
    bool m_isScrollProbing = false;
    ScheduledTask m_heartbeat;
    std::unique_ptr<CaretBlinkTimeout> m_caretBlink;
};

} // namespace corvanta
