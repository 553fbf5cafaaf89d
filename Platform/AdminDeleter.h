#pragma once

#include "Platform/ChildProcess.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace corvanta {

// Deletes paths with administrator rights, after the user agreed in the system's prompt.
class AdminDeleter {
public:
    // Whether there is a way to ask for administrator rights on this machine at all.
    enum class Availability { ready, noPkexec, noHelper };
    struct Result {
        bool ran = false;     // the helper ran (the user authorised it)
        bool succeeded = false; // it reported the path deleted
        QString message;      // why not, for the log
    };
    virtual ~AdminDeleter() = default;
    virtual Availability availability() const = 0;
    // All the paths of one uninstall under one authorisation, in order (an application bundle
    // before its leftovers); one result per path, in the same order.
    virtual QList<Result> deletePaths(const QStringList& paths) = 0;
};

// Runs the program's fixed deletion helper through pkexec: "pkexec <helper> -- <path>...", each
// path one argument, no shell. The helper checks every path again with its own guard before it
// deletes it, and reports each path on a line of its own.
class PkexecAdminDeleter : public AdminDeleter {
public:
    PkexecAdminDeleter(QString pkexecPath, QString helperPath, std::shared_ptr<ChildProcessRunner> runner,
                       int timeoutMs = 300000);
    Availability availability() const override;
    QList<Result> deletePaths(const QStringList& paths) override;
    // The argument list given to pkexec for `paths`.
    QStringList arguments(const QStringList& paths) const;

private:
    QString m_pkexec;
    QString m_helper;
    std::shared_ptr<ChildProcessRunner> m_runner;
    int m_timeoutMs;
};

// Exit codes of the helper: `deleted` when every path went, else the worst of its paths'.
namespace AdminHelperExit {
inline constexpr int deleted = 0;
inline constexpr int usage = 64;
inline constexpr int refused = 65;
inline constexpr int failed = 66;
} // namespace AdminHelperExit

// The helper's report of one path, a line of its standard output: "<status> <index>\n", the
// index counting the paths from 0, the status one of the exit codes (or `skipped`).
namespace AdminHelperReport {
inline constexpr int skipped = 67; // not tried: the application bundle before it did not go
QByteArray line(int status, qsizetype index);
// The statuses of `count` paths read from the helper's output; a path it did not report gets
// `fallback`.
QList<int> statuses(const QByteArray& output, qsizetype count, int fallback);
} // namespace AdminHelperReport

} // namespace corvanta
