#include "Views/MenuBarCoverView.h"

#include "Models/ColorCodec.h"
#include "Views/WallpaperBackground.h"

#include <QBrush>
#include <QGraphicsRectItem>
#include <QPainter>
#include <QPen>

namespace corvanta {

MenuBarCoverView::MenuBarCoverView(const QSizeF& contentSize, double stripHeight, WallpaperStore* store, QGraphicsItem* parent)
    : QGraphicsObject(parent),
      m_contentSize(contentSize),
      m_stripHeight(stripHeight),
      m_store(store),
      m_scrim(new QGraphicsRectItem(QRectF(QPointF(0, 0), contentSize), this))
{
    // The background is laid out at full-screen size, top aligned; the strip shows its top.
    setFlag(ItemClipsChildrenToShape);
    m_scrim->setBrush(Qt::black);
    m_scrim->setPen(Qt::NoPen);
    m_scrim->setZValue(1);
    m_scrim->setAcceptedMouseButtons(Qt::NoButton);
    m_scrim->setVisible(false);
    setBackground(m_type, m_blurStrength, m_color);
    applyOpacity();
}

QRectF MenuBarCoverView::boundingRect() const
{
    return {0, 0, m_contentSize.width(), m_stripHeight};
}

QPainterPath MenuBarCoverView::shape() const
{
    QPainterPath path;
    path.addRect(boundingRect());
    return path;
}

void MenuBarCoverView::setBackground(BackgroundType type, double blurStrength, const QString& backgroundColor)
{
    m_type = type;
    m_blurStrength = blurStrength;
    m_color = backgroundColor;
    const bool usesWallpaper = type != BackgroundType::color && m_store;
    if (usesWallpaper) {
        const double strength = type == BackgroundType::wallpaper ? 0 : blurStrength;
        if (!m_wallpaper) {
            m_wallpaper = new WallpaperBackground(*m_store, strength, this);
            m_wallpaper->setSize(m_contentSize);
        } else {
            m_wallpaper->setBlurStrength(strength);
        }
    } else if (m_wallpaper) {
        delete m_wallpaper;
        m_wallpaper = nullptr;
    }
    update();
}

void MenuBarCoverView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    if (m_wallpaper)
        return; // the wallpaper item paints the background
    const QRectF full(QPointF(0, 0), m_contentSize);
    if (m_type == BackgroundType::color) {
        painter->fillRect(full.intersected(boundingRect()), colorFromHex(m_color));
        return;
    }
    // No wallpaper to draw from: the dark gradient the wallpaper would lie on.
    QLinearGradient gradient(full.topLeft(), full.bottomLeft());
    gradient.setColorAt(0, QColor(24, 26, 34));
    gradient.setColorAt(1, QColor(8, 9, 12));
    painter->fillRect(full.intersected(boundingRect()), gradient);
}

void MenuBarCoverView::setInteractiveProgress(std::optional<double> progress)
{
    m_interactiveProgress = progress;
    applyOpacity();
}

void MenuBarCoverView::setPresented(bool presented)
{
    m_stripOpacity = presented ? 1 : 0;
    applyOpacity();
}

void MenuBarCoverView::setModalScrimOpacity(double opacity)
{
    m_scrimOpacity = opacity;
    m_scrim->setVisible(opacity > 0);
    m_scrim->setOpacity(opacity);
}

void MenuBarCoverView::setLayerTransitionEnabled(bool enabled)
{
    m_layerTransition = enabled;
    applyOpacity();
}

double MenuBarCoverView::stripContentOpacity() const
{
    if (m_interactiveProgress)
        return *m_interactiveProgress;
    return m_layerTransition ? 1.0 : m_stripOpacity;
}

void MenuBarCoverView::applyOpacity()
{
    setOpacity(stripContentOpacity());
}

} // namespace corvanta
