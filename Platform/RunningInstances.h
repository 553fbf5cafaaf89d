#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace corvanta {

// The other running processes of this program: processes of the same user whose executable is
// ours, read from the process table (/proc), told apart by the user session they run in.
class RunningInstances {
public:
    // A user session as the program meets it: its runtime folder (where the program's processes
    // reach each other) and its X display. A user logged in twice has two.
    struct Session {
        QString runtimeDirectory; // XDG_RUNTIME_DIR
        QString display;          // DISPLAY
        // From this process's environment.
        static Session current();
        // Same runtime folder and same display (":0" and ":0.0" are one display).
        bool operator==(const Session& other) const;
    };
    // The other copies, in this session and in the user's other sessions.
    struct Found {
        QList<qint64> inSession;
        QList<qint64> elsewhere;
    };

    // `procRoot`: the process table's folder ("/proc"; a fixture tree in tests). `executable`: the
    // program's own executable path. `selfPid`: left out of the answer.
    RunningInstances(QString procRoot, QString executable, qint64 selfPid, uint userId);
    // This process, as the system sees it.
    static RunningInstances system();

    // Their process identifiers in ascending order. An executable replaced on disk since that
    // process started still counts as ours; a child of this process (not yet running what it was
    // started for) does not.
    QList<qint64> others() const;
    // The same, split by session: a process whose session cannot be read counts as one of ours
    // (whether it can be reached is found out by asking it).
    Found find(const Session& ours) const;

    // The session a process started in, from its environment file ("environ"); none when it cannot
    // be read. Reads at most 1 MiB.
    static std::optional<Session> sessionOf(const QString& environFile);
    // The parent process named in a process's "stat" file; none when it cannot be read. Reads at
    // most 4 KiB.
    static std::optional<qint64> parentOf(const QString& statFile);
    // ":0.0" → ":0": the screen number does not make another display.
    static QString displayWithoutScreen(const QString& display);

    // The target of an "exe" link without the kernel's mark for a file replaced since.
    static QString executableTarget(const QString& exeLink);

private:
    QString m_procRoot;
    QString m_executable;
    qint64 m_selfPid;
    uint m_userId;
};

} // namespace corvanta
