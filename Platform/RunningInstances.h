#pragma once

#include <QList>
#include <QString>

namespace corvanta {

// The other running processes of this program: processes of the same user whose executable is
// ours, read from the process table (/proc).
class RunningInstances {
public:
    // `procRoot`: the process table's folder ("/proc"; a fixture tree in tests). `executable`: the
    // program's own executable path. `selfPid`: left out of the answer.
    RunningInstances(QString procRoot, QString executable, qint64 selfPid, uint userId);
    // This process, as the system sees it.
    static RunningInstances system();

    // Their process identifiers in ascending order. An executable replaced on disk since that
    // process started still counts as ours.
    QList<qint64> others() const;

    // The target of an "exe" link without the kernel's mark for a file replaced since.
    static QString executableTarget(const QString& exeLink);

private:
    QString m_procRoot;
    QString m_executable;
    qint64 m_selfPid;
    uint m_userId;
};

} // namespace corvanta
