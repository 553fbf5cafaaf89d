#pragma once

typedef struct _XDisplay Display;

namespace corvanta {

// While it lives, errors of our Xlib requests are noted instead of ending the process: windows can
// vanish between two requests, a segment can be out of the server's reach. Errors of Qt's own
// requests reach Qt, not Xlib's handler, so none of theirs is caught here.
class X11ErrorTrap {
public:
    // `syncAtEnd`: a last round trip before the handler goes, so errors of requests without a
    // reply are caught too.
    explicit X11ErrorTrap(Display* display, bool syncAtEnd = true);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Whether a request failed so far (a request with a reply has its error in once it returns).
    bool failed() const;
    // The same after a round trip, for requests without a reply.
    bool failedAfterSync();

private:
    Display* m_display;
    bool m_syncAtEnd;
    // Xlib's handler type, kept opaque here (its event type cannot be declared ahead).
    void (*m_previous)() = nullptr;
};

} // namespace corvanta
