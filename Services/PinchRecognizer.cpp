#include "Services/PinchRecognizer.h"

#include "Services/MultitouchFingerTracker.h"
#include "Services/PinchAvailability.h"
#include "Support/LogFormat.h"
#include "Support/Logger.h"

#include <QStringList>

#include <algorithm>

namespace corvanta {

PinchRecognizer::PinchRecognizer(Dependencies dependencies) : m_deps(std::move(dependencies)) {}

PinchRecognizer::~PinchRecognizer()
{
    stopPinchGesture();
}

bool PinchRecognizer::isTapInstalled() const
{
    return m_deps.events && m_deps.events->isInstalled();
}

bool PinchRecognizer::isSystemPinchOn() const
{
    return m_deps.systemPinch && m_deps.systemPinch->isSystemPinchEnabled(m_mode);
}

void PinchRecognizer::closeTrackerGate()
{
    m_deps.tracker->setProgressGate(false);
    m_deps.tracker->clearFingerPositions();
}

void PinchRecognizer::reopenTrackerGate()
{
    m_deps.tracker->setProgressGate(true);
}

void PinchRecognizer::arm()
{
    m_sequenceFinished = false;
    m_fingersArmed = true;
    m_mtPinchConfirmed = false;
    reopenTrackerGate();
}

void PinchRecognizer::setupPinchGesture(TrackpadGesture mode, bool claimExclusive)
{
    stopPinchGesture();
    if (mode == TrackpadGesture::off)
        return;
    m_mode = mode;
    if (claimExclusive && m_deps.systemPinch)
        m_deps.systemPinch->applyExclusiveTakeover(mode);

    // The X server's gestures need no right to the devices; only libinput's and the finger
    // tracker's do, so the events are tried whatever the touchpad's access.
    if (installPinchEventTap())
        installSleepWakeObservers();
    else
        startAccessibilityPolling();

    // The tracker delivers on the main thread; a notice that arrives after this recogniser is gone
    // finds the callbacks dropped by stop().
    MultitouchFingerTracker::Callbacks callbacks;
    callbacks.onFrameProgressDelta = [this](double step) { handleProgressStep(step); };
    callbacks.onFrameFingersLifted = [this] { finishPinchSequenceFromMT(); };
    callbacks.onSwipeMotionDetected = [this] { handleSwipeMotionDetected(); };
    callbacks.onPinchMotionConfirmed = [this] { handlePinchMotionConfirmed(); };
    m_deps.tracker->setCallbacks(std::move(callbacks));
    m_deps.tracker->start();

    const GestureRecognitionSource source =
        m_deps.systemPinch ? m_deps.systemPinch->gestureRecognitionSource(mode) : GestureRecognitionSource::builtIn;
    CLOG_INFO(QStringLiteral("Pinch gesture setup (mode: %1, minFingers: %2, exclusive=%3, source=%4)")
                  .arg(caseName(mode))
                  .arg(minimumFingers())
                  .arg(logBool(claimExclusive), caseName(source)));
}

bool PinchRecognizer::tryInstallPinchEvents()
{
    removePinchEventTap();
    PinchEventSource::Handlers handlers;
    handlers.onMagnify = [this](const MagnifyEvent& event) { return handleMagnifyEvent(event); };
    handlers.onGesture = [this](const GestureTouchesEvent& event) { handleGestureEvent(event); };
    if (m_deps.events && m_deps.events->install(std::move(handlers))) {
        m_unavailable.reset();
        return true;
    }
    m_unavailable = m_deps.touchpadAccess ? m_deps.touchpadAccess() : TouchpadAccess::readable;
    return false;
}

bool PinchRecognizer::installPinchEventTap()
{
    if (!tryInstallPinchEvents()) {
        CLOG_INFO(QStringLiteral("Pinch event tap creation failed — ") + pinchUnavailableLogReason(*m_unavailable));
        return false;
    }
    CLOG_INFO(QStringLiteral("Pinch event tap installed (session/headInsert/defaultTap, mask=0x60000000)"));
    return true;
}

void PinchRecognizer::removePinchEventTap()
{
    if (m_deps.events)
        m_deps.events->remove();
}

void PinchRecognizer::installSleepWakeObservers()
{
    removeSleepWakeObservers();
    if (!m_deps.sleepWake)
        return;
    m_deps.sleepWake->start([this] { removePinchEventTap(); },
                            [this] {
                                CLOG_INFO(QStringLiteral("System wake — reinstalling pinch event tap"));
                                installPinchEventTap();
                            });
    m_sleepWakeInstalled = true;
}

void PinchRecognizer::removeSleepWakeObservers()
{
    if (m_sleepWakeInstalled && m_deps.sleepWake)
        m_deps.sleepWake->stop();
    m_sleepWakeInstalled = false;
}

void PinchRecognizer::startAccessibilityPolling()
{
    m_axPoll.cancel();
    m_axPollTicks = 0;
    Scheduler* scheduler = m_deps.scheduler;
    m_axPoll = ScheduledTask(scheduler, scheduler->scheduleRepeating(accessibilityPollInterval, [this] {
        ++m_axPollTicks;
        if (tryInstallPinchEvents()) {
            m_axPoll.cancel();
            CLOG_INFO(QStringLiteral("Touchpad gesture events available — pinch event tap installed"));
            installSleepWakeObservers();
        } else if (m_axPollTicks >= accessibilityPollLimit) {
            m_axPoll.cancel();
            CLOG_INFO(QStringLiteral("Touchpad gesture events still unavailable after 120s — stop polling"));
        }
    }));
}

void PinchRecognizer::stopPinchGesture()
{
    removePinchEventTap();
    m_unavailable.reset();
    m_deps.tracker->stop();
    // A tracker that never started keeps its callbacks through stop(); they point at us.
    m_deps.tracker->setCallbacks({});
    m_axPoll.cancel();
    removeSleepWakeObservers();
    resetPinchTracking();
    m_fingersArmed = false;
    m_mtPinchConfirmed = false;
    m_sequenceFinished = false;
    m_swipeLockout = false;
}

void PinchRecognizer::cancelInteractivePinch()
{
    resetPinchTracking();
    m_fingersArmed = false;
    m_mtPinchConfirmed = false;
    m_sequenceFinished = true;
    closeTrackerGate();
}

TapDecision PinchRecognizer::handleMagnifyEvent(const MagnifyEvent& event)
{
    const int count = m_deps.tracker->latestFingerCount(fingerCountWindow);
    const int min = minimumFingers();
    if (event.phase & GesturePhase::began) {
        if (!m_gestureActive && count >= 1 && count <= min - 1) {
            m_fingersArmed = false;
            closeTrackerGate();
            return TapDecision::pass;
        }
        if (!m_fingersArmed && count >= min && !m_swipeLockout)
            arm();
    }
    if (!m_fingersArmed)
        return TapDecision::pass;
    if (!m_deps.tracker->geometryReliable() || m_mtPinchConfirmed) {
        handleCGPinchEvent(event.magnification, event.auxiliary, event.phase);
        return TapDecision::swallow;
    }
    // Trusted geometry that has not yet seen a pinch: hold the event back from the system, unless
    // the system's own pinch wants it or the fingers are swiping.
    if (isSystemPinchOn() || m_swipeLockout)
        return TapDecision::pass;
    return TapDecision::swallow;
}

void PinchRecognizer::handleGestureEvent(const GestureTouchesEvent& event)
{
    const int min = minimumFingers();
    const int n = int(event.touchPhases.size());
    if (n == 0) {
        const int count = m_deps.tracker->latestFingerCount(fingerCountWindow);
        if (count >= min && !m_sequenceFinished && !m_swipeLockout) {
            if (!m_fingersArmed) {
                m_mtPinchConfirmed = false;
                arm();
                if (!m_sequenceStartLogged) {
                    CLOG_INFO(QStringLiteral("Pinch armed via MT frame — fingers=%1, minFingers=%2").arg(count).arg(min));
                    m_sequenceStartLogged = true;
                }
            } else {
                reopenTrackerGate();
            }
        } else if (count == 0) {
            finishPinchSequenceFromMT();
        }
        return;
    }
    if (n < min)
        return;

    const auto& phases = event.touchPhases;
    const bool anyBegan = std::any_of(phases.begin(), phases.end(), [](int p) { return p == TouchPhase::began; });
    const bool anyTouching = std::any_of(phases.begin(), phases.end(), [](int p) { return p < TouchPhase::ended; });
    if (m_sequenceFinished && anyBegan)
        m_sequenceFinished = false;
    if (!m_sequenceStartLogged) {
        std::vector<int> sorted = phases;
        std::sort(sorted.begin(), sorted.end());
        QStringList names;
        for (int p : sorted)
            names << QString::number(p);
        CLOG_INFO(QStringLiteral("Pinch gesture event — touches=%1, phases=[%2], minFingers=%3").arg(n).arg(names.join(QLatin1Char(','))).arg(min));
        m_sequenceStartLogged = true;
    }
    if (!m_sequenceFinished && !m_swipeLockout && anyTouching) {
        if (!m_fingersArmed) {
            m_mtPinchConfirmed = false;
            reopenTrackerGate();
        }
        m_fingersArmed = true;
        return;
    }
    if (!anyTouching)
        finishPinchSequenceFromMT();
}

void PinchRecognizer::finishPinchSequenceFromMT()
{
    if (m_gestureActive) {
        CLOG_INFO(QStringLiteral("捏合手指全部离板 — 立即结算，CG接管=") + logBool(m_cgUsable));
        settlePinchGesture(QStringLiteral("MT全部离板"));
    } else {
        resetPinchTracking();
    }
    closeTrackerGate();
    m_fingersArmed = false;
    m_mtPinchConfirmed = false;
    m_sequenceFinished = false;
    m_sequenceStartLogged = false;
    m_magnifyObserved = false;
    m_swipeLockout = false;
}

void PinchRecognizer::handleSwipeMotionDetected()
{
    if (m_swipeLockout)
        return;
    m_swipeLockout = true;
    CLOG_INFO(QStringLiteral("判定为滑动（径向占比过低，各指到质心距离不变）— 解除武装并放行 magnify，手势交还系统"));
    if (m_gestureActive) {
        CLOG_INFO(QStringLiteral("滑动撤销 — 已驱动的捏合视觉强制回弹"));
        m_gestureActive = false;
        if (m_engaged && m_direction && onPinchSettle)
            onPinchSettle(false);
    }
    m_settleTimer.cancel();
    m_fingersArmed = false;
    m_mtPinchConfirmed = false;
    resetPinchTracking();
    closeTrackerGate();
}

void PinchRecognizer::handlePinchMotionConfirmed()
{
    if (!m_fingersArmed || m_swipeLockout)
        return;
    m_mtPinchConfirmed = true;
    CLOG_INFO(QStringLiteral("MT 确认为捏合（径向几何达标）— 起吞 magnify，阻断系统捏合响应"));
}

} // namespace corvanta
