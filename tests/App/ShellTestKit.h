#pragma once

#include "App/OverlayPresenter.h"
#include "Services/ShortcutManager.h"
#include "Support/InteractionTestKit.h"
#include "common/FakeGlobalHotKey.h"
#include "common/LogCapture.h"

#include <QStringList>

namespace corvanta::test {

// Records what the presenter does to the windows; "visible" follows orderFront and orderOut
// unless the test makes a window stick.
class FakeSurfaces final : public OverlaySurfaces {
public:
    bool hasWindow() const override { return window; }
    void fitWindowToScreen(const DisplayScreen& screen) override { calls << "fit:" + screen.name; }
    void rebuildCover(const DisplayScreen& screen) override { calls << "cover:" + screen.name; }
    bool isApplicationActive() const override { return active; }
    void activateApplication() override
    {
        calls << "activate";
        active = true;
    }
    void hideMenuBar() override { calls << "hideMenuBar"; }
    void restoreMenuBar() override { calls << "restoreMenuBar"; }
    void resetWindowToHidden() override { calls << "resetToHidden"; }
    void prepareCover(bool continuing) override { calls << (continuing ? "snapCover" : "prepareCover"); }
    void orderFront() override
    {
        calls << "orderFront";
        windowVisible = coverVisible = true;
    }
    void layoutContent() override { calls << "layout"; }
    void displayWindow() override { calls << "display"; }
    void displayCover() override { calls << "displayCover"; }
    void animateShow(double duration, bool continuing) override
    {
        calls << QStringLiteral("animateShow:%1:%2").arg(duration).arg(continuing);
    }
    void animateHide(double duration, std::optional<double> start) override
    {
        calls << QStringLiteral("animateHide:%1:%2").arg(duration).arg(start ? QString::number(*start) : QStringLiteral("presented"));
    }
    void startFrameMeter(const QString& label, double, const TimingCurve&) override { calls << "meter:" + label; }
    void stopFrameMeterAfter(double) override {}
    void orderOut() override
    {
        calls << "orderOut";
        if (!stuck)
            windowVisible = coverVisible = false;
    }
    bool isWindowVisible() const override { return windowVisible; }
    bool isCoverVisible() const override { return coverVisible; }

    int count(const QString& call) const { return int(calls.count(call)); }

    QStringList calls;
    bool window = true;
    bool active = false;
    bool windowVisible = false;
    bool coverVisible = false;
    bool stuck = false;
};

class FakeBackdrop final : public OverlayBackdrop {
public:
    void setScreen(const DisplayScreen& screen) override { screens << screen.name; }
    void refresh(double strength) override { refreshes.push_back(strength); }
    void raiseCaptureHold(double until) override { hold = std::max(hold, until); }
    bool waitForFirstFrame(double) override { return image; }
    bool hasImage() const override { return image; }

    QStringList screens;
    std::vector<double> refreshes;
    double hold = 0;
    bool image = true;
};

inline DisplayScreen screenNamed(const QString& name, double x = 0)
{
    return DisplayScreen{name, QRectF(x, 0, 1440, 900), QRectF(x, 0, 1440, 875)};
}

// A presenter over fakes, on virtual time. The run loop's slices only advance the clock (and run
// whatever the test hooks in).
struct PresenterRig {
    VirtualScheduler scheduler;
    FakeGlobalHotKey hotKey;
    ShortcutManager shortcuts{hotKey, scheduler};
    FakeInteractionPlatform platform;
    InteractionManager engine{scheduler, platform, PagerVariants{}};
    FakeSurfaces surfaces;
    FakeBackdrop backdrop;
    LayoutConfig config;
    DisplayScreen target = screenNamed(QStringLiteral("A"));
    std::optional<DisplayScreen> dockScreen;
    bool iconsReady = true;
    bool scanFinished = false;
    int rescans = 0;
    int handOvers = 0;
    int sliceCount = 0;
    bool exiting = false;
    std::function<void()> duringSlice;
    std::function<void()> cancelPinch; // the regular transitions' first step
    std::unique_ptr<OverlayPresenter> presenter;

    explicit PresenterRig(double start = 1000.0) : scheduler(start)
    {
        OverlayPresenter::Dependencies d;
        d.scheduler = &scheduler;
        d.runLoopSlice = [this](double seconds) {
            ++sliceCount;
            if (duringSlice)
                duringSlice();
            scheduler.advance(seconds);
        };
        d.shortcuts = &shortcuts;
        d.engine = &engine;
        d.surfaces = &surfaces;
        d.backdrop = &backdrop;
        d.icons.isPrewarmFinished = [this] { return iconsReady; };
        d.icons.missCount = [] { return 0; };
        d.icons.resetMissCount = [] {};
        d.config = [this] { return config; };
        d.targetScreen = [this] { return target; };
        d.dockScreenForReopen = [this] { return dockScreen; };
        d.baseDuration = [] { return 0.25; };
        d.didFinishAppScan = [this] { return scanFinished; };
        d.rescanApps = [this] { ++rescans; };
        d.hooks.isExiting = [this] { return exiting; };
        d.hooks.handOverToSuccessorAndExit = [this] { ++handOvers; };
        d.hooks.cancelPinchForRegularTransition = [this] {
            if (cancelPinch)
                cancelPinch();
        };
        presenter = std::make_unique<OverlayPresenter>(std::move(d));
    }

    OverlayPresenter& p() { return *presenter; }
    bool visible() const { return shortcuts.isTilehallVisible(); }
};

} // namespace corvanta::test
