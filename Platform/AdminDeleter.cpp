#include "Platform/AdminDeleter.h"

namespace corvanta {

namespace AdminHelperReport {

QByteArray line(int status, qsizetype index)
{
    return QByteArray::number(status) + ' ' + QByteArray::number(index) + '\n';
}

QList<int> statuses(const QByteArray& output, qsizetype count, int fallback)
{
    QList<int> out(count, fallback);
    for (const QByteArray& text : output.split('\n')) {
        const QList<QByteArray> fields = text.split(' ');
        if (fields.size() != 2)
            continue;
        bool statusOk = false, indexOk = false;
        const int status = fields.at(0).toInt(&statusOk);
        const qsizetype index = fields.at(1).toLongLong(&indexOk);
        if (statusOk && indexOk && index >= 0 && index < count)
            out[index] = status;
    }
    return out;
}

} // namespace AdminHelperReport

PkexecAdminDeleter::PkexecAdminDeleter(QString pkexecPath, QString helperPath,
                                       std::shared_ptr<ChildProcessRunner> runner, int timeoutMs)
    : m_pkexec(std::move(pkexecPath)), m_helper(std::move(helperPath)), m_runner(std::move(runner)),
      m_timeoutMs(timeoutMs)
{
}

AdminDeleter::Availability PkexecAdminDeleter::availability() const
{
    if (!isExecutableFile(m_pkexec))
        return Availability::noPkexec;
    if (m_helper.isEmpty() || !isExecutableFile(m_helper))
        return Availability::noHelper;
    return Availability::ready;
}

QStringList PkexecAdminDeleter::arguments(const QStringList& paths) const
{
    return QStringList{m_helper, QStringLiteral("--")} + paths;
}

QList<AdminDeleter::Result> PkexecAdminDeleter::deletePaths(const QStringList& paths)
{
    auto all = [&paths](const QString& message) { return QList<Result>(paths.size(), Result{false, false, message}); };
    if (paths.isEmpty())
        return {};
    if (availability() != Availability::ready)
        return all(QStringLiteral("administrator helper unavailable"));
    const qint64 maxOutput = 4096 + 24 * qint64(paths.size());
    const ChildResult run = m_runner->run(m_pkexec, arguments(paths), m_timeoutMs, maxOutput);
    if (!run.started)
        return all(QStringLiteral("pkexec could not be started"));
    if (run.timedOut)
        return all(QStringLiteral("timed out"));
    // pkexec itself exits 126 when the prompt was dismissed and 127 when not authorised.
    if (run.exitCode == 126 || run.exitCode == 127)
        return all(QStringLiteral("not authorised"));
    // A path the helper did not report shares the call's status; the caller believes a deletion
    // only when the path is gone afterwards.
    const QList<int> statuses = AdminHelperReport::statuses(run.output, paths.size(), run.exitCode);
    QList<Result> results;
    for (const int status : statuses) {
        Result result{true, status == AdminHelperExit::deleted, {}};
        switch (status) {
        case AdminHelperExit::deleted:
            break;
        case AdminHelperExit::refused:
            result.message = QStringLiteral("the helper refused the path");
            break;
        case AdminHelperReport::skipped:
            result.message = QStringLiteral("the helper skipped the path");
            break;
        default:
            result.message = QStringLiteral("the helper failed (status %1)").arg(status);
        }
        results << result;
    }
    return results;
}

} // namespace corvanta
