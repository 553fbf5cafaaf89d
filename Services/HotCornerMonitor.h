#pragma once

#include "Models/LayoutConfig.h"

#include <QList>
#include <QMetaObject>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <vector>

namespace corvanta {

class PointerWatcher;
class ScreenProvider;

// Toggles the overlay when the pointer reaches the chosen corner of any screen: one point per
// screen in the global space (origin bottom left), a 3-point square around each, and a latch that
// fires once per visit and re-arms when the pointer leaves the square. Main thread only.
class HotCornerMonitor {
public:
    static constexpr double hitTolerance = 3;

    HotCornerMonitor(PointerWatcher& pointer, ScreenProvider& screens, std::function<bool()> isTrusted = {});
    ~HotCornerMonitor();
    HotCornerMonitor(const HotCornerMonitor&) = delete;
    HotCornerMonitor& operator=(const HotCornerMonitor&) = delete;

    // The corner point of each screen frame, in order; empty for `none`.
    static std::vector<QPointF> cornerPoints(HotCorner corner, const QList<QRectF>& screenFrames);

    // Stops whatever runs, keeps `corner` and, unless it is `none`, starts watching.
    void start(HotCorner corner);
    // Leaves the corner as it is.
    void stop();

    // The hit test for one pointer position.
    void handleMouseMoved(const QPointF& pointer);

    HotCorner corner() const { return m_corner; }
    const std::vector<QPointF>& cornerPositions() const { return m_positions; }
    bool isTriggered() const { return m_triggered; }
    bool isWatching() const { return m_watching; }

    std::function<void()> onHit;

private:
    void recomputeCornerPositions();

    PointerWatcher& m_pointer;
    ScreenProvider& m_screens;
    std::function<bool()> m_isTrusted;
    HotCorner m_corner = HotCorner::none;
    std::vector<QPointF> m_positions;
    bool m_triggered = false;
    bool m_watching = false;
    QMetaObject::Connection m_screenObserver;
};

} // namespace corvanta
