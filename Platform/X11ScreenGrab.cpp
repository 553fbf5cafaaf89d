#include "Platform/X11ScreenGrab.h"

#include "Platform/X11Desktop.h"
#include "Platform/X11ErrorTrap.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>

namespace corvanta {

struct X11ScreenGrab::Segment {
    Display* display = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo info{};
    bool attached = false;

    ~Segment()
    {
        if (attached) {
            XShmDetach(display, &info);
            XSync(display, False);
        }
        if (info.shmaddr && info.shmaddr != reinterpret_cast<char*>(-1))
            shmdt(info.shmaddr);
        if (image) {
            image->data = nullptr; // the segment, detached above
            XDestroyImage(image);
        }
    }
};

X11ScreenGrab::X11ScreenGrab(Display* display) : m_display(display)
{
    m_unavailable = !m_display || !XShmQueryExtension(m_display);
}

X11ScreenGrab::~X11ScreenGrab() = default;

X11ScreenGrab* X11ScreenGrab::forQtDisplay()
{
    Display* display = X11Desktop::display();
    if (!display)
        return nullptr;
    // Never destroyed: at exit the connection is already closed (the server drops the segment with
    // it), and detaching through a closed connection would crash. A new connection (a test's next
    // application) gets a grabber of its own; the old one is left as it is, for the same reason.
    static Display* grabbedDisplay = nullptr;
    static X11ScreenGrab* grabber = nullptr;
    if (grabbedDisplay != display) {
        grabber = new X11ScreenGrab(display);
        grabbedDisplay = display;
    }
    return grabber;
}

X11ScreenGrab::Segment* X11ScreenGrab::segmentFor(const QSize& size)
{
    for (auto it = m_segments.begin(); it != m_segments.end(); ++it) {
        if ((*it)->image->width == size.width() && (*it)->image->height == size.height()) {
            std::rotate(m_segments.begin(), it, it + 1);
            return m_segments.front().get();
        }
    }
    // Screens come and go; segments of sizes no longer asked for go with them.
    constexpr size_t kept = 4;
    if (m_segments.size() >= kept)
        m_segments.pop_back();
    const int screen = DefaultScreen(m_display);
    Visual* visual = DefaultVisual(m_display, screen);
    const int depth = DefaultDepth(m_display, screen);
    // Only the layout QImage::Format_RGB32 reads as it is: 32 bits a pixel, 8 bits a channel.
    if ((depth != 24 && depth != 32) || !visual || visual->red_mask != 0xff0000 || visual->green_mask != 0xff00
        || visual->blue_mask != 0xff) {
        m_unavailable = true;
        return nullptr;
    }
    auto segment = std::make_unique<Segment>();
    segment->display = m_display;
    segment->image = XShmCreateImage(m_display, visual, unsigned(depth), ZPixmap, nullptr, &segment->info, unsigned(size.width()),
        unsigned(size.height()));
    if (!segment->image || segment->image->bits_per_pixel != 32 || segment->image->byte_order != LSBFirst) {
        m_unavailable = true;
        return nullptr;
    }
    const size_t bytes = size_t(segment->image->bytes_per_line) * size_t(size.height());
    segment->info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment->info.shmid < 0) {
        m_unavailable = true;
        return nullptr;
    }
    segment->info.shmaddr = static_cast<char*>(shmat(segment->info.shmid, nullptr, 0));
    segment->image->data = segment->info.shmaddr;
    segment->info.readOnly = False;
    bool attached = false;
    if (segment->info.shmaddr != reinterpret_cast<char*>(-1)) {
        X11ErrorTrap trap(m_display, false); // a segment the server cannot reach is refused
        attached = XShmAttach(m_display, &segment->info) && !trap.failedAfterSync();
    }
    // Removed now: the segment goes with its last detach, however the process ends.
    shmctl(segment->info.shmid, IPC_RMID, nullptr);
    if (!attached) {
        m_unavailable = true;
        return nullptr;
    }
    segment->attached = true;
    m_segments.insert(m_segments.begin(), std::move(segment));
    return m_segments.front().get();
}

bool X11ScreenGrab::grab(const QRect& rootRect, QImage& into)
{
    Segment* segment = m_unavailable || rootRect.isEmpty() ? nullptr : segmentFor(rootRect.size());
    if (!segment)
        return false;
    XImage* image = segment->image;
    {
        X11ErrorTrap trap(m_display, false); // the grab waits for its reply, so its error is in by then
        if (!XShmGetImage(m_display, DefaultRootWindow(m_display), image, rootRect.x(), rootRect.y(), AllPlanes) || trap.failed())
            return false;
    }
    if (into.size() != rootRect.size() || into.format() != QImage::Format_RGB32 || !into.isDetached())
        into = QImage(rootRect.size(), QImage::Format_RGB32);
    if (into.isNull())
        return false;
    // The server leaves the unused top byte as it likes; RGB32 wants it full.
    const int width = rootRect.width();
    for (int y = 0; y < rootRect.height(); ++y) {
        const auto* from = reinterpret_cast<const quint32*>(image->data + size_t(y) * size_t(image->bytes_per_line));
        auto* to = reinterpret_cast<quint32*>(into.scanLine(y));
        for (int x = 0; x < width; ++x)
            to[x] = from[x] | 0xff000000u;
    }
    return true;
}

} // namespace corvanta
