#pragma once

#include "Platform/UserDefaults.h"

#include <QHash>
#include <QVariant>

namespace corvanta {

// User defaults held in memory only: for tests and benchmarks.
class InMemoryUserDefaults final : public UserDefaults {
public:
    std::optional<QByteArray> data(const QString& key) const override
    {
        const auto it = m_values.constFind(key);
        if (it == m_values.cend() || it->typeId() != QMetaType::QByteArray)
            return std::nullopt;
        return it->toByteArray();
    }
    void setData(const QString& key, const QByteArray& value) override
    {
        m_values.insert(key, value);
        ++m_writes;
    }
    bool boolValue(const QString& key) const override { return m_values.value(key).toBool(); }
    void setBool(const QString& key, bool value) override
    {
        m_values.insert(key, value);
        ++m_writes;
    }
    void remove(const QString& key) override { m_values.remove(key); }

    bool contains(const QString& key) const { return m_values.contains(key); }
    // Number of setData and setBool calls so far.
    int writeCount() const { return m_writes; }

private:
    QHash<QString, QVariant> m_values;
    int m_writes = 0;
};

} // namespace corvanta
