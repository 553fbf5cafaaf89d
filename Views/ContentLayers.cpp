#include "Views/ContentLayers.h"

#include <QPainter>

namespace corvanta {

LayerSlot::LayerSlot(QGraphicsItem* parent) : QGraphicsObject(parent)
{
    setFlag(ItemHasNoContents);
}

void LayerSlot::setSize(const QSizeF& size)
{
    if (size == m_size)
        return;
    prepareGeometryChange();
    m_size = size;
    Q_EMIT sizeChanged();
}

ColorBackdrop::ColorBackdrop(QGraphicsItem* parent) : QGraphicsObject(parent) {}

void ColorBackdrop::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void ColorBackdrop::setSize(const QSizeF& size)
{
    if (size == m_size)
        return;
    prepareGeometryChange();
    m_size = size;
}

void ColorBackdrop::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    // Blended over what lies behind the window: the stored colour is usually translucent.
    painter->fillRect(boundingRect(), m_color);
}

} // namespace corvanta
