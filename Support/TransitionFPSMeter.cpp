#include "Support/TransitionFPSMeter.h"

#include "Support/Logger.h"
#include "Support/QtScheduler.h"

#include <QStringList>

#include <algorithm>

namespace corvanta {

namespace {

QString fixed(double value, int decimals)
{
    return QString::asprintf("%.*f", decimals, value);
}

} // namespace

TransitionFPSMeter::TransitionFPSMeter(Scheduler& scheduler, bool measuresPager, bool pagerUsesLegacyUpdates)
    : m_scheduler(scheduler), m_measuresPager(measuresPager), m_pagerLegacy(pagerUsesLegacyUpdates)
{
}

TransitionFPSMeter::~TransitionFPSMeter()
{
    stop(false);
}

TransitionFPSMeter& TransitionFPSMeter::shared()
{
    static TransitionFPSMeter meter(QtScheduler::shared(), qgetenv("QUORLA_PAGER_METRICS") == "1",
                                    qgetenv("QUORLA_PAGER_LEGACY") == "1");
    return meter;
}

void TransitionFPSMeter::start(const QString& label, FrameSource* window, double duration, const TimingCurve& timing)
{
    stop(false);
    ++m_session;
    if (!window || !window->hasPresentableContent())
        return;
    m_label = label;
    m_t0 = m_scheduler.now();
    m_screenMaxFPS = window->screenMaxFramesPerSecond().value_or(60);
    m_frameTimes.clear();
    m_tickCount = 0;
    m_lastValue = -1;
    m_presented.reset();
    m_duration = duration;
    m_timing = timing;
    m_pagerPhase = QStringLiteral("follow");
    m_pagerFrames.clear();
    m_pagerLastX.reset();
    m_pagerCommitCost = 0;
    m_pagerCommitMax = 0;
    m_pagerCommitCount = 0;

    m_window = window;
    m_windowObject = window->frameSourceObject();
    window->setFrameObserver([this] { notePaintedFrame(); });
    m_timer = ScheduledTask(&m_scheduler, m_scheduler.scheduleRepeating(sampleInterval, [this] { tick(); }));
}

void TransitionFPSMeter::notePaintedFrame()
{
    // The window presents the probe as it stands at this frame: its value from 0 to 1 along the
    // timing curve, held at 1 once the duration has passed.
    if (!m_timer.isActive())
        return;
    const double elapsed = m_scheduler.now() - m_t0;
    const double progress = m_duration > 0 ? std::clamp(elapsed / m_duration, 0.0, 1.0) : 1.0;
    m_presented = float(m_timing.value(progress));
}

void TransitionFPSMeter::tick()
{
    ++m_tickCount;
    if (m_presented && *m_presented != m_lastValue) {
        m_lastValue = *m_presented;
        m_frameTimes.append(m_scheduler.now());
    }
    if (followsPager() && m_pagerView && m_pagerPresentedX) {
        if (const auto raw = m_pagerPresentedX()) {
            const double x = m_pagerTracksBounds ? -*raw : *raw;
            if (!m_pagerLastX || *m_pagerLastX != x) {
                m_pagerLastX = x;
                m_pagerFrames.append(m_scheduler.now());
            }
        }
    }
}

void TransitionFPSMeter::stopAfter(double delay)
{
    const int session = m_session;
    m_delayedStop = ScheduledTask(&m_scheduler, m_scheduler.schedule(delay, [this, session] {
        if (m_session == session)
            stop(true);
    }));
}

void TransitionFPSMeter::stop(bool log)
{
    m_timer.cancel();
    if (m_window && m_windowObject)
        m_window->setFrameObserver({});
    m_window = nullptr;
    m_windowObject.clear();
    if (!log)
        return;

    const double elapsed = m_scheduler.now() - m_t0;
    if (elapsed <= 0.02)
        return;
    const qsizetype n = m_frameTimes.size();
    double fps = 0, span = 0, maxGap = 0;
    QStringList stalls;
    if (n >= 2) {
        span = m_frameTimes.last() - m_frameTimes.first();
        for (qsizetype i = 1; i < n; ++i) {
            const double earlier = m_frameTimes[i - 1], later = m_frameTimes[i];
            maxGap = std::max(maxGap, later - earlier);
            if (later - earlier > stallGap)
                stalls << QStringLiteral("%1→%2ms(%3)")
                              .arg(fixed((earlier - m_t0) * 1000, 0), fixed((later - m_t0) * 1000, 0), fixed((later - earlier) * 1000, 0));
        }
        fps = span > 0.01 ? double(n - 1) / span : 0;
    }
    const double samplingRate = m_tickCount / elapsed;
    QString stallPart;
    if (n >= 2)
        stallPart = QStringLiteral("，卡顿帧=") + (stalls.isEmpty() ? QStringLiteral("无") : stalls.join(QLatin1Char(' ')));
    CLOG_INFO(QStringLiteral("PERF fps ") + m_label + QStringLiteral(" — 渲染=") + fixed(fps, 1) + QStringLiteral("fps（")
              + QString::number(n) + QStringLiteral(" 帧/动画窗 ") + fixed(span * 1000, 0) + QStringLiteral("ms，最大帧间隔=")
              + fixed(maxGap * 1000, 0) + QStringLiteral("ms，采样率=") + fixed(samplingRate, 0) + QStringLiteral("/s，屏幕上限=")
              + QString::number(m_screenMaxFPS) + QStringLiteral("Hz，总耗时=") + fixed(elapsed * 1000, 0) + QStringLiteral("ms")
              + stallPart + QStringLiteral("）"));
    reportPagerPhase();
}

bool TransitionFPSMeter::followsPager() const
{
    return m_measuresPager && m_label == QLatin1String("scroll");
}

void TransitionFPSMeter::reportPagerPhase()
{
    if (!followsPager() || m_pagerFrames.size() < 2)
        return;
    const qsizetype n = m_pagerFrames.size();
    const double window = m_pagerFrames.last() - m_pagerFrames.first();
    const double rate = window > 0 ? double(n - 1) / window : 0;
    double maxGap = 0;
    int slow = 0;
    for (qsizetype i = 1; i < n; ++i) {
        const double gap = m_pagerFrames[i] - m_pagerFrames[i - 1];
        maxGap = std::max(maxGap, gap);
        slow += gap > stallGap ? 1 : 0;
    }
    const double average = m_pagerCommitCount >= 1 ? m_pagerCommitCost / m_pagerCommitCount : 0;
    CLOG_INFO(QStringLiteral("PERF pager phase=") + m_pagerPhase + QStringLiteral(" — 内容位置变化=") + fixed(rate, 1)
              + QStringLiteral("/s，最大间隔=") + fixed(maxGap * 1000, 1) + QStringLiteral("ms，超过25ms=") + QString::number(slow)
              + QStringLiteral("，提交=") + QString::number(m_pagerCommitCount) + QStringLiteral("，平均/最长提交=")
              + fixed(average * 1000, 3) + QStringLiteral("/") + fixed(m_pagerCommitMax * 1000, 3) + QStringLiteral("ms，legacy=")
              + (m_pagerLegacy ? QStringLiteral("true") : QStringLiteral("false")));
}

void TransitionFPSMeter::beginPagerSettle()
{
    if (!followsPager() || !m_timer.isActive())
        return;
    reportPagerPhase();
    m_pagerPhase = QStringLiteral("settle");
    m_pagerFrames.clear();
    m_pagerLastX.reset();
    m_pagerCommitCost = 0;
    m_pagerCommitMax = 0;
    m_pagerCommitCount = 0;
}

void TransitionFPSMeter::notePagerCommit(double cost)
{
    if (!followsPager() || !m_timer.isActive())
        return;
    ++m_pagerCommitCount;
    m_pagerCommitCost += cost;
    m_pagerCommitMax = std::max(m_pagerCommitMax, cost);
}

void TransitionFPSMeter::setPagerView(QObject* view, bool tracksBounds, std::function<std::optional<double>()> presentedX)
{
    m_pagerView = view;
    m_pagerTracksBounds = tracksBounds;
    m_pagerPresentedX = std::move(presentedX);
}

} // namespace corvanta
