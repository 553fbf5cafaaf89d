#pragma once

#include "Models/LayoutConfig.h"

#include <QGraphicsObject>
#include <QSizeF>

#include <optional>

class QGraphicsRectItem;

namespace corvanta {

class WallpaperBackground;
class WallpaperStore;

// The strip's content: the top `stripHeight` of the grid's full-screen background, so the top of
// the screen looks like part of the overlay, with the modal scrim over it.
class MenuBarCoverView : public QGraphicsObject {
    Q_OBJECT
public:
    // `store`: the wallpaper behind the blur and wallpaper backgrounds (none: the gradient only).
    MenuBarCoverView(const QSizeF& contentSize, double stripHeight, WallpaperStore* store, QGraphicsItem* parent = nullptr);

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    QSizeF contentSize() const { return m_contentSize; }
    double stripHeight() const { return m_stripHeight; }

    // The grid's background settings.
    void setBackground(BackgroundType type, double blurStrength, const QString& backgroundColor);
    WallpaperBackground* wallpaperBackground() const { return m_wallpaper; }

    // What the shell presents: the finger-driven progress (none outside a pinch), whether the grid
    // is presented, the modal scrim, and whether the layer transition animates the strip.
    void setInteractiveProgress(std::optional<double> progress);
    void setPresented(bool presented);
    void setModalScrimOpacity(double opacity);
    void setLayerTransitionEnabled(bool enabled);

    // The strip's own opacity from the state above.
    double stripContentOpacity() const;
    double modalScrimOpacity() const { return m_scrimOpacity; }

private:
    void applyOpacity();

    QSizeF m_contentSize;
    double m_stripHeight;
    WallpaperStore* m_store;
    BackgroundType m_type = BackgroundType::blur;
    double m_blurStrength = 0.8;
    QString m_color;
    WallpaperBackground* m_wallpaper = nullptr;
    QGraphicsRectItem* m_scrim;
    std::optional<double> m_interactiveProgress;
    bool m_layerTransition = true;
    double m_stripOpacity = 0;
    double m_scrimOpacity = 0;
};

} // namespace corvanta
