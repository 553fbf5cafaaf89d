#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWindow>

#include <memory>

namespace corvanta {

// Puts native windows into a stacking order on the display server.
class StackingBackend {
public:
    virtual ~StackingBackend() = default;
    // The desktop's own dock and panel windows (they belong to the Dock level).
    virtual QList<WId> dockWindows() = 0;
    // Restacks the given windows, topmost first, and raises the first above every other window.
    virtual void restack(const QList<WId>& topToBottom) = 0;
    // Gives the window the keyboard focus.
    virtual void focus(QWindow* window) = 0;
};

// Our own window levels: X11 has none, so the overlay, the menu-bar cover and the panels above them
// bypass the window manager and this stack re-applies their order after every order-front.
class WindowStack : public QObject {
    Q_OBJECT
public:
    explicit WindowStack(std::unique_ptr<StackingBackend> backend, QObject* parent = nullptr);
    ~WindowStack() override;

    // The program's stack (X11 backend; no-op where there is no X display).
    static WindowStack& shared();

    // Registers the window (once) and sets its level; re-applies the order when it is shown.
    void setLevel(QWindow* window, int level);
    int level(const QWindow* window) const;

    // Shows the window on top of its level and restacks.
    void orderFront(QWindow* window);
    // As orderFront, and gives it the keyboard focus.
    void makeKeyAndOrderFront(QWindow* window);
    // Hides the window; it stays registered with its level.
    void orderOut(QWindow* window);

    // Re-applies the order of the shown windows to the display server.
    void restack();

    // The shown, registered windows from bottom to top.
    QList<QWindow*> orderedWindows() const;

private:
    struct Entry {
        QPointer<QWindow> window;
        int level = 0;
        quint64 sequence = 0; // raised at each order-front: later is higher within a level
    };
    Entry* find(const QWindow* window);
    const Entry* find(const QWindow* window) const;

    std::unique_ptr<StackingBackend> m_backend;
    QList<Entry> m_entries;
    quint64 m_sequence = 0;
};

} // namespace corvanta
