#include "Services/MultitouchFingerTracker.h"

#include "Platform/TouchpadFrameSource.h"
#include "Platform/TouchpadFrames.h"
#include "Support/Logger.h"
#include "Support/QtScheduler.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace corvanta {

namespace {

QPointF centroid(const QList<QPointF>& points)
{
    QPointF sum;
    for (const QPointF& p : points)
        sum += p;
    return points.isEmpty() ? sum : sum / double(points.size());
}

double distance(const QPointF& a, const QPointF& b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

QString joined(const QList<qint32>& values)
{
    QStringList out;
    for (const qint32 value : values)
        out << QString::number(value);
    return out.join(QLatin1Char(','));
}

// The first two records' 32-bit words up to the stride, each as its byte offset and its value
// read as a float: what the record layout looks like on this machine.
QString layoutDump(QByteArrayView records, int stride)
{
    QStringList groups;
    for (int index = 0; index < 2; ++index) {
        QStringList words;
        for (int offset = 0; offset + 4 <= stride; offset += 4) {
            const qsizetype at = qsizetype(index) * stride + offset;
            if (at + 4 > records.size())
                break;
            float value = 0;
            std::memcpy(&value, records.data() + at, sizeof value);
            words << QString::asprintf("+%d:%.4f", offset, double(value));
        }
        if (!words.isEmpty())
            groups << QLatin1Char('[') + words.join(QLatin1Char(' ')) + QLatin1Char(']');
    }
    return groups.join(QStringLiteral(" | "));
}

} // namespace

MultitouchFingerTracker::MultitouchFingerTracker(const Clock& clock, MainThreadPoster postToMain, std::unique_ptr<TouchpadFrameSource> source)
    : m_clock(clock), m_postToMain(std::move(postToMain)), m_source(std::move(source))
{
}

MultitouchFingerTracker::~MultitouchFingerTracker()
{
    stop();
}

MultitouchFingerTracker& MultitouchFingerTracker::shared()
{
    static MultitouchFingerTracker* tracker = new MultitouchFingerTracker(
        QtScheduler::shared().clock(),
        [](std::function<void()> work) {
            if (QCoreApplication* app = QCoreApplication::instance())
                QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
        },
        makeSystemTouchpadFrameSource());
    return *tracker;
}

void MultitouchFingerTracker::start()
{
    if (m_started || !m_source)
        return;
    QString why;
    if (!m_source->open(&why)) {
        CLOG_INFO(QStringLiteral("Touchpad frames unavailable (") + why + QStringLiteral(") — MT finger fallback unavailable"));
        return;
    }
    m_started = true;
    m_thread = std::thread([this] { frameLoop(); });
    CLOG_INFO(QStringLiteral("Multitouch finger tracker started — devices=%1").arg(m_source->deviceCount()));
}

void MultitouchFingerTracker::stop()
{
    if (!m_started.exchange(false))
        return;
    m_source->interrupt();
    if (m_thread.joinable())
        m_thread.join();
    m_source->close();
    std::lock_guard lock(m_lock);
    m_progressGate = false;
    m_prevPositions.clear();
    m_callbacks = {};
    m_recentFrames.clear();
}

void MultitouchFingerTracker::frameLoop()
{
    QByteArray records;
    int count = 0;
    while (m_started && m_source->nextFrame(records, count))
        handleFrame(records, count);
}

void MultitouchFingerTracker::setCallbacks(Callbacks callbacks)
{
    std::lock_guard lock(m_lock);
    m_callbacks = std::move(callbacks);
}

int MultitouchFingerTracker::latestFingerCount(double within) const
{
    const double now = m_clock.now();
    std::lock_guard lock(m_lock);
    if (m_recentFrames.empty())
        return 0;
    const RecentFrame& last = m_recentFrames.back();
    return within >= now - last.time ? last.count : 0;
}

void MultitouchFingerTracker::setProgressGate(bool open)
{
    std::lock_guard lock(m_lock);
    m_progressGate = open;
    if (open) {
        m_swipeAccumRadialMM = m_swipeAccumTotalMM = m_swipeAccumCentroidMM = 0;
        m_swipeNotified = m_pinchNotified = false;
    } else {
        m_prevPositions.clear();
    }
}

bool MultitouchFingerTracker::isProgressGateOpen() const
{
    std::lock_guard lock(m_lock);
    return m_progressGate;
}

void MultitouchFingerTracker::clearFingerPositions()
{
    std::lock_guard lock(m_lock);
    m_prevPositions.clear();
}

std::optional<int> MultitouchFingerTracker::calibratedStride() const
{
    const int stride = m_publishedStride;
    return stride > 0 ? std::optional<int>(stride) : std::nullopt;
}

void MultitouchFingerTracker::post(std::function<void()> work)
{
    if (!m_postToMain || !work)
        return;
    std::weak_ptr<int> alive = m_alive;
    m_postToMain([alive, work = std::move(work)] {
        if (alive.lock())
            work();
    });
}

void MultitouchFingerTracker::calibrate(QByteArrayView records, int count)
{
    if (m_stride || m_calibrationFailed || count < 3 || m_calibrationAttempts >= calibrationAttemptLimit)
        return;
    ++m_calibrationAttempts;
    if (const auto stride = TouchpadFrames::calibrateStride(records, count)) {
        m_stride = stride;
        m_publishedStride = *stride;
        m_geometryReliable = true;
        CLOG_INFO(QStringLiteral("MT stride calibrated — stride=%1（n=%2，frame 一致 + state/x/y 值域合法），径向几何判定启用").arg(*stride).arg(count));
        return;
    }
    if (m_calibrationAttempts >= calibrationAttemptLimit) {
        m_calibrationFailed = true;
        CLOG_INFO(QStringLiteral("MT stride calibration FAILED — 多指条目步长 30 帧未识别，径向几何判定永久停用（回退武装即吞旧路径）"));
    }
}

MultitouchFingerTracker::Step MultitouchFingerTracker::geometryStep(const QHash<qint32, QPointF>& current)
{
    Step step;
    QList<QPointF> now, before;
    QList<qint32> matched;
    for (auto it = current.cbegin(); it != current.cend(); ++it) {
        const auto prev = m_prevPositions.constFind(it.key());
        if (prev == m_prevPositions.cend())
            continue;
        matched << it.key();
        now << it.value();
        before << prev.value();
    }
    if (matched.isEmpty())
        return step;
    const QPointF c1 = centroid(now), c0 = centroid(before);
    double signedSum = 0, movement = 0;
    for (int i = 0; i < matched.size(); ++i) {
        const double r = millimetresPerUnit * (distance(now[i], c1) - distance(before[i], c0));
        m_swipeAccumRadialMM += std::abs(r);
        signedSum += r;
        movement += millimetresPerUnit * distance(now[i], before[i]);
    }
    m_swipeAccumTotalMM += movement;
    m_swipeAccumCentroidMM += millimetresPerUnit * distance(c1, c0);
    step.delta = std::abs(signedSum) / matched.size() / 10;

    if (!m_stride || m_swipeNotified || m_pinchNotified || m_swipeAccumTotalMM < 2.5)
        return step;
    const double share = m_swipeAccumRadialMM / std::max(m_swipeAccumTotalMM, 0.0001);
    if (m_swipeAccumCentroidMM >= 6)
        step.swipe = true;
    else if (share >= 0.45)
        step.pinch = true;
    else if (m_swipeAccumTotalMM >= 6 && share < 0.2)
        step.swipe = true;
    else if (m_swipeAccumTotalMM >= 8)
        step.swipe = true;
    if (step.swipe) {
        m_swipeNotified = true;
        step.delta = 0;
    } else if (step.pinch) {
        m_pinchNotified = true;
    }
    return step;
}

void MultitouchFingerTracker::handleFrame(QByteArrayView records, int count)
{
    if (count < 0)
        return;
    const double now = m_clock.now();
    if (count == 0) {
        std::function<void()> lifted;
        {
            std::lock_guard lock(m_lock);
            if (m_progressGate)
                lifted = m_callbacks.onFrameFingersLifted;
            m_progressGate = false;
            m_prevPositions.clear();
            m_recentFrames.clear();
        }
        post(std::move(lifted));
        return;
    }
    calibrate(records, count);

    // Until the record size is calibrated the positions are read at the default one: they give
    // progress steps, but no swipe or pinch is judged from them. Only records wholly inside the
    // frame are read.
    const int stride = m_stride.value_or(TouchpadFrames::defaultStride);
    QHash<qint32, QPointF> positions;
    QList<qint32> states;
    for (int i = 0; i < count; ++i) {
        const auto r = TouchpadFrames::readRecord(records, stride, i);
        if (!r)
            break;
        positions.insert(r->identifier, QPointF(r->x, r->y));
        states << r->state;
    }

    Step step;
    std::function<void(double)> onDelta;
    std::function<void()> onSwipe, onPinch;
    {
        std::lock_guard lock(m_lock);
        if (m_progressGate) {
            step = geometryStep(positions);
            m_prevPositions = positions;
        }
        m_recentFrames.push_back({now, count});
        while (!m_recentFrames.empty() && m_recentFrames.front().time < now - recentFrameWindow)
            m_recentFrames.pop_front();
        if (step.delta > 0.0005)
            onDelta = m_callbacks.onFrameProgressDelta;
        if (step.swipe)
            onSwipe = m_callbacks.onSwipeMotionDetected;
        if (step.pinch)
            onPinch = m_callbacks.onPinchMotionConfirmed;
    }
    if (onDelta)
        post([onDelta, delta = step.delta] { onDelta(delta); });
    post(std::move(onSwipe));
    post(std::move(onPinch));

    logDiagnostics(records, count, stride, states, now);
}

void MultitouchFingerTracker::logDiagnostics(QByteArrayView records, int count, int stride, const QList<qint32>& states, double now)
{
    const QString details = QStringLiteral("nFingers=%1, states=[%2]").arg(count).arg(joined(states));
    if (!m_dumpLogged && count >= 2) {
        m_dumpLogged = true;
        CLOG_INFO(QStringLiteral("MT layout dump (88B assumption) — ") + layoutDump(records, stride));
        return;
    }
    if (!m_liveLogged) {
        m_liveLogged = true;
        m_seenStates.unite(QSet<qint32>(states.cbegin(), states.cend()));
        CLOG_INFO(QStringLiteral("MT finger frames live — ") + details);
        return;
    }
    const bool unseen = std::any_of(states.cbegin(), states.cend(), [this](qint32 state) { return !m_seenStates.contains(state); });
    if (!unseen)
        return;
    m_seenStates.unite(QSet<qint32>(states.cbegin(), states.cend()));
    if (now - m_lastStateLogUptime > 0.5) {
        m_lastStateLogUptime = now;
        CLOG_INFO(QStringLiteral("MT state first seen — ") + details);
    }
}

} // namespace corvanta
