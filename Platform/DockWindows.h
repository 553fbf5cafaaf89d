#pragma once

#include <QList>
#include <QRectF>

namespace corvanta {

// The windows the desktop's Dock shows, as the window server reports them.
class DockWindowSource {
public:
    virtual ~DockWindowSource() = default;
    // Their bounds in the window server's space: origin at the primary screen's top left, y down.
    virtual QList<QRectF> dockWindowBounds() = 0;
    // Whether one of them takes files dropped on it (then a drag of a bundle can pin it).
    virtual bool acceptsDroppedFiles() { return false; }
};

// On X11 the Dock's windows are the mapped windows of type _NET_WM_WINDOW_TYPE_DOCK.
class X11DockWindowSource final : public DockWindowSource {
public:
    QList<QRectF> dockWindowBounds() override;
    bool acceptsDroppedFiles() override;
};

} // namespace corvanta
