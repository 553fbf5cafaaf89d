#pragma once

#include "Support/InputEvent.h"

#include <functional>
#include <memory>
#include <optional>

class QWindow;

namespace corvanta {

// Keeps an event monitor installed; destroying it removes the monitor.
class EventMonitorHandle {
public:
    virtual ~EventMonitorHandle() = default;
};

// What the interaction engine needs of the windowing system: event monitors, the application's
// modal window and the refresh rate of the screen its settle animation runs on.
class InteractionPlatform {
public:
    // Returns true to swallow the event (scroll events only; mouse events always go on).
    using LocalHandler = std::function<bool(const InputEvent&)>;
    using GlobalHandler = std::function<void(const InputEvent&)>;
    using OverlayProvider = std::function<QWindow*()>;

    virtual ~InteractionPlatform() = default;

    // The platform of the running program (Qt).
    static InteractionPlatform& system();

    // Events of this application, before they are dispatched.
    virtual std::unique_ptr<EventMonitorHandle> addLocalMonitor(OverlayProvider overlay, LocalHandler handler) = 0;
    // Scroll events delivered to other applications. May deliver nothing where the system has no
    // such source.
    virtual std::unique_ptr<EventMonitorHandle> addGlobalScrollMonitor(OverlayProvider overlay, GlobalHandler handler) = 0;

    virtual bool isWindowVisible(const QWindow* window) const = 0;

    // The application-modal window (an alert, a sheet run modally), if one is up.
    virtual bool hasModalWindow() const = 0;
    // Whether that modal window is stacked at or above the overlay window's level.
    virtual bool modalWindowAtOrAboveOverlay(const QWindow* overlay) const = 0;
    // Ends the modal session and closes the modal window.
    virtual void abortModalSessionAndCloseModalWindow() = 0;

    // Refresh rate of the screen under the pointer (or the primary one); none without a screen.
    virtual std::optional<double> displayRefreshRate() const = 0;
};

} // namespace corvanta
