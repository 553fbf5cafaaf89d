#include "Platform/RunningInstances.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace corvanta {

RunningInstances::RunningInstances(QString procRoot, QString executable, qint64 selfPid, uint userId)
    : m_procRoot(std::move(procRoot)), m_executable(std::move(executable)), m_selfPid(selfPid), m_userId(userId)
{
}

RunningInstances RunningInstances::system()
{
    return RunningInstances(QStringLiteral("/proc"), executableTarget(QStringLiteral("/proc/self/exe")), QCoreApplication::applicationPid(),
                            ::geteuid());
}

QString RunningInstances::executableTarget(const QString& exeLink)
{
    QString target = QFile::symLinkTarget(exeLink);
    static const QString deleted = QStringLiteral(" (deleted)");
    if (target.endsWith(deleted))
        target.chop(deleted.size());
    return target;
}

QList<qint64> RunningInstances::others() const
{
    QList<qint64> pids;
    if (m_executable.isEmpty())
        return pids;
    const QStringList entries = QDir(m_procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isNumber = false;
        const qint64 pid = entry.toLongLong(&isNumber);
        if (!isNumber || pid <= 0 || pid == m_selfPid)
            continue;
        const QString folder = m_procRoot + QLatin1Char('/') + entry;
        // The process folder belongs to the process's user.
        struct stat info = {};
        if (::stat(QFile::encodeName(folder).constData(), &info) != 0 || info.st_uid != m_userId)
            continue;
        if (executableTarget(folder + QStringLiteral("/exe")) == m_executable)
            pids << pid;
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

} // namespace corvanta
