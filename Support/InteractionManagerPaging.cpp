// Wheel, trackpad and mouse-drag paging: which input pages the strip, and which page a gesture
// ends on.
#include "Support/InteractionManager.h"

#include "Support/LogFormat.h"
#include "Support/Logger.h"

#include <algorithm>
#include <cmath>

namespace corvanta {

namespace {

bool hasPhase(unsigned phase, unsigned bit) { return (phase & bit) != 0; }
bool endsPhase(unsigned phase) { return hasPhase(phase, InputEvent::kPhaseEnded) || hasPhase(phase, InputEvent::kPhaseCancelled); }

} // namespace

bool InteractionManager::handleScrollWheel(const InputEvent& event)
{
    if (suppressScrollPaging)
        return false;
    if (activeFolderPager && activeFolderPager != this)
        return activeFolderPager->handleScrollWheel(event);
    if (!wheelPagingEnabled || pageCount < 2)
        return false;

    if (m_mouseDownPoint) {
        if (event.buttons != Qt::NoButton) {
            CLOG_INFO(QStringLiteral("InteractionManager: scrollWheel 被拖拽态吞掉（按键确实按着，让位给拖动）"));
            return true;
        }
        CLOG_INFO(QStringLiteral("InteractionManager: 拖拽态假死（mouseDownPoint 残留但按键已松开）→ 自动清理，滚轮恢复"));
        m_mouseDownPoint.reset();
        m_isDragging = false;
    }

    if (!event.hasPreciseScrollingDeltas)
        return handleWheelPaging(event);

    const double t = now();
    if (event.momentumPhase != 0) {
        if (m_isScrollActive) {
            m_lastPreciseScrollTime = t;
            return true;
        }
        if (t - m_lastPreciseScrollTime > 0.5) {
            m_preciseScrollRoute.reset();
            m_suppressTrackpadMomentum = false;
        }
        m_lastPreciseScrollTime = t;
        const bool ending = endsPhase(event.momentumPhase);
        if (m_suppressTrackpadMomentum || m_preciseScrollRoute == PreciseScrollRoute::swipe) {
            if (ending) {
                m_preciseScrollRoute.reset();
                m_suppressTrackpadMomentum = false;
            }
            return true;
        }
        return handleWheelPaging(event);
    }

    if (hasPhase(event.phase, InputEvent::kPhaseBegan) || (event.phase == 0 && t - m_lastPreciseScrollTime > 0.3)) {
        m_preciseScrollRoute.reset();
        m_suppressTrackpadMomentum = false;
    }
    m_lastPreciseScrollTime = t;
    if (!m_preciseScrollRoute) {
        if (event.scrollingDeltaX == 0 && event.scrollingDeltaY == 0) {
            handleTrackpadSwipe(event);
            return true;
        }
        m_preciseScrollRoute = std::abs(event.scrollingDeltaY) > std::abs(event.scrollingDeltaX) ? PreciseScrollRoute::wheel
                                                                                                 : PreciseScrollRoute::swipe;
    }

    if (*m_preciseScrollRoute == PreciseScrollRoute::swipe) {
        m_suppressTrackpadMomentum = true;
        handleTrackpadSwipe(event);
        return true;
    }

    if (m_isScrollActive) {
        // A vertical scroll takes over from a swipe: put the strip back on its page.
        m_isScrollActive = false;
        ++m_scrollEventToken;
        m_dragSamples.clear();
        if (m_pagerOffset->x() != 0)
            settle(m_pagerOffset->page(), QStringLiteral("vertical scroll handoff"));
    }
    return handleWheelPaging(event);
}

bool InteractionManager::handleWheelPaging(const InputEvent& event)
{
    if (!wheelPagingEnabled || pageCount < 2)
        return false;

    if (event.momentumPhase != 0) {
        if (m_sawNonMomentumInWheelBurst) {
            if (!m_didFlipInCurrentWheelBurst)
                CLOG_INFO(QStringLiteral("InteractionManager: wheel momentum 事件被吞（本轮已有手势事件，mom=%1）").arg(event.momentumPhase));
            return true;
        }
        if (m_didFlipInCurrentWheelBurst)
            return true;
    } else {
        m_sawNonMomentumInWheelBurst = true;
    }

    const double t = now();
    if (t < m_wheelCooldownUntil)
        return true;

    const double delta = std::abs(event.scrollingDeltaX) > std::abs(event.scrollingDeltaY) ? event.scrollingDeltaX : event.scrollingDeltaY;
    if (delta == 0)
        return true;

    const QString device = event.hasPreciseScrollingDeltas ? QStringLiteral("precise") : QStringLiteral("discrete");
    if (t - m_lastWheelTime > wheelIdleReset) {
        m_wheelAccumulator = 0;
        m_didFlipInCurrentWheelBurst = false;
        m_sawNonMomentumInWheelBurst = false;
        CLOG_INFO(QStringLiteral("InteractionManager: wheel burst start — device=%1, phase=%2, mom=%3, delta=%4, window=%5, inverted=%6")
                      .arg(device)
                      .arg(event.phase)
                      .arg(event.momentumPhase)
                      .arg(QString::number(delta, 'f', 1),
                          event.window == InputEvent::Window::None ? QStringLiteral("nil") : QStringLiteral("hit"),
                          logBool(event.isDirectionInvertedFromDevice)));
    }
    m_lastWheelTime = t;
    if (m_didFlipInCurrentWheelBurst)
        return true;

    m_wheelAccumulator += delta;
    const double threshold = (event.hasPreciseScrollingDeltas && event.phase != 0) ? wheelGestureFlipThreshold : wheelDeviceFlipThreshold;
    if (std::abs(m_wheelAccumulator) <= threshold)
        return true;

    const int page = m_pagerOffset->page();
    const int target = std::clamp(m_wheelAccumulator < 0 ? page + 1 : page - 1, 0, pageCount - 1);
    m_wheelAccumulator = 0;
    if (target == page)
        return true;

    m_wheelCooldownUntil = t + wheelCooldown;
    m_didFlipInCurrentWheelBurst = true;
    CLOG_INFO(QStringLiteral("InteractionManager: wheel flip → page %1 (from page %2, device=%3, threshold=%4, mom=%5)")
                  .arg(target)
                  .arg(page)
                  .arg(device, QString::number(threshold, 'f', 0))
                  .arg(event.momentumPhase));
    settle(target, QStringLiteral("wheel"));
    return true;
}

void InteractionManager::handleTrackpadSwipe(const InputEvent& event)
{
    if (event.momentumPhase != 0)
        return;
    if (hasPhase(event.phase, InputEvent::kPhaseEnded)) {
        finishScrollGesture(QStringLiteral("phase=ended"), event.timestamp);
        return;
    }
    if (hasPhase(event.phase, InputEvent::kPhaseCancelled)) {
        finishScrollGesture(QStringLiteral("phase=cancelled"), event.timestamp);
        return;
    }

    if (hasPhase(event.phase, InputEvent::kPhaseBegan) || !m_isScrollActive) {
        const double shown = presentationContentOffset();
        stopSettleDriver();
        m_settleFlight.reset();
        m_isScrollActive = true;
        m_scrollGestureDisplacement = 0;
        m_scrollGestureStartedAt = event.timestamp;
        m_scrollGestureReversed = false;
        m_pagerOffset->setX(shown + pageWidth() * m_pagerOffset->page());
        m_scrollGestureRawOffset = m_pagerOffset->x();
        m_dragSamples.clear();
        recordDragSample();
        CLOG_INFO(QStringLiteral("双指翻页接管 — page=%1，visible=%2").arg(m_pagerOffset->page()).arg(logNumber(shown)));
    }

    m_pagerOffset->setIsFollowingScroll(true);
    const double dx = event.scrollingDeltaX;
    if (dx != 0) {
        m_scrollGestureDisplacement += dx;
        if ((dx < 0) != (m_scrollGestureDisplacement < 0))
            m_scrollGestureReversed = true;
        m_scrollGestureRawOffset += dx;
        m_pagerOffset->setX(applyEdgeResistance(m_scrollGestureRawOffset));
        recordDragSample();
    }
    scheduleIdleSettle();
}

void InteractionManager::scheduleIdleSettle()
{
    const quint64 token = ++m_scrollEventToken;
    QPointer<InteractionManager> self(this);
    m_scheduler.schedule(0.3, [self, token] {
        if (self && self->m_scrollEventToken == token && self->m_isScrollActive)
            self->finishScrollGesture(QStringLiteral("idle fallback"), std::nullopt);
    });
}

void InteractionManager::finishScrollGesture(const QString& reason, std::optional<double> endTime)
{
    if (!m_isScrollActive)
        return;
    ++m_scrollEventToken;
    m_pagerOffset->setIsFollowingScroll(false);
    m_isScrollActive = false;
    if (m_pagerOffset->x() == 0 && m_scrollGestureDisplacement == 0) {
        m_dragSamples.clear();
        return;
    }
    CLOG_INFO(QStringLiteral("InteractionManager: scroll gesture end (%1) — settling, offset=%2, finger=%3, page=%4/%5")
                  .arg(reason, logNumber(m_pagerOffset->x()), logNumber(m_scrollGestureDisplacement))
                  .arg(m_pagerOffset->page())
                  .arg(pageCount));
    const double end = endTime.value_or(now());
    const double duration = std::max(end - m_scrollGestureStartedAt, 0.001);
    const double average = m_scrollGestureDisplacement / duration;
    CLOG_INFO(QStringLiteral("双指松手判定 — distance=%1，duration=%2，average=%3，reversed=%4")
                  .arg(logNumber(m_scrollGestureDisplacement), logNumber(duration), logNumber(average), logBool(m_scrollGestureReversed)));
    settleSwipe(m_scrollGestureDisplacement, average, m_scrollGestureReversed);
}

void InteractionManager::settleSwipe(std::optional<double> displacement, std::optional<double> trackpadVelocity, bool reversed)
{
    // Fractions are of the page width on the overlay's current screen.
    const double width = knownPageWidth();
    if (width <= 0) {
        m_pagerOffset->setX(0);
        return;
    }
    const double d = displacement.value_or(m_pagerOffset->x());
    const double f = d / width;
    const double t = now();

    double vRecent = 0;
    if (m_dragSamples.size() >= 2) {
        const DragSample* first = nullptr;
        const DragSample* last = nullptr;
        for (const DragSample& s : m_dragSamples) {
            if (s.t < t - 0.08 || s.t > t)
                continue;
            if (!first)
                first = &s;
            last = &s;
        }
        if (first && last && last->t != first->t)
            vRecent = (last->ratio - first->ratio) / (last->t - first->t);
    }
    double vPeak = 0;
    for (std::size_t i = 0; i < m_dragSamples.size(); ++i) {
        for (std::size_t j = i + 1; j < m_dragSamples.size(); ++j) {
            const double dt = m_dragSamples[j].t - m_dragSamples[i].t;
            if (dt > 0.001 && dt <= 0.1)
                vPeak = std::max(vPeak, std::abs(m_dragSamples[j].ratio - m_dragSamples[i].ratio) / dt);
        }
    }
    const double decel = vPeak > 0.1 ? std::min(std::abs(vRecent) / vPeak, 1.0) : 1.0;
    const double flick = std::abs(vRecent) * decel;

    const int page = m_pagerOffset->page();
    auto byDirection = [page](double quantity) { return quantity < 0 ? page + 1 : page - 1; };
    int choice = page;
    if (!trackpadVelocity) {
        if (std::abs(f) >= settleThresholdRatio)
            choice = byDirection(f);
        else if (flick > flickVelocityRatio)
            choice = byDirection(vRecent);
    } else if (!reversed) {
        if (f <= -settleThresholdRatio)
            choice = page + 1;
        else if (f >= settleThresholdRatio)
            choice = page - 1;
        else if (*trackpadVelocity < -200)
            choice = page + 1;
        else if (*trackpadVelocity > 200)
            choice = page - 1;
    }
    const int target = std::clamp(choice, 0, std::max(pageCount - 1, 0));

    CLOG_INFO(QStringLiteral("InteractionManager: settle → page %1 (offset=%2, vRecent=%3, vPeak=%4, decel=%5, flick=%6)")
                  .arg(target)
                  .arg(logNumber(m_pagerOffset->x()), QString::number(vRecent, 'f', 3), QString::number(vPeak, 'f', 3),
                      QString::number(decel, 'f', 3), QString::number(flick, 'f', 3)));
    settle(target, QStringLiteral("swipe"));
    m_dragSamples.clear();
}

double InteractionManager::applyEdgeResistance(double o) const
{
    if (pageCount < 2)
        return o;
    const double w = pageWidth();
    const double base = -m_pagerOffset->page() * w;
    const double lower = -(pageCount - 1) * w;
    const double c = o + base;
    if (c > 0)
        return c / (c * edgeResistance + 1) - base;
    if (c < lower)
        return lower - (lower - c) / ((lower - c) * edgeResistance + 1) - base;
    return o;
}

void InteractionManager::recordDragSample()
{
    const double width = knownPageWidth();
    if (width <= 0)
        return;
    const double t = now();
    const double v = m_isScrollActive ? m_scrollGestureDisplacement : m_pagerOffset->x();
    m_dragSamples.push_back({t, v / width});
    std::size_t drop = 0;
    while (m_dragSamples.size() - drop > 2 && m_dragSamples[drop].t < t - 0.3)
        ++drop;
    if (drop > 0)
        m_dragSamples.erase(m_dragSamples.begin(), m_dragSamples.begin() + std::ptrdiff_t(drop));
}

void InteractionManager::synchronizePagerForHitTesting()
{
    if (!m_pagerOffset->presentationOffset)
        return;
    const std::optional<double> shown = m_pagerOffset->presentationOffset();
    if (!shown)
        return;
    m_pagerOffset->setIsFollowingScroll(false);
    stopSettleDriver();
    m_settleFlight.reset();
    m_pagerOffset->setX(pageWidth() * m_pagerOffset->page() + *shown);
}

} // namespace corvanta
