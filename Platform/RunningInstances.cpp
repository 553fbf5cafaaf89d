#include "Platform/RunningInstances.h"

#include "Platform/FileRead.h"

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

RunningInstances::Session RunningInstances::Session::current()
{
    return {qEnvironmentVariable("XDG_RUNTIME_DIR"), qEnvironmentVariable("DISPLAY")};
}

bool RunningInstances::Session::operator==(const Session& other) const
{
    return runtimeDirectory == other.runtimeDirectory && displayWithoutScreen(display) == displayWithoutScreen(other.display);
}

QString RunningInstances::displayWithoutScreen(const QString& display)
{
    const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
    const qsizetype dot = display.indexOf(QLatin1Char('.'), colon + 1);
    return colon >= 0 && dot > colon ? display.left(dot) : display;
}

std::optional<RunningInstances::Session> RunningInstances::sessionOf(const QString& environFile)
{
    // Another process's file: bounded before it is looked at; one past the bound is not read.
    const std::optional<QByteArray> read = readWholeFile(environFile, 1 << 20);
    if (!read || read->isEmpty())
        return std::nullopt;
    const QByteArray& bytes = *read;
    Session session;
    for (const QByteArray& entry : bytes.split('\0')) {
        if (entry.startsWith("XDG_RUNTIME_DIR="))
            session.runtimeDirectory = QFile::decodeName(entry.mid(16));
        else if (entry.startsWith("DISPLAY="))
            session.display = QString::fromLocal8Bit(entry.mid(8));
    }
    return session;
}

RunningInstances::Found RunningInstances::find(const Session& ours) const
{
    Found found;
    for (const qint64 pid : others()) {
        const auto session = sessionOf(m_procRoot + QLatin1Char('/') + QString::number(pid) + QStringLiteral("/environ"));
        (!session || *session == ours ? found.inSession : found.elsewhere) << pid;
    }
    return found;
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

std::optional<qint64> RunningInstances::parentOf(const QString& statFile)
{
    // "pid (name) state ppid ...": the name may hold spaces and parentheses, so the fields are
    // counted from the last ")". The kernel's line is short; one past the bound is not read.
    const std::optional<QByteArray> read = readWholeFile(statFile, 4096);
    if (!read)
        return std::nullopt;
    const qsizetype close = read->lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = read->mid(close + 1).simplified().split(' ');
    bool isNumber = false;
    const qint64 parent = fields.size() > 1 ? fields.at(1).toLongLong(&isNumber) : 0;
    return isNumber ? std::optional<qint64>(parent) : std::nullopt;
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
        // A child of ours runs our executable between its fork and its exec, with our environment:
        // a library spawning a helper at start-up would otherwise look like a second copy here.
        if (executableTarget(folder + QStringLiteral("/exe")) == m_executable && parentOf(folder + QStringLiteral("/stat")) != m_selfPid)
            pids << pid;
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

} // namespace corvanta
