#include "Platform/DesktopWorkspace.h"

#include <gio/gio.h>

namespace corvanta {

GnomeDesktopWorkspace::GnomeDesktopWorkspace(QString schemaId, QString key)
    : m_schemaId(std::move(schemaId)), m_key(std::move(key))
{
}

GnomeDesktopWorkspace& GnomeDesktopWorkspace::shared()
{
    static GnomeDesktopWorkspace instance;
    return instance;
}

QString GnomeDesktopWorkspace::desktopImagePath(const QRectF&) const
{
    // g_settings_new() aborts on an unknown schema or key, so both are looked up first.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return {};
    const QByteArray schemaId = m_schemaId.toUtf8();
    const QByteArray key = m_key.toUtf8();
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, schemaId.constData(), TRUE);
    if (!schema)
        return {};
    const bool hasKey = g_settings_schema_has_key(schema, key.constData());
    GSettings* settings = hasKey ? g_settings_new_full(schema, nullptr, nullptr) : nullptr;
    g_settings_schema_unref(schema);
    if (!settings)
        return {};
    QString path;
    GVariant* value = g_settings_get_value(settings, key.constData());
    if (value && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) {
        const gchar* uri = g_variant_get_string(value, nullptr);
        if (uri && *uri) {
            if (g_str_has_prefix(uri, "file:")) {
                if (gchar* file = g_filename_from_uri(uri, nullptr, nullptr)) {
                    path = QString::fromLocal8Bit(file);
                    g_free(file);
                }
            } else if (uri[0] == '/') {
                path = QString::fromLocal8Bit(uri);
            }
        }
    }
    if (value)
        g_variant_unref(value);
    g_object_unref(settings);
    return path;
}

} // namespace corvanta
