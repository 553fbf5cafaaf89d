#pragma once

#include "Support/Logger.h"

#include <QMutex>
#include <QStringList>

namespace corvanta::test {

// Collects the messages logged while it exists.
class LogCapture {
public:
    LogCapture()
    {
        m_token = Logger::shared().addListener([this](LogLevel level, const QString& message) {
            QMutexLocker lock(&m_mutex);
            m_entries.append({level, message});
        });
    }
    ~LogCapture() { Logger::shared().removeListener(m_token); }

    struct Entry {
        LogLevel level;
        QString message;
    };
    QList<Entry> entries() const
    {
        QMutexLocker lock(&m_mutex);
        return m_entries;
    }
    QStringList messages() const
    {
        QStringList out;
        for (const auto& e : entries())
            out << e.message;
        return out;
    }
    bool contains(const QString& text) const
    {
        for (const auto& e : entries())
            if (e.message.contains(text))
                return true;
        return false;
    }
    int count(const QString& text) const
    {
        int n = 0;
        for (const auto& e : entries())
            n += e.message.contains(text) ? 1 : 0;
        return n;
    }
    void clear()
    {
        QMutexLocker lock(&m_mutex);
        m_entries.clear();
    }

private:
    mutable QMutex m_mutex;
    QList<Entry> m_entries;
    int m_token = 0;
};

} // namespace corvanta::test
