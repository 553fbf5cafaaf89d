#include "Views/LayerItem.h"

#include "Views/LayerAnimation.h"

#include <QGraphicsEffect>
#include <QGraphicsScene>
#include <QPainter>
#include <QPixmapCache>

namespace corvanta {

namespace {

// Draws the layer's subtree from one bitmap in item coordinates, at the opacity and scale the
// layer presents. Qt keeps that bitmap until the content changes; it would also throw it away on
// every change of the item's own opacity or transform, so while rasterised the layer leaves
// those at rest and presents its values here.
class RasterizeEffect final : public QGraphicsEffect {
public:
    explicit RasterizeEffect(const LayerItem& layer) : m_layer(layer) {}

protected:
    void draw(QPainter* painter) override
    {
        // The bitmap is made even while nothing shows yet: a show's first frame (the window's
        // expose, its layer still transparent) then makes it, rather than the next frame, which
        // would come late by the time it takes.
        const double opacity = m_layer.presentationOpacity();
        QPoint offset;
        const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::PadToEffectiveBoundingRect);
        if (pixmap.isNull() || opacity <= 0)
            return;
        painter->save();
        painter->setOpacity(painter->opacity() * opacity);
        painter->setTransform(m_layer.presentationTransform(), true);
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawPixmap(offset, pixmap);
        painter->restore();
    }

private:
    const LayerItem& m_layer;
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
        applyPresentedOpacity(opacity);
}

double LayerItem::presentationOpacity() const
{
    return m_rasterized ? m_presentedOpacity : opacity();
}

double LayerItem::presentationScale() const
{
    return m_rasterized ? m_presentedScale : transform().m11();
}

QTransform LayerItem::presentationTransform() const
{
    return m_rasterized ? anchoredScale(m_presentedScale, m_anchor) : transform();
}

void LayerItem::applyPresentedOpacity(double opacity)
{
    if (!m_rasterized) {
        setOpacity(opacity);
        return;
    }
    if (opacity != m_presentedOpacity) {
        m_presentedOpacity = opacity;
        repaintRasterized();
    }
}

void LayerItem::repaintRasterized()
{
    // Straight to the views: an update of the item itself would throw the bitmap away.
    if (QGraphicsScene* s = scene())
        s->update(mapRectToScene(boundingRect()));
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
    if (!m_rasterized) {
        setTransform(anchoredScale(scale, m_anchor));
        return;
    }
    if (scale != m_presentedScale) {
        m_presentedScale = scale;
        repaintRasterized();
    }
}

void LayerItem::snapToModel(Property property)
{
    if (property == Property::opacity)
        applyPresentedOpacity(m_modelOpacity);
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
            applyPresentedOpacity(value);
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
        applyPresentedOpacity(animation->presentedValue());
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
    if (on) {
        m_presentedOpacity = opacity();
        m_presentedScale = transform().m11();
        setOpacity(1);
        setTransform(QTransform());
        m_rasterized = true;
        // The bitmap lives in Qt's pixmap cache: make room for one of the whole layer beside
        // what is there already, or it is drawn again on every frame.
        const QSizeF pixels = boundingRect().size() * scale;
        const int kilobytes = int(pixels.width() * pixels.height() * 4 / 1024) + 1;
        if (QPixmapCache::cacheLimit() < kMinimumPixmapCacheKB + 2 * kilobytes)
            QPixmapCache::setCacheLimit(kMinimumPixmapCacheKB + 2 * kilobytes);
        setGraphicsEffect(new RasterizeEffect(*this));
        return;
    }
    m_rasterized = false;
    setGraphicsEffect(nullptr);
    setOpacity(m_presentedOpacity);
    setTransform(anchoredScale(m_presentedScale, m_anchor));
}

} // namespace corvanta
