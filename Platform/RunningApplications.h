#pragma once

#include <QList>
#include <QString>

namespace corvanta {

// The running instances of an application, and asking them to quit.
class RunningApplications {
public:
    virtual ~RunningApplications() = default;
    // Process ids of the instances of the application with this identifier, installed at
    // `bundlePath`.
    virtual QList<qint64> processes(const QString& bundleIdentifier, const QString& bundlePath) const = 0;
    virtual void terminate(qint64 pid) = 0;      // a polite request to quit
    virtual void forceTerminate(qint64 pid) = 0;
};

// Processes of this user whose executable lies inside the bundle folder (read from /proc);
// SIGTERM asks them to quit and SIGKILL ends them.
class ProcRunningApplications : public RunningApplications {
public:
    explicit ProcRunningApplications(QString procRoot = QStringLiteral("/proc")) : m_procRoot(std::move(procRoot)) {}
    QList<qint64> processes(const QString& bundleIdentifier, const QString& bundlePath) const override;
    void terminate(qint64 pid) override;
    void forceTerminate(qint64 pid) override;

private:
    QString m_procRoot;
};

} // namespace corvanta
