#pragma once

#include "Support/LogLevel.h"

#include <QString>

#include <functional>
#include <memory>

namespace corvanta {

class SystemLog;

// The one logger of the process. Call sites use the CLOG_* macros so that the file, function and
// line of the caller travel with every message. Each call formats one line, hands it to the system
// log and to the listeners on the caller's thread, and queues it for the log file; no call waits
// for the disk.
class Logger {
public:
    using Listener = std::function<void(LogLevel level, const QString& message)>;

    struct Options {
        // The folder that holds the "Corvanta" log folder (and perhaps the earlier "Verdanza" one).
        QString logsBaseDirectory;
        // Null: lines go to the file and the listeners only.
        std::shared_ptr<SystemLog> systemLog;
        // Wall-clock time in milliseconds since the epoch; null: the real clock.
        std::function<qint64()> currentTime;
    };

    // The process's logger, created on first use under the platform's log folder.
    static Logger& shared();

    // Prepares the log file (see LogFileSetup.h) and writes the session banner before returning.
    explicit Logger(Options options);
    // Writes the lines still queued.
    ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    void debug(const QString& message, const char* file, const char* function, int line);
    void info(const QString& message, const char* file, const char* function, int line);
    void warning(const QString& message, const char* file, const char* function, int line);
    void error(const QString& message, const char* file, const char* function, int line);
    void log(LogLevel level, const QString& message, const char* file, const char* function, int line);

    // Returns once every line queued before the call is in the file.
    void flush();

    // Observers see every message synchronously on the logging thread (tests capture lines this way).
    // After removeListener returns, the listener is no longer running anywhere.
    int addListener(Listener listener);
    void removeListener(int token);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace corvanta

#define CLOG_DEBUG(message) ::corvanta::Logger::shared().debug((message), __FILE__, __func__, __LINE__)
#define CLOG_INFO(message) ::corvanta::Logger::shared().info((message), __FILE__, __func__, __LINE__)
#define CLOG_WARN(message) ::corvanta::Logger::shared().warning((message), __FILE__, __func__, __LINE__)
#define CLOG_ERROR(message) ::corvanta::Logger::shared().error((message), __FILE__, __func__, __LINE__)
