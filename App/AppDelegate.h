#pragma once

#include "App/LaunchSource.h"
#include "Support/Clock.h"

#include <QObject>

#include <functional>
#include <memory>

namespace corvanta {

class AppScanner;
class ApplicationRescan;
class InteractionManager;
class LayoutManager;
class MenuBarCoverHost;
class OverlayPresenter;
class OverlayWindowSurfaces;
class ShellNotifications;
class ShortcutManager;
class StoreBackdrop;
class TargetScreens;
class TilehallContentView;
class TilehallWindow;
class DockWindowSource;
class DeleteRequestFlow;
class MenuBarCoverWindow;

// The shell's single owner object: the layout store, the trigger service, the scanner, the input
// engine, the overlay window with its presenter, and the process's start-up, heartbeat and
// termination. Main thread only.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    static constexpr double heartbeatInterval = 2.0;
    static constexpr char didAskFourFingerPinchTakeoverKey[] = "com.corvanta.didAskFourFingerPinchTakeover";

    // Facts about how the process was started; the program reads them from the system.
    struct LaunchFacts {
        std::function<bool()> wasLaunchedAtLogin;
        std::function<bool()> launchedShortlyAfterBoot;
        std::function<bool()> loginItemEnabled;
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

    OverlayPresenter& presenter() { return *m_presenter; }
    LayoutManager& layoutManager() { return m_layoutManager; }
    InteractionManager& interactionManager() { return *m_interactionManager; }
    TilehallWindow* tilehallWindow() const { return m_tilehallWindow.get(); }
    TilehallContentView* rootView() const { return m_rootView; }
    LaunchMode launchMode() const { return m_launchMode; }
    // Whether this process has taken the layout over (it passed the single-instance rule). Only an
    // owner writes the layout at termination: a copy that quits at start has only read it.
    bool ownsLayout() const { return m_ownsLayout; }

private:
    void setupTilehall();
    void setupShortcuts();
    void followEngine();
    void warmUpInBackground(bool extendedPrewarm);
    void syncLaunchAtLoginConfig();
    void startHeartbeat();
    void heartbeatTick();
    void screenParametersChanged();
    // Binds a new menu-bar strip's view to the settings, the backdrop and the presentation.
    void configureCover(MenuBarCoverWindow& cover);
    void buildRootView();

    LaunchFacts m_facts;
    Scheduler& m_scheduler;
    LayoutManager& m_layoutManager;
    ShortcutManager& m_shortcutManager;
    std::unique_ptr<AppScanner> m_scanner;
    std::unique_ptr<InteractionManager> m_interactionManager;
    std::unique_ptr<DockWindowSource> m_dockWindows;
    std::unique_ptr<TargetScreens> m_targetScreens;
    std::unique_ptr<MenuBarCoverHost> m_coverHost;
    std::unique_ptr<OverlayWindowSurfaces> m_surfaces;
    std::unique_ptr<StoreBackdrop> m_backdrop;
    std::unique_ptr<OverlayPresenter> m_presenter;
    std::unique_ptr<ApplicationRescan> m_rescan;
    std::unique_ptr<ShellNotifications> m_notifications;
    std::unique_ptr<TilehallWindow> m_tilehallWindow;
    std::unique_ptr<DeleteRequestFlow> m_deleteFlow;
    TilehallContentView* m_rootView = nullptr; // owned by the window's scene

    LaunchMode m_launchMode = LaunchMode::cold;
    bool m_didFinishLaunching = false;
    bool m_ownsLayout = false;
    bool m_terminated = false;
    bool m_isScrollProbing = false;
    ScheduledTask m_heartbeat;
};

} // namespace corvanta
