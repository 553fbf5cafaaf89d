#include "App/PinchTransition.h"

#include "App/OverlayPresenter.h"
#include "Services/PinchRecognizer.h"
#include "Services/ShortcutManager.h"
#include "Support/InteractionManager.h"
#include "Support/LogFormat.h"
#include "Support/Logger.h"

#include <algorithm>

namespace corvanta {

double PinchVisualContinuation::value(double x)
{
    x = std::clamp(x, 0.0, 1.0);
    if (!baseline) {
        baseline = x;
        return visible;
    }
    double target = opening ? 1 : 0;
    double fraction = 0;
    if (x < *baseline) {
        // The fingers moved back past where they started: the overlay goes the other way.
        fraction = *baseline > 0 ? (*baseline - x) / *baseline : 0;
        target = 1 - target;
    } else if (*baseline < 1) {
        fraction = (x - *baseline) / (1 - *baseline);
    }
    return visible + fraction * (target - visible);
}

PinchTransition::PinchTransition(Dependencies dependencies) : m_deps(std::move(dependencies)), m_ticker(*m_deps.scheduler) {}

void PinchTransition::beginInteractivePinchTransition(PinchGestureDirection direction)
{
    OverlayPresenter& presenter = *m_deps.presenter;
    const bool visible = m_deps.shortcuts->isTilehallVisible();
    if (presenter.isExiting() || presenter.isQuitting() || !m_deps.surfaces->hasWindow())
        return;
    if ((direction == PinchGestureDirection::opening) == visible)
        return;

    std::optional<double> takenOver;
    if (!presenter.overlayOnScreen())
        takenOver.reset();
    else if (m_visualProgress)
        takenOver = m_visualProgress;
    else if (m_deps.layerTransitionEnabled)
        takenOver = m_deps.surfaces->runningTransitionOpacity();
    else
        takenOver = m_deps.engine->interactiveProgress();
    stopPinchSettleDriver();

    const bool opening = direction == PinchGestureDirection::opening;
    PinchVisualContinuation continuation;
    continuation.opening = opening;
    if (takenOver) {
        continuation.visible = std::clamp(*takenOver, 0.0, 1.0);
    } else {
        continuation.visible = opening ? 0 : 1;
        continuation.baseline = 0;
    }
    m_continuation = continuation;
    m_direction = direction;
    if (takenOver)
        CLOG_INFO(QStringLiteral("阶段88.5：捏合接管未完成动画 — direction=%1，visible=%2").arg(caseName(direction), logNumber(*takenOver)));

    presenter.cancelPendingSuccession();
    presenter.advanceGeneration();
    presenter.setOverlayOnScreen(true);

    double start = 0;
    if (!opening) {
        CLOG_INFO(QStringLiteral("Interactive pinch close — begin"));
        start = takenOver.value_or(1);
    } else {
        CLOG_INFO(QStringLiteral("Interactive pinch open — begin"));
        m_deps.surfaces->prepareOpening();
        start = takenOver.value_or(0);
        setInteractivePinchProgress(start);
        m_deps.surfaces->orderFront();
        m_deps.shortcuts->setTilehallVisible(true);
        m_deps.engine->resetDragState();
        m_deps.engine->setIsPresented(false);
    }
    setInteractivePinchProgress(start);
}

void PinchTransition::handleProgress(double progress)
{
    if (!m_direction || !m_continuation)
        return;
    setInteractivePinchProgress(m_continuation->value(progress));
}

void PinchTransition::setInteractivePinchProgress(double progress)
{
    m_visualProgress = progress;
    if (m_deps.layerTransitionEnabled) {
        m_deps.surfaces->applyProgress(std::clamp(progress, 0.0, 1.0));
        if (m_deps.engine->interactiveProgress())
            m_deps.engine->setInteractiveProgress(std::nullopt);
        m_deps.presenter->setPinchHandoff(float(progress), now());
    } else {
        // The root view fades itself from this value; the shell records the hand-off from it.
        m_deps.engine->setInteractiveProgress(progress);
    }
}

void PinchTransition::settleInteractivePinchTransition(bool commit)
{
    if (!m_deps.surfaces->hasWindow() || !m_direction)
        return;
    const PinchGestureDirection direction = *m_direction;
    m_direction.reset();
    CLOG_INFO(QStringLiteral("Interactive pinch settle — direction=%1, complete=%2").arg(caseName(direction), logBool(commit)));

    const bool opening = direction == PinchGestureDirection::opening;
    const double target = opening == commit ? 1 : 0;
    const double from = m_visualProgress.value_or(m_deps.engine->interactiveProgress().value_or(target));
    if (target == 0) {
        setInteractivePinchProgress(0);
        finishPinchSettle(direction, commit);
        return;
    }
    startPinchSettleDriver(from, target, direction, commit);
}

void PinchTransition::startPinchSettleDriver(double from, double to, PinchGestureDirection direction, bool complete)
{
    stopPinchSettleDriver();
    if (!m_deps.surfaces->hasScreen()) {
        setInteractivePinchProgress(to);
        finishPinchSettle(direction, complete);
        return;
    }
    const quint64 epoch = m_settleEpoch;
    m_flight = Flight{from, to, now(), settleDuration, direction, complete};
    m_ticker.start([this, epoch](double) { stepPinchSettle(epoch); });
}

void PinchTransition::stepPinchSettle(quint64 epoch)
{
    if (epoch != m_settleEpoch)
        return; // a tick of a flight that has been stopped
    if (!m_flight) {
        stopPinchSettleDriver();
        return;
    }
    const Flight flight = *m_flight;
    const double t = std::clamp((now() - flight.start) / flight.duration, 0.0, 1.0);
    const double e = PinchRecognizer::referencePinchCurve.value(t);
    setInteractivePinchProgress(flight.from + (flight.to - flight.from) * e);
    if (t >= 1) {
        stopPinchSettleDriver();
        setInteractivePinchProgress(flight.to);
        finishPinchSettle(flight.direction, flight.complete);
    }
}

void PinchTransition::stopPinchSettleDriver()
{
    ++m_settleEpoch;
    m_ticker.stop();
    m_flight.reset();
}

void PinchTransition::finishPinchSettle(PinchGestureDirection direction, bool complete)
{
    m_continuation.reset();
    m_visualProgress.reset();
    OverlayPresenter& presenter = *m_deps.presenter;
    InteractionManager& engine = *m_deps.engine;
    presenter.clearPinchHandoff();
    const bool opening = direction == PinchGestureDirection::opening;
    if (opening && complete) {
        engine.setInteractiveProgress(std::nullopt);
        engine.suppressTransitionAnimation = true;
        engine.setIsPresented(true);
        CLOG_INFO(QStringLiteral("Interactive pinch open — completed"));
    } else if (opening || complete) {
        // Settled hidden: a cancelled opening, or a completed closing.
        presenter.orderOverlayOut();
        presenter.setOverlayOnScreen(false);
        m_deps.shortcuts->setTilehallVisible(false);
        engine.setInteractiveProgress(std::nullopt);
        if (opening) {
            CLOG_INFO(QStringLiteral("Interactive pinch open — cancelled"));
        } else {
            engine.setIsPresented(false);
            CLOG_INFO(QStringLiteral("Interactive pinch close — completed"));
        }
    } else {
        engine.setInteractiveProgress(std::nullopt);
        engine.setIsPresented(true);
        CLOG_INFO(QStringLiteral("Interactive pinch close — cancelled (stays open)"));
    }
}

void PinchTransition::cancelPinchForRegularTransition()
{
    if (!m_direction && !m_flight)
        return;
    m_deps.shortcuts->cancelInteractivePinch();
    stopPinchSettleDriver();
    m_direction.reset();
    m_continuation.reset();
    m_visualProgress.reset();
    if (m_deps.engine->interactiveProgress())
        m_deps.engine->setInteractiveProgress(std::nullopt);
}

} // namespace corvanta
