#pragma once

#include <QImage>
#include <QRect>

#include <memory>
#include <vector>

typedef struct _XDisplay Display;

namespace corvanta {

// Copies part of the root window through one shared-memory segment that lives as long as the
// grabber. A still of the desktop through the socket costs several full-screen copies into memory
// new to both the server and the process; through a kept segment it costs one copy on each side,
// into pages both have already touched.
class X11ScreenGrab {
public:
    explicit X11ScreenGrab(Display* display);
    ~X11ScreenGrab();
    X11ScreenGrab(const X11ScreenGrab&) = delete;
    X11ScreenGrab& operator=(const X11ScreenGrab&) = delete;

    // The grabber of Qt's own connection, or null when Qt does not run on X.
    static X11ScreenGrab* forQtDisplay();

    // Copies `rootRect` (root coordinates, device pixels) into `into` as an opaque RGB32 image,
    // reusing its buffer when it is unshared and of that size. False when the server has no shared
    // memory for us (a remote display), the screen's pixels are not 32-bit RGB, or the request
    // failed; `into` is then left as it was.
    bool grab(const QRect& rootRect, QImage& into);

private:
    struct Segment;
    Segment* segmentFor(const QSize& size);

    Display* m_display;
    // One for each size asked for (each screen's), the last used first.
    std::vector<std::unique_ptr<Segment>> m_segments;
    bool m_unavailable = false;
};

} // namespace corvanta
