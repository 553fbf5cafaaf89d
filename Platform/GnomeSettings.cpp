#include "Platform/GnomeSettings.h"

#include <gio/gio.h>

#include <functional>

namespace corvanta::GnomeSettings {
namespace {

// The installed schema (a new reference), or null.
GSettingsSchema* lookup(const QString& schemaId)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    return source ? g_settings_schema_source_lookup(source, schemaId.toUtf8().constData(), TRUE) : nullptr;
}

// A new reference to the settings of an installed schema that has the key (if one is given).
GSettings* open(const QString& schemaId, const QString& key)
{
    GSettingsSchema* schema = lookup(schemaId);
    if (!schema)
        return nullptr;
    GSettings* settings = nullptr;
    if (key.isEmpty() || g_settings_schema_has_key(schema, key.toUtf8().constData()))
        settings = g_settings_new_full(schema, nullptr, nullptr);
    g_settings_schema_unref(schema);
    return settings;
}

// Hands `take` the key's value when the schema has the key and the value has the type.
void read(const QString& schemaId, const QString& key, const GVariantType* type, const std::function<void(GVariant*)>& take)
{
    GSettings* settings = open(schemaId, key);
    if (!settings)
        return;
    GVariant* value = g_settings_get_value(settings, key.toUtf8().constData());
    if (value && g_variant_is_of_type(value, type))
        take(value);
    if (value)
        g_variant_unref(value);
    g_object_unref(settings);
}

void onChanged(GSettings*, const gchar* key, gpointer watcher)
{
    Q_EMIT static_cast<Watcher*>(watcher)->changed(QString::fromUtf8(key));
}

} // namespace

bool has(const QString& schemaId, const QString& key)
{
    GSettingsSchema* schema = lookup(schemaId);
    if (!schema)
        return false;
    const bool found = key.isEmpty() || g_settings_schema_has_key(schema, key.toUtf8().constData());
    g_settings_schema_unref(schema);
    return found;
}

QString readString(const QString& schemaId, const QString& key)
{
    QString out;
    read(schemaId, key, G_VARIANT_TYPE_STRING, [&](GVariant* value) { out = QString::fromUtf8(g_variant_get_string(value, nullptr)); });
    return out;
}

std::optional<int> readInt(const QString& schemaId, const QString& key)
{
    std::optional<int> out;
    read(schemaId, key, G_VARIANT_TYPE_INT32, [&](GVariant* value) { out = g_variant_get_int32(value); });
    return out;
}

std::optional<bool> readBool(const QString& schemaId, const QString& key)
{
    std::optional<bool> out;
    read(schemaId, key, G_VARIANT_TYPE_BOOLEAN, [&](GVariant* value) { out = g_variant_get_boolean(value) != FALSE; });
    return out;
}

Watcher::Watcher(const QString& schemaId, QObject* parent) : QObject(parent)
{
    GSettings* settings = open(schemaId, {});
    if (!settings)
        return;
    m_settings = settings;
    m_handler = g_signal_connect(settings, "changed", G_CALLBACK(onChanged), this);
}

Watcher::~Watcher()
{
    if (!m_settings)
        return;
    g_signal_handler_disconnect(m_settings, m_handler);
    g_object_unref(m_settings);
}

} // namespace corvanta::GnomeSettings
