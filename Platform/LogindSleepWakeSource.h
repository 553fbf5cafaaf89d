#pragma once

#include "Platform/PinchEventSource.h"

#include <QObject>

namespace corvanta {

// logind's PrepareForSleep signal on the system bus: true before the machine sleeps, false after
// it wakes. Where there is no system bus or no logind nothing is ever reported.
class LogindSleepWakeSource final : public QObject, public SleepWakeSource {
    Q_OBJECT
public:
    using QObject::QObject;
    ~LogindSleepWakeSource() override;

    void start(std::function<void()> willSleep, std::function<void()> didWake) override;
    void stop() override;

private Q_SLOTS:
    void prepareForSleep(bool sleeping);

private:
    std::function<void()> m_willSleep;
    std::function<void()> m_didWake;
    bool m_connected = false;
};

} // namespace corvanta
