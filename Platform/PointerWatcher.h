#pragma once

#include <QPointF>

#include <functional>
#include <memory>

namespace corvanta {

// Pointer movement anywhere on the desktop, over every program's windows, reported as the
// pointer's position in the global space (origin bottom left). Delivered on the main thread at
// most once per turn of the event loop, and only while the pointer moves.
class PointerWatcher {
public:
    virtual ~PointerWatcher() = default;
    // False when the desktop does not report pointer movement to us.
    virtual bool start(std::function<void(const QPointF& position)> onMoved) = 0;
    virtual void stop() = 0;
    virtual bool isWatching() const = 0;
};

// XInput 2 raw motion on the X root window; a stand-in that watches nothing elsewhere.
std::unique_ptr<PointerWatcher> makeSystemPointerWatcher();

} // namespace corvanta
