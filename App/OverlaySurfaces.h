#pragma once

#include "Platform/DisplayScreen.h"
#include "Support/TimingCurve.h"

#include <QString>

#include <optional>

namespace corvanta {

// What the presenter does to the overlay window, the menu-bar strip above it, the real menu bar
// and the application object. The program drives the real windows; tests record the calls.
class OverlaySurfaces {
public:
    virtual ~OverlaySurfaces() = default;

    virtual bool hasWindow() const = 0;
    // Lays the window over `screen` (grown by its margin) with an immediate redraw.
    virtual void fitWindowToScreen(const DisplayScreen& screen) = 0;
    // Replaces the strip over the menu bar for `screen`.
    virtual void rebuildCover(const DisplayScreen& screen) = 0;

    virtual bool isApplicationActive() const = 0;
    virtual void activateApplication() = 0;
    virtual void hideMenuBar() = 0;
    virtual void restoreMenuBar() = 0;

    // The overlay's content at opacity 0, so nothing flashes when it is ordered in.
    virtual void resetWindowToHidden() = 0;
    // A continuing show snaps the strip visible; a fresh one readies it at its opening scale.
    virtual void prepareCover(bool continuing) = 0;
    // Both windows in front; the overlay takes the keyboard.
    virtual void orderFront() = 0;
    virtual void layoutContent() = 0;
    virtual void displayWindow() = 0;
    virtual void displayCover() = 0;

    virtual void animateShow(double duration, bool continuing) = 0;
    // The fade starts at `startOpacity` when given, else at what the overlay presents now.
    virtual void animateHide(double duration, std::optional<double> startOpacity) = 0;

    virtual void startFrameMeter(const QString& label, double duration, const TimingCurve& timing) = 0;
    virtual void stopFrameMeterAfter(double delay) = 0;

    // Both windows out, at full opacity for their next show.
    virtual void orderOut() = 0;
    virtual bool isWindowVisible() const = 0;
    virtual bool isCoverVisible() const = 0;
};

// The blurred backdrop of the overlay's screen, as the presenter needs it.
class OverlayBackdrop {
public:
    virtual ~OverlayBackdrop() = default;
    virtual void setScreen(const DisplayScreen& screen) = 0;
    virtual void refresh(double strength) = 0;
    // Never lowers the hold.
    virtual void raiseCaptureHold(double until) = 0;
    // Turns the run loop until a backdrop exists or `timeout` passes; whether one exists.
    virtual bool waitForFirstFrame(double timeout) = 0;
    virtual bool hasImage() const = 0;
};

} // namespace corvanta
