#include "Platform/AdminDeleter.h"

namespace corvanta {

PkexecAdminDeleter::PkexecAdminDeleter(QString pkexecPath, QString helperPath,
                                       std::shared_ptr<ChildProcessRunner> runner, int timeoutMs)
    : m_pkexec(std::move(pkexecPath)), m_helper(std::move(helperPath)), m_runner(std::move(runner)),
      m_timeoutMs(timeoutMs)
{
}

QStringList PkexecAdminDeleter::arguments(const QString& path) const
{
    return {m_helper, QStringLiteral("--"), path};
}

AdminDeleter::Result PkexecAdminDeleter::deletePath(const QString& path)
{
    Result result;
    if (!isExecutableFile(m_pkexec) || !isExecutableFile(m_helper)) {
        result.message = QStringLiteral("administrator helper unavailable");
        return result;
    }
    const ChildResult run = m_runner->run(m_pkexec, arguments(path), m_timeoutMs, 4096);
    if (!run.started) {
        result.message = QStringLiteral("pkexec could not be started");
        return result;
    }
    if (run.timedOut) {
        result.message = QStringLiteral("timed out");
        return result;
    }
    // pkexec itself exits 126 when the prompt was dismissed and 127 when not authorised.
    result.ran = run.exitCode != 126 && run.exitCode != 127;
    result.succeeded = run.exitCode == AdminHelperExit::deleted;
    switch (run.exitCode) {
    case AdminHelperExit::deleted:
        break;
    case 126:
    case 127:
        result.message = QStringLiteral("not authorised");
        break;
    case AdminHelperExit::refused:
        result.message = QStringLiteral("the helper refused the path");
        break;
    default:
        result.message = QStringLiteral("the helper failed (status %1)").arg(run.exitCode);
    }
    return result;
}

} // namespace corvanta
