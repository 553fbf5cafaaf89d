#include "Platform/DockWindows.h"

#include "Platform/QtScreenProvider.h"
#include "Platform/X11Desktop.h"

namespace corvanta {

QList<QRectF> X11DockWindowSource::dockWindowBounds()
{
    const QPointF origin = QtScreenProvider::currentSpace().primaryGeometry().topLeft();
    QList<QRectF> out;
    for (const auto& top : X11Desktop::dockWindows(X11Desktop::display()))
        out.append(QRectF(top.geometry).translated(-origin));
    return out;
}

bool X11DockWindowSource::acceptsDroppedFiles()
{
    Display* display = X11Desktop::display();
    for (const auto& top : X11Desktop::dockWindows(display)) {
        if (X11Desktop::acceptsDrops(display, top.window))
            return true;
    }
    return false;
}

} // namespace corvanta
