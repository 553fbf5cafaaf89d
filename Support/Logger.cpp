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
    // A local buffer rather than a per-thread one: lines may still be logged while the process exits,
    // after per-thread objects are gone.
    std::string text;
    text.reserve(96 + static_cast<std::size_t>(message.size()) * 3);
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
