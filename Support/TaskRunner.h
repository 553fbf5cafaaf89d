#pragma once

#include <functional>

class QThreadPool;

namespace corvanta {

// Where background work goes. The program hands work to the global thread pool; tests hand it to
// a queue they drain themselves, so nothing depends on thread timing.
using Task = std::function<void()>;
using TaskRunner = std::function<void(Task)>;

// Runs each task on Qt's global thread pool.
TaskRunner threadPoolRunner();

// Runs each task on a small pool of its own, below normal priority: for decoding icons. Qt's
// painter splits large fills and image draws over the global pool and waits for the pieces, so
// icon loads queued there would hold up the frame being drawn.
TaskRunner iconLoadRunner();
// The same for the slow housekeeping beside it (cache writes, the icon pre-warm).
TaskRunner utilityRunner();

// Keeps the pool's threads once started instead of ending them after 30 idle seconds (done for our
// pools and, at start-up, for Qt's global one).
void keepThreads(QThreadPool& pool);

// Queues each task on the main thread's event loop (from any thread): how background results
// come home.
TaskRunner mainThreadRunner();

// The process's end for the work on the pools above: from now on the runners hand out nothing,
// tasks still queued are dropped when their turn comes, and long tasks see it between their items
// and return. Once only; any thread.
void stopBackgroundWork();
bool backgroundWorkStopped();
// Waits up to `milliseconds` for the pools above to have no task running; whether they got there.
// Their tasks use objects that the process's exit destroys, so the exit comes after this.
bool waitForBackgroundWork(int milliseconds);

} // namespace corvanta
