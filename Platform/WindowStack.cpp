#include "Platform/WindowStack.h"

#include "Platform/WindowLevels.h"
#include "Platform/X11StackingBackend.h"

#include <algorithm>

namespace corvanta {

WindowStack::WindowStack(std::unique_ptr<StackingBackend> backend, QObject* parent)
    : QObject(parent), m_backend(std::move(backend))
{
}

WindowStack::~WindowStack() = default;

WindowStack& WindowStack::shared()
{
    static WindowStack* stack = new WindowStack(std::make_unique<X11StackingBackend>());
    return *stack;
}

WindowStack::Entry* WindowStack::find(const QWindow* window)
{
    for (Entry& e : m_entries)
        if (e.window == window)
            return &e;
    return nullptr;
}

const WindowStack::Entry* WindowStack::find(const QWindow* window) const
{
    return const_cast<WindowStack*>(this)->find(window);
}

void WindowStack::setLevel(QWindow* window, int level)
{
    if (!window)
        return;
    m_entries.removeIf([](const Entry& e) { return e.window.isNull(); });
    if (Entry* e = find(window)) {
        e->level = level;
    } else {
        m_entries.append({window, level, ++m_sequence});
        // The window manager does not stack these windows; a show from anywhere must restack.
        connect(window, &QWindow::visibleChanged, this, [this](bool visible) {
            if (visible)
                restack();
        });
    }
    restack();
}

int WindowStack::level(const QWindow* window) const
{
    const Entry* e = find(window);
    return e ? e->level : WindowLevel::normal;
}

void WindowStack::orderFront(QWindow* window)
{
    if (!window)
        return;
    if (!find(window))
        setLevel(window, WindowLevel::normal);
    find(window)->sequence = ++m_sequence;
    if (!window->isVisible())
        window->setVisible(true); // the visibility signal restacks
    else
        restack();
}

void WindowStack::makeKeyAndOrderFront(QWindow* window)
{
    orderFront(window);
    if (window) {
        window->requestActivate();
        if (m_backend)
            m_backend->focus(window);
    }
}

void WindowStack::orderOut(QWindow* window)
{
    if (window && window->isVisible())
        window->setVisible(false);
}

QList<QWindow*> WindowStack::orderedWindows() const
{
    QList<const Entry*> shown;
    for (const Entry& e : m_entries)
        if (e.window && e.window->isVisible())
            shown.append(&e);
    std::stable_sort(shown.begin(), shown.end(), [](const Entry* a, const Entry* b) {
        return a->level != b->level ? a->level < b->level : a->sequence < b->sequence;
    });
    QList<QWindow*> out;
    for (const Entry* e : shown)
        out.append(e->window.data());
    return out;
}

void WindowStack::restack()
{
    if (!m_backend)
        return;
    const QList<QWindow*> order = orderedWindows();
    if (order.isEmpty())
        return;
    // Topmost first; the desktop's dock windows go between the levels below and above the Dock.
    QList<WId> topToBottom;
    bool dockPlaced = false;
    const QList<WId> docks = m_backend->dockWindows();
    for (auto it = order.crbegin(); it != order.crend(); ++it) {
        if (!dockPlaced && level(*it) < WindowLevel::dock) {
            topToBottom.append(docks);
            dockPlaced = true;
        }
        topToBottom.append((*it)->winId());
    }
    m_backend->restack(topToBottom);
}

} // namespace corvanta
