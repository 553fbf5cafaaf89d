#pragma once

#include <functional>

namespace corvanta {

// Where background work goes. The program hands work to the global thread pool; tests hand it to
// a queue they drain themselves, so nothing depends on thread timing.
using Task = std::function<void()>;
using TaskRunner = std::function<void(Task)>;

// Runs each task on Qt's global thread pool.
TaskRunner threadPoolRunner();

// Queues each task on the main thread's event loop (from any thread): how background results
// come home.
TaskRunner mainThreadRunner();

} // namespace corvanta
