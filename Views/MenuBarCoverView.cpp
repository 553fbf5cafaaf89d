#include "Views/MenuBarCoverView.h"

#include "Models/ColorCodec.h"

#include <QLinearGradient>
#include <QPainter>

namespace corvanta {

MenuBarCoverView::MenuBarCoverView(const QSizeF& contentSize, double stripHeight, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_contentSize(contentSize), m_stripHeight(stripHeight)
{
}

QRectF MenuBarCoverView::boundingRect() const
{
    return {0, 0, m_contentSize.width(), m_stripHeight};
}

void MenuBarCoverView::setBackground(BackgroundType type, double blurStrength, const QString& backgroundColor)
{
    m_type = type;
    m_blurStrength = blurStrength;
    m_color = backgroundColor;
    update();
}

void MenuBarCoverView::setWallpaperPainter(WallpaperPainter painter)
{
    m_wallpaperPainter = std::move(painter);
    update();
}

void MenuBarCoverView::setInteractiveProgress(std::optional<double> progress)
{
    m_interactiveProgress = progress;
    update();
}

void MenuBarCoverView::setPresented(bool presented)
{
    m_stripOpacity = presented ? 1 : 0;
    update();
}

void MenuBarCoverView::setModalScrimOpacity(double opacity)
{
    m_scrimOpacity = opacity;
    update();
}

void MenuBarCoverView::setLayerTransitionEnabled(bool enabled)
{
    m_layerTransition = enabled;
    update();
}

double MenuBarCoverView::stripContentOpacity() const
{
    if (m_interactiveProgress)
        return *m_interactiveProgress;
    return m_layerTransition ? 1.0 : m_stripOpacity;
}

void MenuBarCoverView::paintDefaultBackground(QPainter* painter, const QRectF& rect, double)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, QColor(24, 26, 34));
    gradient.setColorAt(1, QColor(8, 9, 12));
    painter->fillRect(rect, gradient);
}

void MenuBarCoverView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->save();
    painter->setClipRect(boundingRect());
    painter->setOpacity(painter->opacity() * stripContentOpacity());
    // The full-screen background, aligned at the top, of which the strip shows the top.
    const QRectF full(QPointF(0, 0), m_contentSize);
    if (m_type == BackgroundType::color) {
        painter->fillRect(full, colorFromHex(m_color));
    } else {
        const double strength = m_type == BackgroundType::wallpaper ? 0 : m_blurStrength;
        if (m_wallpaperPainter)
            m_wallpaperPainter(painter, full, strength);
        else
            paintDefaultBackground(painter, full, strength);
    }
    if (m_scrimOpacity > 0)
        painter->fillRect(full, QColor(0, 0, 0, qBound(0, int(m_scrimOpacity * 255 + 0.5), 255)));
    painter->restore();
}

} // namespace corvanta
