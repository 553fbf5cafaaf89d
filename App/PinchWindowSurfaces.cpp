#include "App/PinchWindowSurfaces.h"

#include "App/MenuBarCoverHost.h"
#include "App/OverlaySurfaces.h"
#include "Platform/SLSMenuBar.h"
#include "Platform/ScreenProvider.h"
#include "Views/LayerItem.h"
#include "Views/LayerTransition.h"
#include "Views/MenuBarCoverWindow.h"
#include "Views/TilehallWindow.h"

namespace corvanta {

namespace {

void applyTo(LayerHostWindow* window, double opacity, double scale)
{
    if (!window)
        return;
    LayerItem* layer = window->contentLayer();
    layer->removeAnimation(QLatin1String(LayerTransition::opacityKey));
    layer->removeAnimation(QLatin1String(LayerTransition::transformKey));
    layer->setModelOpacity(opacity);
    layer->setModelScale(scale, window->contentAnchor());
}

} // namespace

PinchWindowSurfaces::PinchWindowSurfaces(std::function<TilehallWindow*()> window, MenuBarCoverHost& cover, OverlaySurfaces& regular,
                                         LayerTransition& transition, SLSMenuBar& menuBar)
    : m_window(std::move(window)), m_cover(cover), m_regular(regular), m_transition(transition), m_menuBar(menuBar)
{
}

std::optional<double> PinchWindowSurfaces::runningTransitionOpacity() const
{
    TilehallWindow* window = m_window();
    if (!window)
        return std::nullopt;
    LayerItem* layer = window->contentLayer();
    if (!layer->animation(QLatin1String(LayerTransition::opacityKey)) && !layer->animation(QLatin1String(LayerTransition::transformKey)))
        return std::nullopt;
    return layer->presentationOpacity();
}

void PinchWindowSurfaces::prepareOpening()
{
    m_menuBar.hide();
    m_transition.snapVisible(m_cover.window());
}

void PinchWindowSurfaces::orderFront()
{
    m_regular.orderFront();
}

void PinchWindowSurfaces::applyProgress(double q)
{
    const double scale = LayerTransition::hiddenScale - (LayerTransition::hiddenScale - 1) * q;
    applyTo(m_window(), q, scale);
    applyTo(m_cover.window(), 1, scale);
}

bool PinchWindowSurfaces::hasScreen() const
{
    return !ScreenProvider::shared().screens().isEmpty();
}

} // namespace corvanta
