#pragma once

#include "Support/Logger.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

namespace corvanta::test {

// What a body run in a mount namespace of its own reported.
struct NamespaceRun {
    bool ran = false;     // false: no namespace could be made here (`failures` says why)
    std::string failures; // the body's complaints, empty when it found nothing wrong
};

namespace detail {

inline bool writeText(const char* path, const std::string& text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    ::close(fd);
    return ok;
}

} // namespace detail

namespace detail {

// Root: the body runs on a thread of its own that leaves the process's mount namespace (a thread
// may, with its own view of the file system); the namespace and its mounts go when the thread
// ends. No fork: a child of a process with other threads can find a lock taken for good, the
// sanitizers' allocator's among them. What the body reads of the mount table must be the
// thread's own (/proc/thread-self).
inline NamespaceRun runOnOwnThread(const std::function<std::string()>& body)
{
    NamespaceRun run;
    std::thread worker([&] {
        if (::unshare(CLONE_NEWNS) != 0) {
            run.failures = std::string("cannot make a mount namespace: ") + std::strerror(errno);
            return;
        }
        // Nothing mounted here may propagate back to the namespace we came from.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            run.failures = std::string("cannot make the mounts private: ") + std::strerror(errno);
            return;
        }
        run.ran = true;
        run.failures = body();
    });
    worker.join();
    return run;
}

} // namespace detail

// Runs `body` inside a private mount namespace: whatever it mounts is seen by nobody else and
// vanishes when the body is done, however it ends, so a test never leaves a mount behind. Root
// gets the namespace on a thread of its own; anyone else (and root not allowed one) in a forked
// child, through a user namespace of their own where the system allows it. The body returns its failures as text
// (empty when all held).
inline NamespaceRun runInOwnMountNamespace(const std::function<std::string()>& body)
{
    if (::geteuid() == 0) {
        // Root without the right to make one (a container's) may still get a user namespace below.
        if (NamespaceRun onThread = detail::runOnOwnThread(body); onThread.ran)
            return onThread;
    }
    NamespaceRun run;
    // The child is a copy of this thread alone: a lock another thread holds at the fork stays held
    // in the child for good. The log's writer is the one other thread a test has here, and with
    // its queue written it waits holding nothing.
    Logger::shared().flush();
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        run.failures = "no pipe";
        return run;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        run.failures = "no fork";
        return run;
    }
    if (child == 0) {
        ::close(pipeFds[0]);
        auto report = [&](const std::string& text, int status) {
            (void)!::write(pipeFds[1], text.data(), text.size());
            ::_exit(status);
        };
        if (::unshare(CLONE_NEWNS) != 0) {
            const std::string uid = std::to_string(::getuid()), gid = std::to_string(::getgid());
            if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
                report(std::string("cannot make a mount namespace: ") + std::strerror(errno), 77);
            detail::writeText("/proc/self/setgroups", "deny");
            if (!detail::writeText("/proc/self/uid_map", "0 " + uid + " 1")
                || !detail::writeText("/proc/self/gid_map", "0 " + gid + " 1"))
                report("cannot map the user in a user namespace", 77);
        }
        // Nothing mounted here may propagate back to the namespace we came from.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            report(std::string("cannot make the mounts private: ") + std::strerror(errno), 77);
        report(body(), 0);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[4096];
    bool hung = false;
    for (;;) {
        // A child stuck for a minute is ended and reported, rather than left for the runner to kill.
        pollfd ready{pipeFds[0], POLLIN, 0};
        const int polled = ::poll(&ready, 1, 60'000);
        if (polled == 0) {
            hung = true;
            ::kill(child, SIGKILL);
            break;
        }
        if (polled < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(buffer, size_t(got));
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
        run.failures = text;
        return run;
    }
    run.ran = true;
    if (hung) {
        run.failures = "the child hung: " + text;
        return run;
    }
    run.failures = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : "the child died: " + text;
    return run;
}

// Binds `source` onto `target` (both folders or both files) in the current namespace.
inline bool bindMount(const std::string& source, const std::string& target)
{
    return ::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) == 0;
}

} // namespace corvanta::test
