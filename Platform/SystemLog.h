#pragma once

#include "Support/LogLevel.h"

#include <QString>

#include <chrono>
#include <memory>
#include <mutex>
#include <string_view>

namespace corvanta {

// The system-wide log that every log line is also handed to, on the caller's thread.
class SystemLog {
public:
    virtual ~SystemLog() = default;
    // `line` is the complete UTF-8 line, trailing new line included. Never blocks.
    virtual void send(LogLevel level, std::string_view line) = 0;

    // The system log of this platform (syslog, ident "com.corvanta"), or none when the environment
    // variable CORVANTA_SYSLOG is "0".
    static std::shared_ptr<SystemLog> platformDefault();
};

// A syslog client on the local datagram socket. It never waits for the daemon: a line the daemon
// has no room for is dropped, and while no daemon listens, a reconnection is tried at most once a
// second, so a machine without one costs the caller next to nothing.
class SyslogSystemLog final : public SystemLog {
public:
    explicit SyslogSystemLog(QString socketPath = QStringLiteral("/dev/log"));
    ~SyslogSystemLog() override;
    SyslogSystemLog(const SyslogSystemLog&) = delete;
    SyslogSystemLog& operator=(const SyslogSystemLog&) = delete;

    void send(LogLevel level, std::string_view line) override;

private:
    bool connectLocked();

    const QString m_socketPath;
    std::mutex m_mutex;
    int m_fd = -1;
    std::chrono::steady_clock::time_point m_lastAttempt;
};

} // namespace corvanta
