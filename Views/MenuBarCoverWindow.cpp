#include "Views/MenuBarCoverWindow.h"

#include "Platform/WindowLevels.h"
#include "Views/LayerItem.h"
#include "Views/MenuBarCoverView.h"
#include "Views/TilehallWindow.h"

#include <QBrush>
#include <QGraphicsRectItem>
#include <QPen>

namespace corvanta {

MenuBarCoverWindow::MenuBarCoverWindow(const DisplayScreen& screen, double stripHeight, const QSizeF& contentSize, WindowStack& stack,
                                       WallpaperStore* wallpaper, QWidget* parent)
    : LayerHostWindow(WindowLevel::menuBarCover, Focus::neverFocused, stack, parent),
      m_view(new MenuBarCoverView(contentSize, stripHeight, wallpaper, contentLayer()))
{
    setScreenFrame(screen.frame);
    setFrame(frameFor(screen, stripHeight));
    setWindowOpacity(1);
}

double MenuBarCoverWindow::menuBarGap(const DisplayScreen& screen)
{
    return maxY(screen.frame) - maxY(screen.visibleFrame);
}

std::optional<double> MenuBarCoverWindow::stripHeightFor(const DisplayScreen& screen)
{
    const double gap = menuBarGap(screen);
    if (gap <= 0)
        return std::nullopt;
    return gap + TilehallWindow::margin + overlap;
}

QRectF MenuBarCoverWindow::frameFor(const DisplayScreen& screen, double stripHeight)
{
    const double m = TilehallWindow::margin;
    return {minX(screen.frame) - m, maxY(screen.frame) + m - stripHeight, screen.frame.width() + 2 * m, stripHeight};
}

void MenuBarCoverWindow::setModalScrim(double opacity)
{
    if (opacity <= 0.001) {
        delete m_scrim;
        m_scrim = nullptr;
        return;
    }
    if (!m_scrim) {
        m_scrim = new QGraphicsRectItem(contentLayer());
        m_scrim->setBrush(Qt::black);
        m_scrim->setPen(Qt::NoPen);
    }
    m_scrim->setRect(contentLayer()->boundingRect());
    m_scrim->setOpacity(opacity);
    m_scrim->setZValue(1); // above the strip's content
}

double MenuBarCoverWindow::modalScrimOpacity() const
{
    return m_scrim ? m_scrim->opacity() : 0;
}

} // namespace corvanta
