#pragma once

#include <QString>

namespace corvanta {

// Makes the desktop's Dock read its preferences again by ending its process (the system starts it
// anew). Runs in the background and logs its own outcome.
class DockRestarter {
public:
    virtual ~DockRestarter() = default;
    virtual void restart() = 0;
};

// Runs `tool` with the one argument `processName`, but only where the tool exists and a process
// of that name runs (on most Linux desktops neither does; the restart is then logged as skipped).
// The outcome line follows the tool's exit status. Not waited for.
class KillallDockRestarter final : public DockRestarter {
public:
    struct Config {
        QString tool = QStringLiteral("/usr/bin/killall");
        QString processName = QStringLiteral("Dock");
        QString processRoot = QStringLiteral("/proc");
    };
    KillallDockRestarter() = default;
    explicit KillallDockRestarter(Config config) : m_config(std::move(config)) {}

    void restart() override;
    // Whether a process whose command name is `processName` runs (read from `processRoot`).
    bool processRuns() const;

private:
    Config m_config;
};

} // namespace corvanta
