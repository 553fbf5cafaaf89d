#include "Support/TaskRunner.h"

#include <QThreadPool>

namespace corvanta {

TaskRunner threadPoolRunner()
{
    return [](Task task) { QThreadPool::globalInstance()->start(std::move(task)); };
}

} // namespace corvanta
