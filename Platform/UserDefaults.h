#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace corvanta {

// The per-user key-value store of small settings and flags. Values live under plain keys such as
// "com.corvanta.settings"; a key holds either a data value or a Boolean.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    // The data value under `key`; none when the key is absent or holds no data value.
    virtual std::optional<QByteArray> data(const QString& key) const = 0;
    virtual void setData(const QString& key, const QByteArray& value) = 0;
    // False when the key is absent.
    virtual bool boolValue(const QString& key) const = 0;
    virtual void setBool(const QString& key, bool value) = 0;
    virtual void remove(const QString& key) = 0;

    // The program's own defaults, kept in the platform's native settings store.
    static UserDefaults& standard();
};

} // namespace corvanta
