#include "Platform/DesktopSurface.h"

#include "Platform/QtScreenProvider.h"
#include "Platform/X11Desktop.h"
#include "Platform/X11ScreenGrab.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <utility>

namespace corvanta {

void DesktopSurface::placeWindow(QWindow* window, const QRectF& globalFrame)
{
    if (window)
        window->setGeometry(QtScreenProvider::currentSpace().toQt(globalFrame).toAlignedRect());
}

QRect DesktopSurface::nativeGeometry(const QRectF& globalFrame)
{
    return QtScreenProvider::currentSpace().toQt(globalFrame).toAlignedRect();
}

QRectF DesktopSurface::globalFrame(const QWindow* window)
{
    return window ? QtScreenProvider::currentSpace().toGlobal(QRectF(window->geometry())) : QRectF();
}

bool DesktopSurface::needsBackdropCapture()
{
    Display* display = X11Desktop::display();
    return display && !X11Desktop::isCompositing(display);
}

bool DesktopSurface::presentWhileHidden(QWindow* window, const std::function<void()>& draw)
{
    Display* display = X11Desktop::display();
    if (!display || !window || window->isVisible() || !window->handle())
        return false;
    X11Desktop::mapWhileDrawing(display, window->winId(), draw);
    return true;
}

DesktopCapture& DesktopCapture::shared()
{
    static DesktopCapture capture;
    return capture;
}

void DesktopCapture::capture()
{
    QList<Still> previous;
    previous.swap(m_screens);
    const ScreenSpace space = QtScreenProvider::currentSpace();
    X11ScreenGrab* grabber = X11ScreenGrab::forQtDisplay();
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRectF frame = space.toGlobal(QRectF(screen->geometry()));
        // The buffer of the last still of this screen, when no window holds it any more.
        QImage image;
        for (Still& old : previous) {
            if (old.frame == frame)
                image = std::exchange(old.image, QImage());
        }
        // Qt scales a screen's size by its pixel ratio but keeps its origin in device pixels.
        const qreal ratio = screen->devicePixelRatio();
        const QRect device(screen->geometry().topLeft(), QSizeF(screen->geometry().size() * ratio).toSize());
        if (grabber && grabber->grab(device, image)) {
            image.setDevicePixelRatio(ratio);
        } else {
            const QPixmap still = screen->grabWindow(0);
            if (still.isNull())
                continue;
            image = still.toImage();
        }
        m_screens.append({frame, image});
    }
}

void DesktopCapture::drawRegion(const QRectF& globalRect, QImage& into) const
{
    // The usual case, a window covering one whole screen: its still is shared, not copied, since
    // copying five megabytes sits between the key and the first frame.
    for (const Still& still : m_screens) {
        if (still.frame == globalRect && still.image.size() == globalRect.size().toSize()) {
            into = still.image;
            return;
        }
    }
    // Opaque, black where no screen was grabbed: each frame then copies the still instead of
    // blending it.
    const QSize size = globalRect.size().toSize();
    if (into.size() != size || into.format() != QImage::Format_RGB32 || !into.isDetached())
        into = QImage(size, QImage::Format_RGB32);
    into.setDevicePixelRatio(1);
    into.fill(Qt::black);
    QPainter painter(&into);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const Still& still : m_screens) {
        // Top-left corners: in the global space the top is maxY.
        const QPointF offset(still.frame.x() - globalRect.x(), (globalRect.y() + globalRect.height()) - (still.frame.y() + still.frame.height()));
        painter.drawImage(QRectF(offset, still.frame.size()), still.image);
    }
}

QImage DesktopCapture::region(const QRectF& globalRect) const
{
    QImage out;
    drawRegion(globalRect, out);
    return out;
}

} // namespace corvanta
