// The gesture engine of the pinch recogniser: direction, progress along the reference curve, the
// idle time-out and the settle decision.
#include "Services/MultitouchFingerTracker.h"
#include "Services/PinchRecognizer.h"
#include "Support/LogFormat.h"
#include "Support/Logger.h"

#include <algorithm>
#include <cmath>

namespace corvanta {

void PinchRecognizer::handleCGPinchEvent(double magnification, qint64 auxiliary, unsigned phase)
{
    if (!std::isfinite(magnification)) {
        CLOG_INFO(QStringLiteral("忽略非有限捏合输入 — phase=%1").arg(phase));
        return;
    }
    const bool isEnd = phase & (GesturePhase::ended | GesturePhase::cancelled);
    const bool isMovement = phase == 0 || (phase & (GesturePhase::began | GesturePhase::changed));
    if (!m_gestureActive && magnification != 0 && isMovement && !isEnd) {
        resetPinchTracking();
        m_gestureActive = true;
    }
    m_magnifyObserved = true;
    ++m_cgEventCount;
    const double signedValue = auxiliary != 0 ? -magnification : magnification;
    if (!m_cgLastPhase || *m_cgLastPhase != phase) {
        CLOG_INFO(QStringLiteral("捏合CG阶段 — phase=%1，cg124=%2，cg136=%3，事件数=%4")
                      .arg(phase)
                      .arg(logNumber(magnification))
                      .arg(auxiliary)
                      .arg(m_cgEventCount));
        m_cgLastPhase = phase;
    }
    if (isEnd) {
        if (m_cgUsable)
            m_cgSignedProgress = signedValue;
        settlePinchGesture(phase & GesturePhase::cancelled ? QStringLiteral("CG取消") : QStringLiteral("CG结束"));
        return;
    }
    if (isMovement && (magnification != 0 || m_cgUsable))
        applyCGMagnification(signedValue);
    if (m_gestureActive)
        schedulePinchIdleSettle();
}

void PinchRecognizer::applyCGMagnification(double value)
{
    if (!m_fingersArmed)
        return;
    if (!m_gestureActive) {
        resetPinchTracking();
        m_gestureActive = true;
    }
    if (!m_cgUsable) {
        const bool shown = m_engaged ? m_direction == PinchGestureDirection::closing
                                     : (m_deps.isTilehallVisible && m_deps.isTilehallVisible());
        std::optional<PinchGestureDirection> direction;
        if (value < 0 && !shown)
            direction = PinchGestureDirection::opening;
        else if (value > 0 && shown)
            direction = PinchGestureDirection::closing;
        m_cgUsable = true;
        m_cgStartUptime = uptime();
        CLOG_INFO(QStringLiteral("捏合 CG 接管完成 — 输入=%1，初始可见=%2，本序列停用 MT 位移增量").arg(logNumber(value), logBool(shown)));
        if (!direction) {
            if (m_engaged && onPinchSettle)
                onPinchSettle(false);
            m_engaged = false;
            m_direction.reset();
            m_cgDirectionRejected = true;
            return;
        }
        const bool wasEngaged = m_engaged;
        m_direction = direction;
        m_engaged = true;
        if (!wasEngaged && onPinchBegin)
            onPinchBegin(*direction);
    }
    if (m_cgDirectionRejected || !m_direction)
        return;
    m_cgSignedProgress = value;
    m_maxAbsMag = std::max(m_maxAbsMag, std::abs(value));
    const double t = std::clamp(*m_direction == PinchGestureDirection::closing ? value : -value, 0.0, 1.0);
    const double p = referencePinchCurve.value(t);
    m_cgVisualProgress = p;
    if (onPinchProgress)
        onPinchProgress(p);
}

void PinchRecognizer::handleProgressStep(double step)
{
    if (!m_fingersArmed || !m_magnifyObserved || m_cgUsable)
        return;
    if (!m_gestureActive) {
        resetPinchTracking();
        m_gestureActive = true;
        m_magnifyObserved = true;
    }
    m_cumulative += step;
    const double now = uptime();
    if (m_lastStepUptime > 0) {
        const double dt = std::clamp(now - m_lastStepUptime, 0.008, 0.1);
        m_velocity = 0.3 * (step / dt) + 0.7 * m_velocity;
    }
    m_lastStepUptime = now;
    updatePinchEngagement();
}

void PinchRecognizer::updatePinchEngagement()
{
    if (!m_engaged) {
        if (m_cumulative <= engageThreshold) {
            schedulePinchIdleSettle();
            return;
        }
        const bool visible = m_deps.isTilehallVisible && m_deps.isTilehallVisible();
        m_direction = visible ? PinchGestureDirection::closing : PinchGestureDirection::opening;
        m_engaged = true;
        CLOG_INFO(QStringLiteral("Pinch engaged — direction: ") + caseName(*m_direction));
        if (onPinchBegin)
            onPinchBegin(*m_direction);
    }
    if (onPinchProgress)
        onPinchProgress(std::clamp((m_cumulative - engageThreshold) / (fullThreshold - engageThreshold), 0.0, 1.0));
    schedulePinchIdleSettle();
}

void PinchRecognizer::schedulePinchIdleSettle()
{
    Scheduler* scheduler = m_deps.scheduler;
    m_settleTimer = ScheduledTask(scheduler, scheduler->schedule(idleTimeout, [this] {
        m_settleTimer = ScheduledTask();
        if (!m_gestureActive)
            return;
        CLOG_INFO(QStringLiteral("Pinch idle timeout — settling"));
        settlePinchGesture(QStringLiteral("超时兜底"));
    }));
}

void PinchRecognizer::settlePinchGesture(const QString& reason)
{
    m_settleTimer.cancel();
    m_gestureActive = false;
    m_fingersArmed = false;
    m_sequenceFinished = true;
    closeTrackerGate();
    m_lastStepUptime = 0;

    if (m_engaged && m_direction) {
        double c = 0;
        double e = 0;
        bool complete = false;
        if (m_cgUsable) {
            c = m_cgVisualProgress;
            e = uptime() - m_cgStartUptime;
            if (c > completionProgress)
                complete = true;
            else if (e < flickWindow)
                complete = *m_direction == PinchGestureDirection::closing ? m_cgSignedProgress > 0 : m_cgSignedProgress < 0;
        } else {
            c = std::clamp((m_cumulative - engageThreshold) / (fullThreshold - engageThreshold), 0.0, 1.0);
            complete = c >= completionProgress || (c > minimumFlickProgress && m_velocity > flickVelocity);
        }
        CLOG_INFO(QStringLiteral("捏合结算 — 原因=%1，视觉=%2，时长=%3，完成=%4，CG接管=%5，最大幅度=%6，CG事件数=%7")
                      .arg(reason, logNumber(c), logNumber(e), logBool(complete), logBool(m_cgUsable), logNumber(m_maxAbsMag))
                      .arg(m_cgEventCount));
        if (onPinchSettle)
            onPinchSettle(complete);
    }
    resetPinchTracking();
}

void PinchRecognizer::resetPinchTracking()
{
    m_gestureActive = false;
    m_engaged = false;
    m_direction.reset();
    m_cumulative = 0;
    m_velocity = 0;
    m_lastStepUptime = 0;
    m_cgUsable = false;
    m_magnifyObserved = false;
    m_cgDirectionRejected = false;
    m_cgSignedProgress = 0;
    m_cgVisualProgress = 0;
    m_cgStartUptime = 0;
    m_cgLastPhase.reset();
    m_cgEventCount = 0;
    m_maxAbsMag = 0;
    m_settleTimer.cancel();
}

} // namespace corvanta
