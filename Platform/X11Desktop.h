#pragma once

#include <QList>
#include <QRect>
#include <QWindow>

#include <functional>

typedef struct _XDisplay Display;

namespace corvanta::X11Desktop {

// Qt's own X connection (so our requests are ordered with Qt's), or null when Qt does not run on X.
Display* display();

struct TopLevel {
    unsigned long window = 0; // the top-level window (the window manager's frame when reparented)
    QRect geometry;           // in root coordinates
};

// Mapped windows whose type is _NET_WM_WINDOW_TYPE_DOCK (the desktop's dock and panels).
QList<TopLevel> dockWindows(Display* display);

// Whether a top-level window (or the client inside it) takes drag-and-drop drops (XdndAware).
bool acceptsDrops(Display* display, unsigned long window);

// The child of the root window that holds `window` (itself when it is not reparented).
unsigned long topLevelOf(Display* display, unsigned long window);

// Gives a mapped window the keyboard focus (windows that bypass the window manager must take it).
void focusWindow(Display* display, unsigned long window);

// Maps an unmapped window of ours, runs `draw` (requests on Qt's connection), waits until the
// server has carried them out and unmaps the window again. The window's owner is not told: to Qt
// the window stays hidden.
void mapWhileDrawing(Display* display, unsigned long window, const std::function<void()>& draw);

// Whether a compositing manager owns the default screen (translucent windows blend with the desktop).
bool isCompositing(Display* display);

} // namespace corvanta::X11Desktop
