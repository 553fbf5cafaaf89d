// The parts of start-up that decide how this process goes on: the single-instance rule, the
// hand-over to a successor, the warm-up and the cold-start finish.
#include "App/AppDelegate.h"

#include "App/ColdStartFinish.h"
#include "App/HiddenPrerender.h"
#include "App/MenuBarCoverHost.h"
#include "App/OverlayPresenter.h"
#include "App/OverlayWindowSurfaces.h"
#include "App/SuccessorHandOver.h"
#include "App/TargetScreens.h"
#include "App/WarmUp.h"
#include "Platform/AccessibilityTrust.h"
#include "Platform/DesktopSurface.h"
#include "Platform/MessageBus.h"
#include "Platform/SLSMenuBar.h"
#include "Platform/SuccessorProcess.h"
#include "Platform/UserDefaults.h"
#include "Platform/WindowStack.h"
#include "Services/ApplicationRescan.h"
#include "Services/IconCache.h"
#include "Services/LayoutManager.h"
#include "Services/ShortcutManager.h"
#include "Services/WallpaperStore.h"
#include "Support/InteractionManager.h"
#include "Support/Logger.h"
#include "Support/QtScheduler.h"
#include "Support/TerminationRequest.h"
#include "Views/AccessibilityGuideWindow.h"
#include "Views/ColdStartSplashWindow.h"
#include "Views/MenuBarCoverWindow.h"
#include "Views/OffscreenPrerender.h"
#include "Views/PinchTakeoverAlert.h"
#include "Views/TilehallWindow.h"

#include <QPointer>

