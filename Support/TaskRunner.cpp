#include "Support/TaskRunner.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>

namespace corvanta {

TaskRunner threadPoolRunner()
{
    return [](Task task) { QThreadPool::globalInstance()->start(std::move(task)); };
}

namespace {

// Two threads decode a page of icons from the disk tier in a few frames' time and leave the other
// cores to the frames and the window server; two more keep the caches' writes and the pre-warm
// (which holds its thread for the whole back-fill) from queueing behind each other.
constexpr int kThreadsPerPool = 2;

QThreadPool* makePool()
{
    auto* pool = new QThreadPool(QCoreApplication::instance());
    pool->setMaxThreadCount(kThreadsPerPool);
    pool->setThreadPriority(QThread::LowPriority);
    return pool;
}

} // namespace

TaskRunner iconLoadRunner()
{
    static QThreadPool* pool = makePool();
    return [](Task task) { pool->start(std::move(task)); };
}

TaskRunner utilityRunner()
{
    static QThreadPool* pool = makePool();
    return [](Task task) { pool->start(std::move(task)); };
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
