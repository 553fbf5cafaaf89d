#pragma once

#include <QPointF>
#include <QRectF>

namespace corvanta {

// Converts between Qt's desktop space (origin top left of the virtual desktop, y down) and the
// global space the shell works in (origin bottom left of the primary screen, y up). Nothing outside
// Platform/ sees Qt's space.
class ScreenSpace {
public:
    ScreenSpace() = default;
    // `primaryGeometry` is the primary screen's rectangle in Qt's space.
    explicit ScreenSpace(const QRectF& primaryGeometry) : m_primary(primaryGeometry) {}

    QRectF toGlobal(const QRectF& qt) const
    {
        return {qt.x() - m_primary.x(), m_primary.y() + m_primary.height() - qt.y() - qt.height(), qt.width(), qt.height()};
    }
    QRectF toQt(const QRectF& global) const
    {
        return {global.x() + m_primary.x(), m_primary.y() + m_primary.height() - global.y() - global.height(), global.width(),
                global.height()};
    }
    QPointF toGlobal(const QPointF& qt) const { return {qt.x() - m_primary.x(), m_primary.y() + m_primary.height() - qt.y()}; }
    QPointF toQt(const QPointF& global) const
    {
        return {global.x() + m_primary.x(), m_primary.y() + m_primary.height() - global.y()};
    }

    QRectF primaryGeometry() const { return m_primary; }

private:
    QRectF m_primary;
};

} // namespace corvanta
