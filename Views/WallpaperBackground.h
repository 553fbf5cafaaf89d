#pragma once

#include <QGraphicsObject>
#include <QImage>
#include <QPixmap>
#include <QSizeF>

class QPropertyAnimation;

namespace corvanta {

class WallpaperStore;

// The backdrop behind the grid: a fixed dark gradient and, once the store has one, the blurred
// wallpaper scaled to cover the whole item. A new image fades in over the old one. The item asks
// the store for a refresh when it comes on screen and whenever its strength changes.
class WallpaperBackground : public QGraphicsObject {
    Q_OBJECT
    Q_PROPERTY(double blurStrength READ blurStrength WRITE setBlurStrength)
    Q_PROPERTY(qreal fadeProgress READ fadeProgress WRITE setFadeProgress)

public:
    static constexpr int kFadeMilliseconds = 350;

    WallpaperBackground(WallpaperStore& store, double blurStrength, QGraphicsItem* parent = nullptr);
    ~WallpaperBackground() override;

    QSizeF size() const { return m_size; }
    void setSize(const QSizeF& size);

    double blurStrength() const { return m_blurStrength; }
    void setBlurStrength(double strength);

    qreal fadeProgress() const { return m_fade; }
    void setFadeProgress(qreal progress);
    // The running cross-fade (tests step it by setting its current time).
    QPropertyAnimation* fadeAnimation() const { return m_fadeAnimation; }

    // The newest blurred picture as this item draws it, scaled to cover the item (made once per
    // picture and size, shared with the item's own painting), with its top left in item
    // coordinates; a null image while there is none. Glass over the backdrop crops from it.
    QImage coveringImage(QPointF* origin);

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    void imagePublished();
    void cameOnScreen();
    // An image and its copy scaled to cover the item, made once per image and size so that each
    // frame of a fade is a plain blit.
    struct Layer {
        QImage source;
        QPixmap scaled;
    };
    void drawCovering(QPainter* painter, Layer& layer, qreal opacity) const;
    QPointF scaleToCover(Layer& layer) const;
    void paintLayers(QPainter* painter);
    // At rest (no fade), the gradient and the image are drawn once into one pixmap of the item's
    // size, and each paint copies only the exposed part of it.
    const QPixmap& composed(double dpr);
    void dropComposed() { m_composed = QPixmap(); }
    QImage m_coveringImage;
    qint64 m_coveringKey = 0;

    WallpaperStore& m_store;
    double m_blurStrength;
    QSizeF m_size;
    Layer m_current;
    Layer m_previous;
    qreal m_fade = 1;
    QPixmap m_composed;
    QPropertyAnimation* m_fadeAnimation;
};

} // namespace corvanta
