#pragma once

#include <QString>

#include <functional>

namespace corvanta {

enum class LogLevel { Debug, Info, Warning, Error };

// The one logger of the process. Call sites use the CLOG_* macros so that the file, function and
// line of the caller travel with every message.
class Logger {
public:
    using Listener = std::function<void(LogLevel level, const QString& message)>;

    static Logger& shared();

    void debug(const QString& message, const char* file, const char* function, int line);
    void info(const QString& message, const char* file, const char* function, int line);
    void warning(const QString& message, const char* file, const char* function, int line);
    void error(const QString& message, const char* file, const char* function, int line);
    void log(LogLevel level, const QString& message, const char* file, const char* function, int line);

    // Returns once every line queued before the call is in the file.
    void flush();

    // Observers see every message synchronously on the logging thread (tests capture lines this way).
    int addListener(Listener listener);
    void removeListener(int token);

private:
    Logger();
    ~Logger();
    struct Private;
    Private* d;
};

} // namespace corvanta

#define CLOG_DEBUG(message) ::corvanta::Logger::shared().debug((message), __FILE__, __func__, __LINE__)
#define CLOG_INFO(message) ::corvanta::Logger::shared().info((message), __FILE__, __func__, __LINE__)
#define CLOG_WARN(message) ::corvanta::Logger::shared().warning((message), __FILE__, __func__, __LINE__)
#define CLOG_ERROR(message) ::corvanta::Logger::shared().error((message), __FILE__, __func__, __LINE__)
