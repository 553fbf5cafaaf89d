#pragma once

#include "Platform/PointerWatcher.h"
#include "Platform/X11InputConnection.h"

namespace corvanta {

// Listens to XInput 2 raw motion on the root window: the server reports every movement of every
// pointer device, whatever window is under it, and nothing while the pointer rests. After each
// batch of events the position is queried once.
class X11PointerWatcher final : public PointerWatcher {
public:
    explicit X11PointerWatcher(const QByteArray& displayName = {}) : m_x(0, displayName) {}

    bool start(std::function<void(const QPointF& position)> onMoved) override;
    void stop() override;
    bool isWatching() const override { return m_x.isListening(); }

private:
    void reportPosition();

    X11InputConnection m_x;
    std::function<void(const QPointF&)> m_onMoved;
    bool m_moved = false;
};

} // namespace corvanta