namespace corvanta {

void AppDelegate::setPinchSettings(bool enabled, TrackpadGesture gesture)
{
    LayoutConfig config = m_layoutManager.config();
    config.pinchGestureEnabled = enabled;
    config.trackpadGesture = gesture;
    m_layoutManager.setConfig(config);
    m_layoutManager.save();
}

bool AppDelegate::presentAccessibilityGuideIfNeeded(bool showTilehallWhenGranted)
{
    // X11 withholds nothing from its clients, so with the desktop's trust the guide never appears.
    static const X11AccessibilityTrust* trust = new X11AccessibilityTrust;
    if (m_layoutManager.config().trackpadGesture == TrackpadGesture::off || trust->isTrusted())
        return false;
    AccessibilityGuideWindowController::shared().present(showTilehallWhenGranted);
    return true;
}

void AppDelegate::prerenderHiddenWindows()
{
    if (m_tilehallWindow)
        prerenderOffscreen(*m_tilehallWindow);
    if (MenuBarCoverWindow* cover = m_coverHost->window())
        prerenderOffscreen(*cover);
}

void AppDelegate::buildStartupPieces()
{
    QPointer<AppDelegate> self(this);

    SuccessorHandOver::Dependencies handOver;
    handOver.scheduler = &m_scheduler;
    handOver.suppressionWasUsed = [] { return SLSMenuBar::shared().isEnabled() && SLSMenuBar::shared().didSuppressOnce(); };
    handOver.isQuitting = [self] { return !self || self->m_presenter->isQuitting(); };
    handOver.isOverlayVisible = [self] {
        return self && (self->m_presenter->overlayOnScreen() || self->m_shortcutManager.isTilehallVisible() ||
                        (self->m_tilehallWindow && self->m_tilehallWindow->isVisible()));
    };
    handOver.triggers = &m_shortcutManager;
    handOver.kickDesktopWallpaper = [self] {
        if (!self)
            return;
        const auto& screen = self->m_presenter->tilehallScreen();
        kickDesktopWallpaper(screen ? screen->frame : self->m_targetScreens->primaryScreen().frame);
    };
    handOver.registerTriggersAgain = [self] {
        if (self)
            self->setupShortcuts();
    };
    handOver.saveState = [self] {
        if (self)
            self->m_layoutManager.performSave();
    };
    handOver.flushLog = [] { Logger::shared().flush(); };
    handOver.startSuccessor = [] {
        const SuccessorProcess::Started started = SuccessorProcess::startSelf();
        return SuccessorHandOver::Started{started.pid, started.error};
    };
    handOver.exitProcess = [self] {
        if (self)
            self->m_bus->close();
        SuccessorProcess::exitImmediately(0);
    };
    m_handOver = std::make_unique<SuccessorHandOver>(std::move(handOver), this);

    WarmUp::Dependencies warm;
    warm.clock = &m_scheduler.clock();
    warm.config = [self] { return self ? self->m_layoutManager.config() : LayoutConfig{}; };
    warm.screen = [self] {
        if (!self)
            return DisplayScreen{};
        const auto& screen = self->m_presenter->tilehallScreen();
        return screen ? *screen : self->m_targetScreens->primaryScreen();
    };
    warm.backdrop = m_backdrop.get();
    warm.startScan = [self] {
        if (self)
            self->rescanApps(false);
    };
    warm.isScanning = [self] { return self && self->m_rescan->isScanning(); };
    warm.iconsPrewarmed = [] { return IconCache::shared().isPrewarmFinished(); };
    warm.prepareAllPages = [self] {
        if (self)
            self->m_interactionManager->setPrepareAllPagesRequested(true);
    };
    warm.layoutWindows = [self] {
        if (self)
            self->m_surfaces->layoutContent();
    };
    warm.drawWindows = [self] {
        if (!self)
            return;
        self->prerenderHiddenWindows();
        // The first still of the desktop costs several times any later one (its buffers are new
        // to the process); taking one now keeps that off the first show. So does the server's
        // first read of the overlay's window memory, handed to it now with the still as the frame.
        if (DesktopSurface::needsBackdropCapture()) {
            DesktopCapture& still = DesktopCapture::shared();
            still.capture();
            if (self->m_tilehallWindow) {
                self->m_tilehallWindow->takeDesktopBackdrop(still);
                self->m_tilehallWindow->presentBackdropWhileHidden();
            }
        }
    };
    warm.noteHeavyRefresh = [self](double at, const DisplayScreen& screen) {
        if (self)
            self->m_presenter->noteHeavyRefresh(at, screen);
    };
    warm.markSyncPresentationDone = [self] {
        if (self)
            self->m_presenter->setHasCompletedSyncPresentation(true);
    };
    m_warmUp = std::make_unique<WarmUp>(std::move(warm));

    HiddenPrerender::Dependencies hidden;
    hidden.scheduler = &m_scheduler;
    hidden.isOnScreen = [self] { return !self || self->m_presenter->overlayOnScreen(); };
    hidden.draw = [self] {
        if (!self || TerminationRequest::isRequested())
            return;
        // Every page is built here, hidden and once the start-up has quietened, rather than just
        // after the first show; far pages make their cells only when a flip brings them near.
        self->m_interactionManager->setPrepareAllPagesRequested(true);
        self->m_surfaces->layoutContent();
        self->prerenderHiddenWindows();
    };
    m_hiddenPrerender = std::make_unique<HiddenPrerender>(std::move(hidden));

    ColdStartFinish::Dependencies cold;
    cold.presentSplash = [](std::function<void()> done) { ColdStartSplashWindowController::shared().present(std::move(done)); };
    cold.dismissSplash = [] { ColdStartSplashWindowController::shared().dismiss(); };
    cold.setSplashActive = [self](bool active) {
        if (self)
            self->m_presenter->setColdStartSplashActive(active);
    };
    cold.defaults = &UserDefaults::standard();
    cold.askPinchTakeover = [] { return askFourFingerPinchTakeover(WindowStack::shared()); };
    cold.isTerminating = [] { return TerminationRequest::isRequested(); };
    cold.enableFourFingerPinch = [self] {
        if (!self)
            return;
        self->setPinchSettings(true, TrackpadGesture::fourFinger);
        self->m_shortcutManager.setupPinchGesture(TrackpadGesture::fourFinger, true);
    };
    cold.disablePinch = [self] {
        if (!self)
            return;
        self->setPinchSettings(false, TrackpadGesture::off);
        self->m_shortcutManager.stopPinchGesture();
    };
    cold.presentAccessibilityGuideIfNeeded = [self] { return self && self->presentAccessibilityGuideIfNeeded(true); };
    cold.showTilehall = [self] {
        if (self)
            self->m_presenter->showTilehall();
    };
    m_coldStart = std::make_unique<ColdStartFinish>(std::move(cold));
}

} // namespace corvanta
