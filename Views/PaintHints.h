#pragma once

#include <QPainter>
#include <QTransform>

namespace corvanta {

// Under a plain translation a pixmap is copied (at whole pixels), not filtered: a smooth draw at
// a fractional offset resamples every pixel and hands the rows to Qt's drawing threads, which for
// a grid of small icons costs more in waking them than in drawing. Scaled or rotated drawing
// (a merge lift, a jiggle, the transition's scale) stays smooth.
inline void smoothOnlyWhenTransformed(QPainter& painter)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform, painter.transform().type() > QTransform::TxTranslate);
}

} // namespace corvanta
