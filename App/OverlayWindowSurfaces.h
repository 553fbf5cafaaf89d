#pragma once

#include "App/OverlaySurfaces.h"

namespace corvanta {

class LayerTransition;
class MenuBarCoverHost;
class SLSMenuBar;
class TilehallWindow;
class TransitionFPSMeter;
class WallpaperStore;

// The presenter's surfaces in the program: the overlay window, the strip host, the layer
// transition, the menu-bar suppression and the frame-rate meter.
class OverlayWindowSurfaces final : public OverlaySurfaces {
public:
    OverlayWindowSurfaces(MenuBarCoverHost& cover, LayerTransition& transition, SLSMenuBar& menuBar, TransitionFPSMeter& meter);

    // The overlay window exists from the shell's set-up on; until then there is nothing to show.
    void setWindow(TilehallWindow* window) { m_window = window; }
    bool hasWindow() const override { return m_window != nullptr; }
    void fitWindowToScreen(const DisplayScreen& screen) override;
    void rebuildCover(const DisplayScreen& screen) override;
    bool isApplicationActive() const override;
    void activateApplication() override;
    void hideMenuBar() override;
    void restoreMenuBar() override;
    void resetWindowToHidden() override;
    void prepareCover(bool continuing) override;
    void orderFront() override;
    void layoutContent() override;
    void displayWindow() override;
    void displayCover() override;
    void animateShow(double duration, bool continuing) override;
    void animateHide(double duration, std::optional<double> startOpacity) override;
    void startFrameMeter(const QString& label, double duration, const TimingCurve& timing) override;
    void stopFrameMeterAfter(double delay) override;
    void orderOut() override;
    bool isWindowVisible() const override;
    bool isCoverVisible() const override;

private:
    // Without a compositor the windows paint a still of the desktop under themselves; it is taken
    // just before they are ordered in, while nothing of ours covers the desktop.
    void captureDesktopIfNeeded();

    TilehallWindow* m_window = nullptr;
    MenuBarCoverHost& m_cover;
    LayerTransition& m_transition;
    SLSMenuBar& m_menuBar;
    TransitionFPSMeter& m_meter;
};

// The wallpaper store as the presenter's backdrop.
class StoreBackdrop final : public OverlayBackdrop {
public:
    explicit StoreBackdrop(WallpaperStore& store) : m_store(store) {}
    void setScreen(const DisplayScreen& screen) override;
    void refresh(double strength) override;
    void raiseCaptureHold(double until) override;
    bool waitForFirstFrame(double timeout) override;
    bool hasImage() const override;

private:
    WallpaperStore& m_store;
};

} // namespace corvanta
