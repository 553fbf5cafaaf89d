#include "Support/Logger.h"

#include "Platform/StandardPaths.h"
#include "Platform/SystemLog.h"
#include "Support/LogFileSetup.h"
#include "Support/LogLine.h"
#include "Support/LogListeners.h"
#include "Support/LogWriteQueue.h"

#include <QDateTime>

namespace corvanta {

struct Logger::Private {
    explicit Private(Options options)
        : systemLog(std::move(options.systemLog))
        , currentTime(options.currentTime ? std::move(options.currentTime)
                                          : [] { return QDateTime::currentMSecsSinceEpoch(); })
        , queue(prepareLogFile(options.logsBaseDirectory, currentTime()))
    {
    }

    std::shared_ptr<SystemLog> systemLog;
    std::function<qint64()> currentTime;
    LogListeners listeners;
    LogWriteQueue queue;
};

Logger::Logger(Options options) : d(std::make_unique<Private>(std::move(options))) {}

Logger::~Logger() = default;

Logger& Logger::shared()
{
    // Never destroyed: logging may happen while the process exits.
    static Logger* instance = new Logger({StandardPaths::logsBaseDirectory(), SystemLog::platformDefault(), {}});
    return *instance;
}

void Logger::debug(const QString& m, const char* f, const char* fn, int l) { log(LogLevel::Debug, m, f, fn, l); }
void Logger::info(const QString& m, const char* f, const char* fn, int l) { log(LogLevel::Info, m, f, fn, l); }
void Logger::warning(const QString& m, const char* f, const char* fn, int l) { log(LogLevel::Warning, m, f, fn, l); }
void Logger::error(const QString& m, const char* f, const char* fn, int l) { log(LogLevel::Error, m, f, fn, l); }

void Logger::log(LogLevel level, const QString& message, const char* file, const char* function, int line)
{
    // Each thread formats into a buffer of its own that keeps its capacity between calls.
    thread_local std::string text;
    text.clear();
    LogLine::append(text, level, d->currentTime(), file, function, line, message);
    if (d->systemLog)
        d->systemLog->send(level, text);
    d->queue.enqueue(text);
    d->listeners.notify(level, message); // last: a listener may log in turn
}

void Logger::flush()
{
    d->queue.flush();
}

int Logger::addListener(Listener listener)
{
    return d->listeners.add(std::move(listener));
}

void Logger::removeListener(int token)
{
    d->listeners.remove(token);
}

} // namespace corvanta
