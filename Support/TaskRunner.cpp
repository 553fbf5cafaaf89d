#include "Support/TaskRunner.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>

namespace corvanta {

namespace {

std::atomic_bool g_stopped{false};

// Queues `task` on `pool` unless the work has stopped, now or by the time the task's turn comes.
void startOn(QThreadPool* pool, Task task)
{
    if (g_stopped.load())
        return;
    pool->start([task = std::move(task)] {
        if (!g_stopped.load())
            task();
    });
}

} // namespace

TaskRunner threadPoolRunner()
{
    return [](Task task) { startOn(QThreadPool::globalInstance(), std::move(task)); };
}

void keepThreads(QThreadPool& pool)
{
    // A resident program's pools idle most of the time. Qt ends a thread 30 s after its last task,
    // and ending one (its stack and malloc arena handed back) is most of what the program spends
    // while hidden; a thread kept waiting costs nothing, and the next show finds it there.
    pool.setExpiryTimeout(-1);
}

namespace {

// The pools made so far, for the wait at the end.
std::atomic<QThreadPool*> g_iconPool{nullptr};
std::atomic<QThreadPool*> g_utilityPool{nullptr};

QThreadPool* makePool(int threads, std::atomic<QThreadPool*>& made)
{
    auto* pool = new QThreadPool(QCoreApplication::instance());
    pool->setMaxThreadCount(threads);
    pool->setThreadPriority(QThread::LowPriority);
    keepThreads(*pool);
    made.store(pool);
    return pool;
}

} // namespace

TaskRunner iconLoadRunner()
{
    // Half the cores decode the icons of a new page within a few frames (at start-up, two pages
    // from the bundles themselves) and leave the rest to the frames and the window server.
    static QThreadPool* pool = makePool(std::max(2, QThread::idealThreadCount() / 2), g_iconPool);
    return [](Task task) { startOn(pool, std::move(task)); };
}

TaskRunner utilityRunner()
{
    // Two threads, so the caches' writes never queue behind the pre-warm, which holds its thread
    // for the whole back-fill.
    static QThreadPool* pool = makePool(2, g_utilityPool);
    return [](Task task) { startOn(pool, std::move(task)); };
}

void stopBackgroundWork() { g_stopped.store(true); }

bool backgroundWorkStopped() { return g_stopped.load(); }

bool waitForBackgroundWork(int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    bool done = true;
    for (QThreadPool* pool : {QThreadPool::globalInstance(), g_iconPool.load(), g_utilityPool.load()}) {
        if (!pool)
            continue;
        // What has not started never will.
        pool->clear();
        done = pool->waitForDone(int(std::max<qint64>(0, deadline.remainingTime()))) && done;
    }
    return done;
}

TaskRunner mainThreadRunner()
{
    return [](Task task) {
        // Without an application object the process is ending and nobody is left to receive it.
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
    };
}

} // namespace corvanta
