#include "Platform/ChildProcess.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace corvanta {

namespace {

using SteadyClock = std::chrono::steady_clock;

bool reapNow(pid_t pid, int* status)
{
    for (;;) {
        const pid_t got = ::waitpid(pid, status, WNOHANG);
        if (got == pid)
            return true;
        if (got < 0 && errno == EINTR)
            continue;
        return false;
    }
}

void reapBlocking(pid_t pid, int* status)
{
    while (::waitpid(pid, status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

bool isExecutableFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    return ::stat(name.constData(), &info) == 0 && S_ISREG(info.st_mode) && ::access(name.constData(), X_OK) == 0;
}

ChildResult SpawnChildProcessRunner::run(const QString& program, const QStringList& arguments, int timeoutMs,
                                         qint64 maxOutput)
{
    ChildResult result;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return result;

    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString& argument : arguments)
        storage.push_back(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, storage.front().constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return result;
    }
    result.started = true;

    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    bool open = true;
    int status = 0;
    bool reaped = false;
    char buffer[65536];
    while (open) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
        if (left <= 0) {
            result.timedOut = true;
            break;
        }
        pollfd fd{pipeFds[0], POLLIN, 0};
        const int ready = ::poll(&fd, 1, int(std::min<long long>(left, 1000)));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got > 0) {
            const qint64 room = maxOutput - result.output.size();
            if (room > 0)
                result.output.append(buffer, qsizetype(std::min<qint64>(room, got)));
            if (got > room)
                result.outputTruncated = true;
        } else if (got == 0 || errno != EINTR) {
            open = false;
        }
    }
    ::close(pipeFds[0]);
    // The pipe closed; the child normally exits right after. Wait for it within what is left of
    // the deadline, then kill it.
    while (!result.timedOut && !(reaped = reapNow(pid, &status))) {
        if (SteadyClock::now() >= deadline) {
            result.timedOut = true;
            break;
        }
        pollfd none{-1, 0, 0};
        ::poll(&none, 0, 5);
    }
    if (result.timedOut && !reaped) {
        ::kill(pid, SIGKILL);
        reapBlocking(pid, &status);
        return result;
    }
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

} // namespace corvanta
