#pragma once

#include "Models/LayoutConfig.h"
#include "Platform/PinchEventSource.h"
#include "Platform/TouchpadFrameSource.h"
#include "Services/PinchGestureDirection.h"
#include "Services/SystemTrackpadPinch.h"
#include "Support/Clock.h"
#include "Support/TimingCurve.h"

#include <functional>
#include <optional>

namespace corvanta {

class MultitouchFingerTracker;

// The four- or five-finger pinch: arms a finger sequence from the desktop's gesture and magnify
// events and the finger tracker's counts, decides which magnify events it takes from the desktop
// (its pass/swallow result), and turns the taken events and the tracker's steps into begin,
// progress and settle reports. Main thread only.
class PinchRecognizer {
public:
    static constexpr double engageThreshold = 0.3;
    static constexpr double fullThreshold = 1.5;
    static constexpr double flickVelocity = 0.9;
    static constexpr double idleTimeout = 0.35;
    static constexpr double flickWindow = 0.2;
    static constexpr double completionProgress = 0.5;
    static constexpr double minimumFlickProgress = 0.05;
    static constexpr double fingerCountWindow = 0.12;
    static constexpr double accessibilityPollInterval = 1.0;
    static constexpr int accessibilityPollLimit = 120;
    static constexpr TimingCurve referencePinchCurve = TimingCurve::easeOut();

    struct Dependencies {
        Scheduler* scheduler = nullptr;
        MultitouchFingerTracker* tracker = nullptr;
        PinchEventSource* events = nullptr;       // optional
        SleepWakeSource* sleepWake = nullptr;     // optional
        SystemTrackpadPinch* systemPinch = nullptr; // optional: then the system's pinch counts as off
        // Read when the desktop's pinch events cannot be had, to say why; unset: readable.
        std::function<TouchpadAccess()> touchpadAccess;
        std::function<bool()> isTilehallVisible;
    };

    explicit PinchRecognizer(Dependencies dependencies);
    ~PinchRecognizer();
    PinchRecognizer(const PinchRecognizer&) = delete;
    PinchRecognizer& operator=(const PinchRecognizer&) = delete;

    std::function<void(PinchGestureDirection)> onPinchBegin;
    std::function<void(double)> onPinchProgress;
    std::function<void(bool)> onPinchSettle;

    // --- set-up and tear-down --------------------------------------------------------------------
    void setupPinchGesture(TrackpadGesture mode, bool claimExclusive);
    void stopPinchGesture();
    void cancelInteractivePinch();
    // Installs the desktop's pinch events (the X server's gestures, else libinput's); false, with
    // the reason logged, when neither can be had.
    bool installPinchEventTap();
    void installSleepWakeObservers();
    // Tries the pinch events again each second for two minutes (a right to read the touchpad
    // granted, a touchpad plugged in).
    void startAccessibilityPolling();
    int minimumFingers() const { return m_mode == TrackpadGesture::fiveFinger ? 5 : 4; }

    // --- the desktop's events --------------------------------------------------------------------
    TapDecision handleMagnifyEvent(const MagnifyEvent& event);
    void handleGestureEvent(const GestureTouchesEvent& event);

    // --- the tracker's notices -------------------------------------------------------------------
    void handleProgressStep(double step);
    void finishPinchSequenceFromMT();
    void handleSwipeMotionDetected();
    void handlePinchMotionConfirmed();

    // --- the gesture engine ----------------------------------------------------------------------
    void handleCGPinchEvent(double magnification, qint64 auxiliary, unsigned phase);
    void applyCGMagnification(double value);
    void settlePinchGesture(const QString& reason);
    void resetPinchTracking();

    // --- state, for the shell's log and for tests ------------------------------------------------
    TrackpadGesture mode() const { return m_mode; }
    bool isArmed() const { return m_fingersArmed; }
    bool isGestureActive() const { return m_gestureActive; }
    bool isEngaged() const { return m_engaged; }
    bool isSwipeLockedOut() const { return m_swipeLockout; }
    bool isPinchConfirmed() const { return m_mtPinchConfirmed; }
    bool isTapInstalled() const;
    bool isPollingAccessibility() const { return m_axPoll.isActive(); }
    // Why no pinch can be recognised, while the pinch is on and its events cannot be had.
    std::optional<TouchpadAccess> unavailable() const { return m_unavailable; }
    std::optional<PinchGestureDirection> direction() const { return m_direction; }

private:
    void arm();
    void reopenTrackerGate();
    void closeTrackerGate();
    bool tryInstallPinchEvents();
    void removePinchEventTap();
    void removeSleepWakeObservers();
    void updatePinchEngagement();
    void schedulePinchIdleSettle();
    bool isSystemPinchOn() const;
    double uptime() const { return m_deps.scheduler->now(); }

    Dependencies m_deps;
    TrackpadGesture m_mode = TrackpadGesture::fourFinger;
    bool m_sleepWakeInstalled = false;
    ScheduledTask m_axPoll;
    int m_axPollTicks = 0;
    std::optional<TouchpadAccess> m_unavailable;

    // Finger sequence.
    bool m_fingersArmed = false;
    bool m_sequenceStartLogged = false;
    bool m_magnifyObserved = false;
    bool m_sequenceFinished = false;
    bool m_swipeLockout = false;
    bool m_mtPinchConfirmed = false;

    // Gesture.
    bool m_gestureActive = false;
    bool m_engaged = false;
    std::optional<PinchGestureDirection> m_direction;
    double m_cumulative = 0;
    double m_velocity = 0;
    double m_lastStepUptime = 0;
    ScheduledTask m_settleTimer;
    bool m_cgUsable = false;
    bool m_cgDirectionRejected = false;
    double m_cgSignedProgress = 0;
    double m_cgVisualProgress = 0;
    double m_cgStartUptime = 0;
    std::optional<unsigned> m_cgLastPhase;
    int m_cgEventCount = 0;
    double m_maxAbsMag = 0;
};

} // namespace corvanta
