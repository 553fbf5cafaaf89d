#pragma once

#include "Support/InputEvent.h"

#include <QPoint>

class QGraphicsView;

namespace corvanta {

// What kind of element of a graphics view's scene lies under a point of its viewport: text fields
// (line edits, editable text items), buttons and scroll views keep their own mouse handling.
InputEvent::Element elementAt(const QGraphicsView& view, const QPoint& viewportPos);

} // namespace corvanta
