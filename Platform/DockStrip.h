#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>

#include <optional>

namespace corvanta {

// Where the Dock lies on one screen. Rectangles and points are in the global space (origin bottom
// left, y up), like DisplayScreen's.
namespace DockStrip {

// The Dock's area from the screen's frame and visible frame: the bottom, left or right band the
// visible frame leaves out (more than 1 pt), checked in that order; none when the Dock is hidden.
std::optional<QRectF> strip(const QRectF& frame, const QRectF& visibleFrame);

// The screen's visible frame as the desktop's Dock windows leave it: each Dock window lying on the
// screen's bottom, left or right edge takes its band away. Top bars are panels, not the Dock.
QRectF visibleFrameBeside(const QRectF& frame, const QList<QRectF>& dockWindows);

// Whether a drop at `point` goes to the Dock: inside the strip. Without a strip there is no zone:
// a screen edge is no Dock where the desktop shows none, and a drop there would pin to nothing.
bool dropZoneContains(const QPointF& point, const std::optional<QRectF>& strip);

// Window-server rectangles (origin top left of the primary screen, y down) in the global space,
// for a primary screen `primaryHeight` tall.
QList<QRectF> toGlobal(const QList<QRectF>& windowServerRects, double primaryHeight);

} // namespace DockStrip

} // namespace corvanta
