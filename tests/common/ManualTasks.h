#pragma once

#include "Support/TaskRunner.h"

#include <QList>
#include <QMutex>

namespace corvanta::test {

// A TaskRunner whose tasks wait until the test runs them, on the test's own thread.
class ManualTasks {
public:
    TaskRunner runner()
    {
        return [this](Task task) {
            QMutexLocker lock(&m_mutex);
            m_tasks.append(std::move(task));
        };
    }
    qsizetype pending() const
    {
        QMutexLocker lock(&m_mutex);
        return m_tasks.size();
    }
    // Runs queued tasks, and those they queue, until none is left.
    void runAll()
    {
        for (;;) {
            Task task;
            {
                QMutexLocker lock(&m_mutex);
                if (m_tasks.isEmpty())
                    return;
                task = m_tasks.takeFirst();
            }
            task();
        }
    }

private:
    mutable QMutex m_mutex;
    QList<Task> m_tasks;
};

} // namespace corvanta::test
