#include "Views/LayerItem.h"

#include "Views/LayerAnimation.h"

#include <QGraphicsEffect>
#include <QPainter>

namespace corvanta {

namespace {

// Draws the layer's subtree from one bitmap in item coordinates; Qt keeps that bitmap until the
// content changes, so fades and scales only composite it.
class RasterizeEffect final : public QGraphicsEffect {
public:
    using QGraphicsEffect::QGraphicsEffect;

protected:
    void draw(QPainter* painter) override
    {
        QPoint offset;
        const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::PadToEffectiveBoundingRect);
        if (pixmap.isNull())
            return;
        painter->save();
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawPixmap(offset, pixmap);
        painter->restore();
    }
};

} // namespace

LayerItem::LayerItem(QGraphicsItem* parent) : QGraphicsObject(parent)
{
    setFlag(ItemHasNoContents);
}

LayerItem::~LayerItem() = default; // the animations are child objects

void LayerItem::setBounds(const QRectF& bounds)
{
    if (bounds == m_bounds)
        return;
    prepareGeometryChange();
    m_bounds = bounds;
}

QTransform LayerItem::anchoredScale(double scale, const QPointF& anchor)
{
    if (scale == 1)
        return {};
    // Translate the anchor to the origin, scale, translate back.
    return QTransform::fromTranslate(-anchor.x(), -anchor.y()) * QTransform::fromScale(scale, scale)
           * QTransform::fromTranslate(anchor.x(), anchor.y());
}

bool LayerItem::isAnimating(Property property) const
{
    for (const Running& r : m_animations)
        if (r.property == property && r.animation && r.animation->isRunning())
            return true;
    return false;
}

void LayerItem::setModelOpacity(double opacity)
{
    m_modelOpacity = opacity;
    if (!isAnimating(Property::opacity))
        setOpacity(opacity);
}

void LayerItem::setModelScale(double scale, const QPointF& anchor)
{
    m_modelScale = scale;
    m_anchor = anchor;
    if (!isAnimating(Property::scale))
        applyPresentedScale(scale);
}

void LayerItem::applyPresentedScale(double scale)
{
    setTransform(anchoredScale(scale, m_anchor));
}

void LayerItem::snapToModel(Property property)
{
    if (property == Property::opacity)
        setOpacity(m_modelOpacity);
    else
        applyPresentedScale(m_modelScale);
}

void LayerItem::addAnimation(const QString& key, Property property, LayerAnimation* animation)
{
    removeAnimation(key);
    if (!animation)
        return;
    animation->setParent(this);
    m_animations.insert(key, {property, animation});
    connect(animation, &LayerAnimation::presentedValueChanged, this, [this, property](double value) {
        if (property == Property::opacity)
            setOpacity(value);
        else
            applyPresentedScale(value);
    });
    // Finished animations are removed, so the model value shows from then on.
    connect(animation, &LayerAnimation::completed, this, [this, key, animation] {
        const auto it = m_animations.constFind(key);
        if (it != m_animations.constEnd() && it->animation == animation)
            removeAnimation(key);
    });
    animation->begin();
    if (property == Property::opacity)
        setOpacity(animation->presentedValue());
    else
        applyPresentedScale(animation->presentedValue());
}

void LayerItem::removeAnimation(const QString& key)
{
    const auto it = m_animations.find(key);
    if (it == m_animations.end())
        return;
    const Running running = *it;
    m_animations.erase(it);
    if (running.animation) {
        running.animation->cancel();
        running.animation->disconnect(this);
        running.animation->deleteLater(); // it may be the one calling us
    }
    snapToModel(running.property);
}

LayerAnimation* LayerItem::animation(const QString& key) const
{
    const auto it = m_animations.constFind(key);
    return it == m_animations.constEnd() ? nullptr : it->animation.data();
}

void LayerItem::setValue(const QString& key, const QVariant& value)
{
    if (value.isValid())
        m_values.insert(key, value);
    else
        m_values.remove(key);
}

void LayerItem::setRasterized(bool on, double scale)
{
    m_rasterizationScale = scale;
    if (on == m_rasterized)
        return;
    m_rasterized = on;
    setGraphicsEffect(on ? new RasterizeEffect : nullptr);
}

} // namespace corvanta
