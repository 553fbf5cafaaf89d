#pragma once

#include <functional>

typedef struct _XDisplay Display;

namespace corvanta::X11DisplayLoss {

// Losing the X server must end the process through its own termination path. Left alone, both
// libraries on the connection end the process themselves: Xlib by exit() from inside the failing
// call (with the connection's lock held, so anything touching it during exit hangs for good), and
// Qt by exit() as soon as its event processing sees the broken connection, while the thread pool
// still works with objects the exit then destroys.
//
// Installed once the application object (and with it Qt's X connection) exists:
// - a broken connection noticed by Xlib calls `onLost` once, and the failing Xlib call returns
//   instead of ending the process (for Qt's connection and those passed to `adopt`);
// - Qt's notice, the warning it prints just before its exit(), calls `beforeForcedExit` first,
//   on the main thread, with everything still alive.
void install(std::function<void()> onLost, std::function<void()> beforeForcedExit);

// Our own X connections return from a broken call too, rather than exit.
void adopt(Display* display);

// Whether a connection has broken since the start. Xlib may not be called on one that has.
bool isLost();

} // namespace corvanta::X11DisplayLoss
