#pragma once

#include "App/OverlaySurfaces.h"
#include "Models/LayoutConfig.h"
#include "Support/Clock.h"
#include "Support/RunLoopWait.h"

#include <QObject>

#include <functional>
#include <optional>
#include <vector>

namespace corvanta {

class InteractionManager;
class ShortcutManager;

// Puts the overlay on screen and takes it away: the order of the steps of every regular show and
// hide, their durations, the generation counter that makes a stale hide completion harmless, and
// the guards of the delayed steps. Main thread only.
class OverlayPresenter : public QObject {
    Q_OBJECT
public:
    static constexpr double rapidGraceWindow = 0.1;
    static constexpr double rapidDuration = 0.1;
    static constexpr double launchingHideDuration = 0.25;
    static constexpr double gateTimeout = 0.1;
    static constexpr double heavyRefreshDelay = 0.25;
    static constexpr double heavyRefreshReuse = 2.0;
    static constexpr double pinchHandoffLifetime = 0.3;
    static constexpr double meterTail = 0.12;
    static constexpr double verifyDelay = 0.6;
    static constexpr double verifyAgainDelay = 0.5;
    static constexpr double desktopKickDelay = 0.3;

    struct IconGate {
        std::function<bool()> isPrewarmFinished;
        std::function<int()> missCount;
        std::function<void()> resetMissCount;
    };

    // The steps of neighbouring pieces the presenter calls; an unset one is skipped.
    struct Hooks {
        std::function<bool()> isExiting;                          // the succession gate
        std::function<void()> cancelPendingSuccession;
        std::function<void()> handOverToSuccessorAndExit;
        std::function<bool()> presentAccessibilityGuideIfNeeded; // true: the guide took the show
        std::function<void()> closeSettingsSheet;
        std::function<void()> cancelPinchForRegularTransition;
    };

    struct Dependencies {
        Scheduler* scheduler = nullptr;
        RunLoopWait::Slice runLoopSlice = &RunLoopWait::runEventLoop;
        ShortcutManager* shortcuts = nullptr;
        InteractionManager* engine = nullptr;
        OverlaySurfaces* surfaces = nullptr;
        OverlayBackdrop* backdrop = nullptr;
        IconGate icons;
        std::function<LayoutConfig()> config;
        std::function<DisplayScreen()> targetScreen;
        std::function<std::optional<DisplayScreen>()> dockScreenForReopen;
        // The regular transition's length (0.25 s unless slowed down).
        std::function<double()> baseDuration;
        std::function<bool()> didFinishAppScan;
        std::function<void()> rescanApps; // without a report
        Hooks hooks;
    };

    explicit OverlayPresenter(Dependencies dependencies, QObject* parent = nullptr);
    ~OverlayPresenter() override;

    void toggleTilehall();
    // Nothing: the target screen by the settings.
    void showTilehall(const std::optional<DisplayScreen>& screen = std::nullopt);
    void hideTilehall();
    // The program's icon was activated again while it runs; always answers true.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    void orderOverlayOut();

    // The duration of the next transition by the rapid-repeat rule; a hide while an application is
    // being launched takes the fixed launch duration and leaves the rule's clock alone.
    double nextTransitionDuration(bool forHide);

    // --- state shared with the rest of the shell ----------------------------------------------
    bool isTilehallVisible() const;
    bool overlayOnScreen() const { return m_overlayOnScreen; }
    // A finger-driven transition orders the windows in and out itself.
    void setOverlayOnScreen(bool value) { m_overlayOnScreen = value; }
    void cancelPendingSuccession() const { call(m_deps.hooks.cancelPendingSuccession); }
    int overlayGeneration() const { return m_overlayGeneration; }
    // A finger-driven opening or closing began: later steps of earlier transitions go stale.
    void advanceGeneration() { ++m_overlayGeneration; }
    const std::optional<DisplayScreen>& tilehallScreen() const { return m_tilehallScreen; }
    void setTilehallScreen(const DisplayScreen& screen) { m_tilehallScreen = screen; }
    double lastTransitionEndAt() const { return m_lastTransitionEndAt; }
    bool suppressForegroundYield() const { return m_suppressForegroundYield; }
    void setSuppressForegroundYield(bool value) { m_suppressForegroundYield = value; }
    bool hasCompletedSyncPresentation() const { return m_hasCompletedSyncPresentation; }
    void setHasCompletedSyncPresentation(bool value) { m_hasCompletedSyncPresentation = value; }
    void noteHeavyRefresh(double at, const DisplayScreen& screen);
    double lastHeavyRefreshAt() const { return m_lastHeavyRefreshAt; }
    // The last opacity a finger-driven transition applied, and when.
    void setPinchHandoff(float progress, double at) { m_pinchHandoff = PinchHandoff{progress, at}; }
    bool hasPinchHandoff() const { return m_pinchHandoff.has_value(); }
    void clearPinchHandoff() { m_pinchHandoff.reset(); }
    bool isQuitting() const { return m_isQuitting; }
    // The succession gate: a hand-over to a successor has been committed.
    bool isExiting() const { return m_deps.hooks.isExiting && m_deps.hooks.isExiting(); }
    void setQuitting() { m_isQuitting = true; }
    bool isColdStartSplashActive() const { return m_isColdStartSplashActive; }
    void setColdStartSplashActive(bool value) { m_isColdStartSplashActive = value; }
    // Whether a show is between its start and its commit (its gates turn the run loop).
    bool isShowInProgress() const { return m_showInProgress; }

private:
    struct PinchHandoff {
        float progress;
        double at;
    };
    enum class Request { toggle, show, hide };

    double now() const { return m_deps.scheduler->now(); }
    LayoutConfig config() const;
    void setVisible(bool visible);
    // While a show spins its gates, requests wait until it has committed.
    bool deferWhileShowing(Request request, const std::optional<DisplayScreen>& screen = std::nullopt);
    void runDeferred();
    void moveTilehallWindow(const DisplayScreen& screen);
    void runShow(const std::optional<DisplayScreen>& requested);
    void scheduleHeavyRefresh(const DisplayScreen& screen, double delay);
    void completeHide(int generation, double t0);
    void yieldForegroundAfterHide();
    void verifyWindowRemoved(int generation);
    void kickDesktopWallpaper();
    void call(const std::function<void()>& hook) const
    {
        if (hook)
            hook();
    }

    Dependencies m_deps;
    RunLoopWait m_wait;

    int m_overlayGeneration = 0;
    std::optional<DisplayScreen> m_tilehallScreen;
    bool m_suppressForegroundYield = false;
    // No transition yet: however soon after start the first one comes, it is not a rapid repeat.
    double m_lastTransitionEndAt = -1e9;
    bool m_overlayOnScreen = false;
    double m_lastHeavyRefreshAt = 0;
    std::optional<DisplayScreen> m_lastHeavyRefreshScreen;
    bool m_hasCompletedSyncPresentation = false;
    std::optional<PinchHandoff> m_pinchHandoff;
    bool m_isQuitting = false;
    bool m_isColdStartSplashActive = false;

    bool m_showInProgress = false;
    std::vector<std::pair<Request, std::optional<DisplayScreen>>> m_deferred;
};

} // namespace corvanta
