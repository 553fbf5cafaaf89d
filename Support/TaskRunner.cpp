#include "Support/TaskRunner.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>

#include <algorithm>

namespace corvanta {

TaskRunner threadPoolRunner()
{
    return [](Task task) { QThreadPool::globalInstance()->start(std::move(task)); };
}

void keepThreads(QThreadPool& pool)
{
    // A resident program's pools idle most of the time. Qt ends a thread 30 s after its last task,
    // and ending one (its stack and malloc arena handed back) is most of what the program spends
    // while hidden; a thread kept waiting costs nothing, and the next show finds it there.
    pool.setExpiryTimeout(-1);
}

namespace {

QThreadPool* makePool(int threads)
{
    auto* pool = new QThreadPool(QCoreApplication::instance());
    pool->setMaxThreadCount(threads);
    pool->setThreadPriority(QThread::LowPriority);
    keepThreads(*pool);
    return pool;
}

} // namespace

TaskRunner iconLoadRunner()
{
    // Half the cores decode the icons of a new page within a few frames (at start-up, two pages
    // from the bundles themselves) and leave the rest to the frames and the window server.
    static QThreadPool* pool = makePool(std::max(2, QThread::idealThreadCount() / 2));
    return [](Task task) { pool->start(std::move(task)); };
}

TaskRunner utilityRunner()
{
    // Two threads, so the caches' writes never queue behind the pre-warm, which holds its thread
    // for the whole back-fill.
    static QThreadPool* pool = makePool(2);
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
