#pragma once

#include "Platform/UserDefaults.h"

#include <QSettings>

namespace corvanta {

// User defaults kept by QSettings in the platform's native format.
class SettingsUserDefaults final : public UserDefaults {
public:
    // The program's store (organisation and application "Corvanta").
    SettingsUserDefaults();
    // A store in a file of the native format, for tools that need their own.
    explicit SettingsUserDefaults(const QString& fileName);

    std::optional<QByteArray> data(const QString& key) const override;
    void setData(const QString& key, const QByteArray& value) override;
    bool boolValue(const QString& key) const override;
    void setBool(const QString& key, bool value) override;
    void remove(const QString& key) override;

private:
    void write(const QString& key, const QVariant& value);

    mutable QSettings m_settings;
};

} // namespace corvanta
