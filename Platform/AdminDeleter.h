#pragma once

#include "Platform/ChildProcess.h"

#include <QString>

#include <memory>

namespace corvanta {

// Deletes one path with administrator rights, after the user agreed in the system's prompt.
class AdminDeleter {
public:
    struct Result {
        bool ran = false;     // the helper ran (the user authorised it)
        bool succeeded = false; // it reported the path deleted
        QString message;      // why not, for the log
    };
    virtual ~AdminDeleter() = default;
    virtual Result deletePath(const QString& path) = 0;
};

// Runs the program's fixed deletion helper through pkexec: "pkexec <helper> -- <path>", the path
// one argument, no shell. The helper checks the path again with its own guard before it deletes.
class PkexecAdminDeleter : public AdminDeleter {
public:
    PkexecAdminDeleter(QString pkexecPath, QString helperPath, std::shared_ptr<ChildProcessRunner> runner,
                       int timeoutMs = 300000);
    Result deletePath(const QString& path) override;
    // The argument list given to pkexec for `path`.
    QStringList arguments(const QString& path) const;

private:
    QString m_pkexec;
    QString m_helper;
    std::shared_ptr<ChildProcessRunner> m_runner;
    int m_timeoutMs;
};

// Exit codes of the helper.
namespace AdminHelperExit {
inline constexpr int deleted = 0;
inline constexpr int usage = 64;
inline constexpr int refused = 65;
inline constexpr int failed = 66;
} // namespace AdminHelperExit

} // namespace corvanta
