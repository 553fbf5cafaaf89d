#pragma once

#include "Platform/PointerWatcher.h"

#include <QPointF>

namespace corvanta::test {

// The pointer moves only when the test says so.
class FakePointerWatcher final : public PointerWatcher {
public:
    bool start(std::function<void(const QPointF&)> onMoved) override
    {
        handler = std::move(onMoved);
        ++starts;
        return available;
    }
    void stop() override { handler = nullptr; }
    bool isWatching() const override { return bool(handler); }
    void move(double x, double y)
    {
        if (handler)
            handler(QPointF(x, y));
    }

    std::function<void(const QPointF&)> handler;
    bool available = true;
    int starts = 0;
};

} // namespace corvanta::test
