#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace corvanta {

// One run of a command-line tool, never through a shell.
struct ChildResult {
    bool started = false;   // false: missing, not executable or could not be started
    bool timedOut = false;  // killed at the deadline
    int exitCode = -1;      // -1 unless it exited normally
    QByteArray output;      // standard output (standard error is discarded)
    bool outputTruncated = false; // more than the limit was printed; the rest was read and dropped

    bool succeeded() const { return started && !timedOut && exitCode == 0; }
};

class ChildProcessRunner {
public:
    virtual ~ChildProcessRunner() = default;
    // Runs `program` with `arguments` and waits at most `timeoutMs` for it to exit. Its output is
    // read while it runs (so it never stalls on a full pipe) and at most `maxOutput` bytes are kept.
    virtual ChildResult run(const QString& program, const QStringList& arguments, int timeoutMs, qint64 maxOutput) = 0;
};

// posix_spawn with standard input and error on the null device and standard output on a pipe
// that is drained with poll() until the child exits or the deadline passes.
class SpawnChildProcessRunner : public ChildProcessRunner {
public:
    ChildResult run(const QString& program, const QStringList& arguments, int timeoutMs, qint64 maxOutput) override;
};

// Whether `path` names a file this process may execute.
bool isExecutableFile(const QString& path);

} // namespace corvanta
