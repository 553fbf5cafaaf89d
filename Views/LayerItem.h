#pragma once

#include <QGraphicsObject>
#include <QHash>
#include <QPointer>
#include <QVariant>

namespace corvanta {

class LayerAnimation;

// The root item of a window's scene: the window's content layer. It keeps a model value for its
// opacity and its scale about an anchor, and what it presents: while an animation runs under a key,
// the animation drives the presented value; removing it snaps back to the model value.
class LayerItem : public QGraphicsObject {
    Q_OBJECT
public:
    enum class Property { opacity, scale };

    explicit LayerItem(QGraphicsItem* parent = nullptr);
    ~LayerItem() override;

    QRectF boundingRect() const override { return m_bounds; }
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}
    void setBounds(const QRectF& bounds);

    // Model values.
    void setModelOpacity(double opacity);
    void setModelScale(double scale, const QPointF& anchor);
    double modelOpacity() const { return m_modelOpacity; }
    double modelScale() const { return m_modelScale; }
    QPointF anchor() const { return m_anchor; }

    // What is on screen now.
    double presentationOpacity() const;
    double presentationScale() const;
    QTransform presentationTransform() const;

    // Starts `animation` of `property` under `key`, replacing what ran under that key.
    void addAnimation(const QString& key, Property property, LayerAnimation* animation);
    void removeAnimation(const QString& key);
    LayerAnimation* animation(const QString& key) const;

    // Free key-value storage (the transition keeps its rasterisation token here).
    QVariant value(const QString& key) const { return m_values.value(key); }
    void setValue(const QString& key, const QVariant& value);

    // While rasterised, the layer and everything in it are drawn from one cached bitmap, which
    // its own fade and scale do not redraw; only a change inside it does.
    void setRasterized(bool on, double scale = 1);
    bool isRasterized() const { return m_rasterized; }
    double rasterizationScale() const { return m_rasterizationScale; }

    // The anchored scale: about `anchor`, identity for 1.
    static QTransform anchoredScale(double scale, const QPointF& anchor);

private:
    struct Running {
        Property property;
        QPointer<LayerAnimation> animation;
    };
    void applyPresentedOpacity(double opacity);
    void applyPresentedScale(double scale);
    void repaintRasterized();
    void snapToModel(Property property);
    bool isAnimating(Property property) const;

    QRectF m_bounds;
    double m_modelOpacity = 1;
    double m_modelScale = 1;
    QPointF m_anchor;
    QHash<QString, Running> m_animations;
    QHash<QString, QVariant> m_values;
    bool m_rasterized = false;
    double m_rasterizationScale = 1;
    // While rasterised: what the layer presents (the item itself stays at opacity 1, unscaled).
    double m_presentedOpacity = 1;
    double m_presentedScale = 1;
    // Qt's own default; the layer's bitmap comes on top.
    static constexpr int kMinimumPixmapCacheKB = 10240;
};

} // namespace corvanta
