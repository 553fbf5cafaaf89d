#pragma once

#include "Platform/DockWindows.h"
#include "Platform/ScreenProvider.h"
#include "Platform/WindowStack.h"

#include <memory>

namespace corvanta::test {

// Screens and a pointer the test sets.
class FakeScreenProvider final : public ScreenProvider {
public:
    QList<DisplayScreen> all;
    std::optional<DisplayScreen> main;
    QPointF mouse;

    QList<DisplayScreen> screens() const override { return all; }
    std::optional<DisplayScreen> mainScreen() const override { return main; }
    QPointF mouseLocation() const override { return mouse; }
};

inline DisplayScreen makeScreen(const QString& name, const QRectF& frame, double menuBar = 24)
{
    DisplayScreen s;
    s.name = name;
    s.frame = frame;
    s.visibleFrame = QRectF(frame.x(), frame.y(), frame.width(), frame.height() - menuBar);
    return s;
}

class FakeDockWindows final : public DockWindowSource {
public:
    QList<QRectF> bounds;
    int reads = 0;
    QList<QRectF> dockWindowBounds() override
    {
        ++reads;
        return bounds;
    }
};

// Records what the stack asks of the display server.
class FakeStackingBackend final : public StackingBackend {
public:
    struct Log {
        QList<QList<WId>> restacks;
        QList<WId> docks;
        QList<QWindow*> focused;
    };
    explicit FakeStackingBackend(std::shared_ptr<Log> log) : m_log(std::move(log)) {}
    QList<WId> dockWindows() override { return m_log->docks; }
    void restack(const QList<WId>& topToBottom) override { m_log->restacks.append(topToBottom); }
    void focus(QWindow* window) override { m_log->focused.append(window); }

private:
    std::shared_ptr<Log> m_log;
};

// A window stack whose display-server side is recorded.
struct RecordedStack {
    std::shared_ptr<FakeStackingBackend::Log> log = std::make_shared<FakeStackingBackend::Log>();
    WindowStack stack{std::make_unique<FakeStackingBackend>(log)};
};

} // namespace corvanta::test
