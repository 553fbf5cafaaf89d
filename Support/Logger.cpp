#include "Support/Logger.h"

#include <QMutex>
#include <QMutexLocker>

#include <cstdio>
#include <map>

namespace corvanta {

// Minimal logger: stderr only, until the file-backed logger lands.
struct Logger::Private {
    QMutex mutex;
    int nextToken = 1;
    std::map<int, Listener> listeners;
};

Logger::Logger() : d(new Private) {}
Logger::~Logger() { delete d; }

Logger& Logger::shared()
{
    static Logger* instance = new Logger; // never destroyed: logging may happen during exit
    return *instance;
}

void Logger::debug(const QString& m, const char* f, const char* fn, int l) { log(LogLevel::Debug, m, f, fn, l); }
void Logger::info(const QString& m, const char* f, const char* fn, int l) { log(LogLevel::Info, m, f, fn, l); }
void Logger::warning(const QString& m, const char* f, const char* fn, int l) { log(LogLevel::Warning, m, f, fn, l); }
void Logger::error(const QString& m, const char* f, const char* fn, int l) { log(LogLevel::Error, m, f, fn, l); }

void Logger::log(LogLevel level, const QString& message, const char* file, const char* function, int line)
{
    std::map<int, Listener> listeners;
    {
        QMutexLocker lock(&d->mutex);
        listeners = d->listeners;
    }
    for (auto& [token, listener] : listeners)
        listener(level, message);
    std::fprintf(stderr, "[%s:%d %s] %s\n", file, line, function, message.toUtf8().constData());
}

void Logger::flush() {}

int Logger::addListener(Listener listener)
{
    QMutexLocker lock(&d->mutex);
    const int token = d->nextToken++;
    d->listeners.emplace(token, std::move(listener));
    return token;
}

void Logger::removeListener(int token)
{
    QMutexLocker lock(&d->mutex);
    d->listeners.erase(token);
}

} // namespace corvanta
