#include "Platform/DesktopWorkspace.h"

#include "Platform/GnomeSettings.h"

#include <glib.h>

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
    // With the dark style the desktop shows the dark variant of the picture when it has one.
    QString uri;
    if (GnomeSettings::readString(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("color-scheme"))
        == QStringLiteral("prefer-dark"))
        uri = GnomeSettings::readString(m_schemaId, m_key + QStringLiteral("-dark"));
    if (uri.isEmpty())
        uri = GnomeSettings::readString(m_schemaId, m_key);
    if (uri.startsWith(QLatin1Char('/')))
        return uri;
    if (!uri.startsWith(QStringLiteral("file:")))
        return {};
    QString path;
    if (gchar* file = g_filename_from_uri(uri.toUtf8().constData(), nullptr, nullptr)) {
        path = QString::fromLocal8Bit(file);
        g_free(file);
    }
    return path;
}

} // namespace corvanta
