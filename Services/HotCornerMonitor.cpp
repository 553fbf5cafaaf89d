#include "Services/HotCornerMonitor.h"

#include "Platform/PointerWatcher.h"
#include "Platform/ScreenProvider.h"
#include "Support/LogFormat.h"
#include "Support/Logger.h"

#include <cmath>

namespace corvanta {

HotCornerMonitor::HotCornerMonitor(PointerWatcher& pointer, ScreenProvider& screens, std::function<bool()> isTrusted)
    : m_pointer(pointer), m_screens(screens), m_isTrusted(std::move(isTrusted))
{
}

HotCornerMonitor::~HotCornerMonitor()
{
    stop();
}

std::vector<QPointF> HotCornerMonitor::cornerPoints(HotCorner corner, const QList<QRectF>& screenFrames)
{
    std::vector<QPointF> points;
    if (corner == HotCorner::none)
        return points;
    for (const QRectF& f : screenFrames) {
        // Right-hand corners sit on the last column of points; top corners on the top edge itself.
        switch (corner) {
        case HotCorner::topLeft:
            points.emplace_back(f.left(), f.top() + f.height());
            break;
        case HotCorner::topRight:
            points.emplace_back(f.left() + f.width() - 1, f.top() + f.height());
            break;
        case HotCorner::bottomLeft:
            points.emplace_back(f.left(), f.top());
            break;
        case HotCorner::bottomRight:
            points.emplace_back(f.left() + f.width() - 1, f.top());
            break;
        case HotCorner::none:
            break;
        }
    }
    return points;
}

void HotCornerMonitor::recomputeCornerPositions()
{
    QList<QRectF> frames;
    for (const DisplayScreen& screen : m_screens.screens())
        frames << screen.frame;
    m_positions = cornerPoints(m_corner, frames);
}

void HotCornerMonitor::start(HotCorner corner)
{
    stop();
    m_corner = corner;
    if (corner == HotCorner::none)
        return;
    recomputeCornerPositions();
    m_screenObserver = QObject::connect(&m_screens, &ScreenProvider::screensChanged, [this] { recomputeCornerPositions(); });
    const bool tap = m_pointer.start([this](const QPointF& position) { handleMouseMoved(position); });
    m_watching = true;
    if (!tap)
        CLOG_WARN(QStringLiteral("触控角 CGEventTap 创建失败（多半缺辅助功能权限）"));
    CLOG_INFO(QStringLiteral("触控角监听已安装 — corner=%1，角点=%2，CGEventTap=%3").arg(caseName(corner)).arg(m_positions.size()).arg(logBool(tap)));
    if (!tap && m_isTrusted && !m_isTrusted())
        CLOG_WARN(QStringLiteral("触控角 CGEventTap 未装上且未授权辅助功能 — 隐藏待命时可能无法撞角唤出"));
}

void HotCornerMonitor::stop()
{
    m_pointer.stop();
    QObject::disconnect(m_screenObserver);
    m_screenObserver = {};
    m_positions.clear();
    m_triggered = false;
    m_watching = false;
}

void HotCornerMonitor::handleMouseMoved(const QPointF& pointer)
{
    if (m_corner == HotCorner::none || m_positions.empty())
        return;
    for (const QPointF& point : m_positions) {
        if (std::abs(point.x() - pointer.x()) > hitTolerance || std::abs(point.y() - pointer.y()) > hitTolerance)
            continue;
        if (m_triggered)
            return;
        m_triggered = true;
        CLOG_INFO(QStringLiteral("触控角命中 — corner=%1，mouse=(%2, %3)").arg(caseName(m_corner), logNumber(pointer.x()), logNumber(pointer.y())));
        if (onHit)
            onHit();
        return;
    }
    m_triggered = false;
}

} // namespace corvanta
