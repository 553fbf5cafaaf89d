#include "App/OverlayWindowSurfaces.h"

#include "App/MenuBarCoverHost.h"
#include "Platform/DesktopSurface.h"
#include "Platform/SLSMenuBar.h"
#include "Services/WallpaperStore.h"
#include "Support/TransitionFPSMeter.h"
#include "Views/LayerItem.h"
#include "Views/LayerTransition.h"
#include "Views/MenuBarCoverWindow.h"
#include "Views/TilehallWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>

namespace corvanta {

OverlayWindowSurfaces::OverlayWindowSurfaces(MenuBarCoverHost& cover, LayerTransition& transition, SLSMenuBar& menuBar,
                                             TransitionFPSMeter& meter)
    : m_cover(cover), m_transition(transition), m_menuBar(menuBar), m_meter(meter)
{
}

void OverlayWindowSurfaces::fitWindowToScreen(const DisplayScreen& screen)
{
    if (!m_window)
        return;
    m_window->fitToScreen(screen);
    m_window->viewport()->update();
}

void OverlayWindowSurfaces::rebuildCover(const DisplayScreen& screen)
{
    m_cover.rebuild(screen);
}

bool OverlayWindowSurfaces::isApplicationActive() const
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void OverlayWindowSurfaces::activateApplication()
{
    // The overlay takes the keyboard when it is ordered in; nothing else to bring forward.
}

void OverlayWindowSurfaces::hideMenuBar()
{
    m_menuBar.hide();
}

void OverlayWindowSurfaces::restoreMenuBar()
{
    m_menuBar.restore();
}

void OverlayWindowSurfaces::resetWindowToHidden()
{
    if (!m_window)
        return;
    m_transition.resetToHidden(m_window);
}

void OverlayWindowSurfaces::prepareCover(bool continuing)
{
    MenuBarCoverWindow* cover = m_cover.window();
    if (!cover)
        return;
    if (continuing)
        m_transition.snapVisible(cover);
    else
        m_transition.prepareCoverForShow(cover, cover->contentAnchor());
}

void OverlayWindowSurfaces::captureDesktopIfNeeded()
{
    if (!m_window || m_window->isVisible() || !DesktopSurface::needsBackdropCapture())
        return;
    DesktopCapture& capture = DesktopCapture::shared();
    capture.capture();
    m_window->takeDesktopBackdrop(capture);
    if (MenuBarCoverWindow* cover = m_cover.window())
        cover->takeDesktopBackdrop(capture);
}

void OverlayWindowSurfaces::orderFront()
{
    if (!m_window)
        return;
    captureDesktopIfNeeded();
    m_window->setWindowOpacity(1);
    m_window->orderFront(true);
    if (MenuBarCoverWindow* cover = m_cover.window())
        cover->orderFront();
}

void OverlayWindowSurfaces::layoutContent()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

void OverlayWindowSurfaces::displayWindow()
{
    if (!m_window)
        return;
    m_window->viewport()->repaint();
}

void OverlayWindowSurfaces::displayCover()
{
    if (MenuBarCoverWindow* cover = m_cover.window())
        cover->viewport()->repaint();
}

void OverlayWindowSurfaces::animateShow(double duration, bool continuing)
{
    if (!m_window)
        return;
    m_transition.animateShow(m_window, m_cover.window(), duration, continuing);
}

void OverlayWindowSurfaces::animateHide(double duration, std::optional<double> startOpacity)
{
    if (!m_window)
        return;
    m_transition.animateHide(m_window, m_cover.window(), duration, startOpacity);
}

void OverlayWindowSurfaces::startFrameMeter(const QString& label, double duration, const TimingCurve& timing)
{
    if (!m_window)
        return;
    m_meter.start(label, m_window, duration, timing);
}

void OverlayWindowSurfaces::stopFrameMeterAfter(double delay)
{
    m_meter.stopAfter(delay);
}

void OverlayWindowSurfaces::orderOut()
{
    if (m_window) {
        m_window->orderOut();
        m_window->setWindowOpacity(1);
    }
    if (MenuBarCoverWindow* cover = m_cover.window()) {
        cover->orderOut();
        cover->setWindowOpacity(1);
        cover->contentLayer()->setModelOpacity(1);
    }
}

bool OverlayWindowSurfaces::isWindowVisible() const
{
    return m_window && m_window->isVisible();
}

bool OverlayWindowSurfaces::isCoverVisible() const
{
    const MenuBarCoverWindow* cover = m_cover.window();
    return cover && cover->isVisible();
}

void StoreBackdrop::setScreen(const DisplayScreen& screen)
{
    m_store.setScreen(screen.frame);
}

void StoreBackdrop::refresh(double strength)
{
    m_store.refresh(strength);
}

void StoreBackdrop::raiseCaptureHold(double until)
{
    if (until > m_store.captureHoldUntil())
        m_store.setCaptureHoldUntil(until);
}

bool StoreBackdrop::waitForFirstFrame(double timeout)
{
    return m_store.waitForFirstFrame(timeout);
}

bool StoreBackdrop::hasImage() const
{
    return !m_store.blurredImage().isNull();
}

} // namespace corvanta
