#include "Support/TaskRunner.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>

namespace corvanta {

TaskRunner threadPoolRunner()
{
    return [](Task task) { QThreadPool::globalInstance()->start(std::move(task)); };
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
