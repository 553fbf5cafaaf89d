#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QWindow>

#include <functional>

namespace corvanta {

// What a translucent window of ours needs from the desktop beneath it.
namespace DesktopSurface {

// Places a top-level window at a frame of the global space (origin bottom left).
void placeWindow(QWindow* window, const QRectF& globalFrame);
// The rectangle a top-level widget takes to lie at `globalFrame`.
QRect nativeGeometry(const QRectF& globalFrame);
// The window's frame in the global space.
QRectF globalFrame(const QWindow* window);

// Without a compositing manager a translucent window shows garbage instead of the desktop, so the
// windows paint a still of the desktop, taken before they are shown, as their bottom layer.
bool needsBackdropCapture();

// Hands the window server one frame of a hidden window of ours: the window is mapped while `draw`
// runs and until the server has drawn it, then unmapped, all without the window's owner hearing of
// a show. False, with nothing done, where there is no such server.
bool presentWhileHidden(QWindow* window, const std::function<void()>& draw);

} // namespace DesktopSurface

// A still of every screen, taken at the start of a show.
class DesktopCapture {
public:
    static DesktopCapture& shared();

    // Grabs all screens now (replacing the previous still).
    void capture();
    void clear() { m_screens.clear(); }
    bool isEmpty() const { return m_screens.isEmpty(); }
    // The part of the still under `globalRect` (black where no screen was grabbed). A rect
    // that is exactly one screen's gives that screen's still itself, opaque.
    QImage region(const QRectF& globalRect) const;
    // The same drawn into `into`, whose buffer is reused when it is unshared and of the right size:
    // a window takes its still at every show, and memory new to the process costs more to fill
    // than the copy itself.
    void drawRegion(const QRectF& globalRect, QImage& into) const;

private:
    struct Still {
        QRectF frame; // global space
        QImage image;
    };
    QList<Still> m_screens;
};

} // namespace corvanta
