// The strip's settle: commit the target page at once, then ease the remaining pull back to 0.
#include "Support/InteractionManager.h"

#include "Platform/InteractionPlatform.h"
#include "Support/FrameTicker.h"
#include "Support/Logger.h"
#include "Support/TimingCurve.h"

#include <algorithm>
#include <cmath>

namespace corvanta {

namespace {

constexpr TimingCurve kSettleCurve = TimingCurve::easeOut(); // (0, 0), (0.58, 1)

} // namespace

double InteractionManager::pageWidth() const
{
    if (contentSize.width() > 1)
        return contentSize.width();
    if (screenWidth > 1)
        return screenWidth;
    return 1;
}

double InteractionManager::knownPageWidth() const
{
    const double width = pageWidth();
    return width > 1 ? width : 0;
}

bool InteractionManager::isSettleDriverRunning() const
{
    return m_settleLink && m_settleLink->isRunning();
}

void InteractionManager::settle(int requestedPage, const QString& reason)
{
    m_pagerOffset->setIsFollowingScroll(false);
    const int target = std::min(std::max(pageCount - 1, 0), std::max(requestedPage, 0));
    const double w = pageWidth();
    const double start = now();
    const double shown = presentationContentOffset();
    const double from = m_pagerOffset->x() - w * m_pagerOffset->page();
    const double to = -(target * w);

    // Commit without moving: the content offset stays where it is.
    m_pagerOffset->setPage(target);
    m_pagerOffset->setX(from - to);

    if (std::abs(from - shown) > 0.5 && m_pagerOffset->requestFollowInterpolation)
        m_pagerOffset->requestFollowInterpolation();
    if (beginPagerSettleHook)
        beginPagerSettleHook();

    m_settleFlight = SettleFlight{from, to, start, kSettleDuration};
    if (m_variants.settleDriver)
        startSettleDriver();
    else
        m_pagerOffset->setX(0); // the view animates; presentationContentOffset follows the curve

    CLOG_INFO(QStringLiteral("InteractionManager: settle → page %1 (%2) from=%3 to=%4")
                  .arg(target)
                  .arg(reason)
                  .arg(QString::number(from, 'f', 1), QString::number(to, 'f', 1)));

    QPointer<InteractionManager> self(this);
    m_scheduler.schedule(kSettleDuration + 0.05, [self, start] {
        if (!self || !self->m_settleFlight || self->m_settleFlight->startTime != start)
            return;
        // The flight outlived its frames (a stalled ticker): land it rather than leave the strip
        // between pages.
        self->endSettleFlight();
    });
}

void InteractionManager::endSettleFlight()
{
    stopSettleDriver();
    m_settleFlight.reset();
    m_pagerOffset->setX(0);
}

void InteractionManager::startSettleDriver()
{
    stopSettleDriver();
    const quint64 generation = m_settleDriverGeneration;
    QPointer<InteractionManager> self(this);
    auto relay = std::make_unique<SettleTickRelay>([self, generation] {
        if (self)
            self->settleTick(generation);
    });

    const std::optional<double> refreshRate = m_platform.displayRefreshRate();
    if (!refreshRate) {
        // Nothing to animate on: land at once.
        endSettleFlight();
        return;
    }
    auto link = std::make_unique<FrameTicker>(m_scheduler);
    if (!m_variants.legacyUpdates)
        link->setRefreshRate(std::max(*refreshRate, 1.0));
    SettleTickRelay* target = relay.get();
    link->start([target](double) { target->tick(); });
    m_settleRelay = std::move(relay);
    m_settleLink = std::move(link);
}

void InteractionManager::settleTick(quint64 generation)
{
    if (generation != m_settleDriverGeneration)
        return;
    if (!m_settleFlight) {
        stopSettleDriver();
        return;
    }
    const SettleFlight flight = *m_settleFlight;
    const double elapsed = now() - flight.startTime;
    if (elapsed >= flight.duration) {
        endSettleFlight();
        return;
    }
    const double progress = std::clamp(elapsed / flight.duration, 0.0, 1.0);
    m_pagerOffset->setX((flight.from - flight.to) * (1 - kSettleCurve.value(progress)));
}

void InteractionManager::stopSettleDriver()
{
    if (m_pagerOffset->cancelInterpolation)
        m_pagerOffset->cancelInterpolation();
    ++m_settleDriverGeneration;
    if (m_settleLink)
        m_settleLink->stop();
    // Stopped from inside its own tick: the ticker and relay must outlive this call.
    if (m_settleLink || m_settleRelay) {
        auto link = std::shared_ptr<FrameTicker>(std::move(m_settleLink));
        auto relay = std::shared_ptr<SettleTickRelay>(std::move(m_settleRelay));
        m_scheduler.schedule(0, [link, relay] {});
    }
}

double InteractionManager::presentationContentOffset() const
{
    if (m_pagerOffset->presentationOffset) {
        if (const auto shown = m_pagerOffset->presentationOffset())
            return *shown;
    }
    if (!m_variants.settleDriver && m_settleFlight) {
        const SettleFlight& f = *m_settleFlight;
        const double elapsed = now() - f.startTime;
        if (elapsed >= f.duration)
            return f.to;
        if (elapsed <= 0)
            return f.from;
        return f.from + (f.to - f.from) * kSettleCurve.value(elapsed / f.duration);
    }
    return m_pagerOffset->x() - pageWidth() * m_pagerOffset->page();
}

} // namespace corvanta
