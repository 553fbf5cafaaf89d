#include "Platform/LogindSleepWakeSource.h"

#include <QDBusConnection>

namespace corvanta {

namespace {

const QString service = QStringLiteral("org.freedesktop.login1");
const QString path = QStringLiteral("/org/freedesktop/login1");
const QString interface = QStringLiteral("org.freedesktop.login1.Manager");
const QString signal = QStringLiteral("PrepareForSleep");

} // namespace

LogindSleepWakeSource::~LogindSleepWakeSource()
{
    stop();
}

void LogindSleepWakeSource::start(std::function<void()> willSleep, std::function<void()> didWake)
{
    stop();
    m_willSleep = std::move(willSleep);
    m_didWake = std::move(didWake);
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected())
        m_connected = bus.connect(service, path, interface, signal, this, SLOT(prepareForSleep(bool)));
}

void LogindSleepWakeSource::stop()
{
    if (m_connected)
        QDBusConnection::systemBus().disconnect(service, path, interface, signal, this, SLOT(prepareForSleep(bool)));
    m_connected = false;
    m_willSleep = nullptr;
    m_didWake = nullptr;
}

void LogindSleepWakeSource::prepareForSleep(bool sleeping)
{
    const auto& handler = sleeping ? m_willSleep : m_didWake;
    if (handler)
        handler();
}

std::unique_ptr<SleepWakeSource> makeSystemSleepWakeSource()
{
    return std::make_unique<LogindSleepWakeSource>();
}

} // namespace corvanta
