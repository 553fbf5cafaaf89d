#include "Platform/DesktopSurface.h"

#include "Platform/QtScreenProvider.h"
#include "Platform/X11Desktop.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

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

DesktopCapture& DesktopCapture::shared()
{
    static DesktopCapture capture;
    return capture;
}

void DesktopCapture::capture()
{
    m_screens.clear();
    const ScreenSpace space = QtScreenProvider::currentSpace();
    for (QScreen* screen : QGuiApplication::screens()) {
        const QPixmap still = screen->grabWindow(0);
        if (!still.isNull())
            m_screens.append({space.toGlobal(QRectF(screen->geometry())), still.toImage()});
    }
}

QImage DesktopCapture::region(const QRectF& globalRect) const
{
    // The usual case, a window covering one whole screen: its still is shared, not copied, since
    // copying five megabytes sits between the key and the first frame.
    for (const Still& still : m_screens) {
        if (still.frame == globalRect && still.image.size() == globalRect.size().toSize())
            return still.image;
    }
    // Opaque, black where no screen was grabbed: each frame then copies the still instead of
    // blending it.
    QImage out(globalRect.size().toSize(), QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter painter(&out);
    for (const Still& still : m_screens) {
        // Top-left corners: in the global space the top is maxY.
        const QPointF offset(still.frame.x() - globalRect.x(), (globalRect.y() + globalRect.height()) - (still.frame.y() + still.frame.height()));
        painter.drawImage(QRectF(offset, still.frame.size()), still.image);
    }
    return out;
}

} // namespace corvanta
