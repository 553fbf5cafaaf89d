#pragma once

#include "Support/InputEvent.h"

#include <QPointF>

class QWindow;

namespace corvanta {

// What kind of widget lies at a point of a window (window coordinates, top-left origin): text
// fields and buttons take their own clicks, so a release on them is no blank click.
InputEvent::Element classifyWidgetAt(QWindow* window, const QPointF& point);

} // namespace corvanta
