#include "Platform/X11StackingBackend.h"

#include "Platform/X11Desktop.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <vector>

namespace corvanta {

QList<WId> X11StackingBackend::dockWindows()
{
    QList<WId> out;
    for (const auto& top : X11Desktop::dockWindows(X11Desktop::display()))
        out.append(top.window);
    return out;
}

void X11StackingBackend::restack(const QList<WId>& topToBottom)
{
    Display* display = X11Desktop::display();
    if (!display || topToBottom.isEmpty())
        return;
    std::vector<Window> windows;
    for (WId id : topToBottom) {
        const Window top = X11Desktop::topLevelOf(display, id);
        if (top && std::find(windows.begin(), windows.end(), top) == windows.end())
            windows.push_back(top);
    }
    if (windows.empty())
        return;
    XRaiseWindow(display, windows.front());
    if (windows.size() > 1)
        XRestackWindows(display, windows.data(), int(windows.size()));
    XFlush(display);
}

void X11StackingBackend::focus(QWindow* window)
{
    if (window && window->isVisible())
        X11Desktop::focusWindow(X11Desktop::display(), window->winId());
}

} // namespace corvanta
