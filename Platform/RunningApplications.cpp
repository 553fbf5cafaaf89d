#include "Platform/RunningApplications.h"

#include "Platform/FileRead.h"

#include <QFile>

#include <climits>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace corvanta {

QList<qint64> ProcRunningApplications::processes(const QString&, const QString& bundlePath) const
{
    QList<qint64> out;
    if (bundlePath.isEmpty())
        return out;
    const QString inside = bundlePath.endsWith(u'/') ? bundlePath : bundlePath + u'/';
    const auto names = listFolderNames(m_procRoot);
    if (!names)
        return out;
    const uid_t me = ::getuid();
    for (const QString& name : *names) {
        bool numeric = false;
        const qint64 pid = name.toLongLong(&numeric);
        if (!numeric || pid <= 0 || pid == ::getpid())
            continue;
        const QByteArray folder = QFile::encodeName(m_procRoot + u'/' + name);
        struct stat info {};
        if (::stat(folder.constData(), &info) != 0 || (me != 0 && info.st_uid != me))
            continue;
        char target[PATH_MAX + 1];
        const ssize_t got = ::readlink((folder + "/exe").constData(), target, PATH_MAX);
        if (got <= 0)
            continue;
        if (QFile::decodeName(QByteArray(target, got)).startsWith(inside))
            out.append(pid);
    }
    return out;
}

void ProcRunningApplications::terminate(qint64 pid) { ::kill(pid_t(pid), SIGTERM); }

void ProcRunningApplications::forceTerminate(qint64 pid) { ::kill(pid_t(pid), SIGKILL); }

} // namespace corvanta
