#pragma once

#include <QRectF>
#include <QString>

namespace corvanta {

// What the desktop itself says about its wallpaper: the picture it shows on a screen, and
// whether this process may capture the screen (only ever logged, never asked for).
class DesktopWorkspace {
public:
    virtual ~DesktopWorkspace() = default;
    // Local path of the desktop picture for the screen with that frame; empty when there is none.
    virtual QString desktopImagePath(const QRectF& screenFrame) const = 0;
    virtual bool screenCaptureAllowed() const = 0;
};

// GNOME's background setting (its dark variant under the dark style), read through GIO. A system
// without the schema (another desktop, a bare server) has no desktop picture.
class GnomeDesktopWorkspace final : public DesktopWorkspace {
public:
    explicit GnomeDesktopWorkspace(QString schemaId = QStringLiteral("org.gnome.desktop.background"),
                                   QString key = QStringLiteral("picture-uri"));
    static GnomeDesktopWorkspace& shared();

    QString desktopImagePath(const QRectF& screenFrame) const override;
    // X11 has no capture permission: every client may read the screen.
    bool screenCaptureAllowed() const override { return true; }

private:
    QString m_schemaId;
    QString m_key;
};

} // namespace corvanta
