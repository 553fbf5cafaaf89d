#include "Platform/SettingsUserDefaults.h"

namespace corvanta {

SettingsUserDefaults::SettingsUserDefaults()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvanta"),
                 QStringLiteral("Corvanta"))
{
}

SettingsUserDefaults::SettingsUserDefaults(const QString& fileName)
    : m_settings(fileName, QSettings::NativeFormat)
{
}

std::optional<QByteArray> SettingsUserDefaults::data(const QString& key) const
{
    const QVariant value = m_settings.value(key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

void SettingsUserDefaults::setData(const QString& key, const QByteArray& value)
{
    write(key, value);
}

bool SettingsUserDefaults::boolValue(const QString& key) const
{
    return m_settings.value(key).toBool();
}

void SettingsUserDefaults::setBool(const QString& key, bool value)
{
    write(key, value);
}

void SettingsUserDefaults::remove(const QString& key)
{
    m_settings.remove(key);
    m_settings.sync();
}

void SettingsUserDefaults::write(const QString& key, const QVariant& value)
{
    m_settings.setValue(key, value);
    // Written through at once: the process may be killed before Qt's lazy flush.
    m_settings.sync();
}

UserDefaults& UserDefaults::standard()
{
    static SettingsUserDefaults defaults;
    return defaults;
}

} // namespace corvanta
