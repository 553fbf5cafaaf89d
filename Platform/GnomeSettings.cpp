#include "Platform/GnomeSettings.h"

#include <gio/gio.h>

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
    GSettings* settings = open(schemaId, key);
    if (!settings)
        return {};
    QString out;
    GVariant* value = g_settings_get_value(settings, key.toUtf8().constData());
    if (value && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING))
        out = QString::fromUtf8(g_variant_get_string(value, nullptr));
    if (value)
        g_variant_unref(value);
    g_object_unref(settings);
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
