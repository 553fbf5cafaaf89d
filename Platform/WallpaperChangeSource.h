#pragma once

#include <QObject>
#include <QVariantMap>

class QFileSystemWatcher;

namespace corvanta {

// Tells the wallpaper store that the desktop changed. Signals arrive on the main thread.
class WallpaperChangeSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Begins watching; calling it again does nothing.
    virtual void start() = 0;

Q_SIGNALS:
    // The desktop's change notice with its user info; a changed wallpaper carries "BackgroundChanged".
    void desktopNotification(const QVariantMap& userInfo);
    // The user switched to another workspace.
    void activeSpaceChanged();
};

class CurrentDesktopWatcher;

// The Linux source: a file-system watch on the wallpaper store's index file and its folder, and
// GNOME's background settings, stand for the desktop's change notice; the X root window's
// current-desktop property for the workspace switch (silently off without an X display).
class LinuxWallpaperChangeSource final : public WallpaperChangeSource {
    Q_OBJECT
public:
    explicit LinuxWallpaperChangeSource(QString indexPath, QByteArray displayName = {},
                                        QString backgroundSchema = QStringLiteral("org.gnome.desktop.background"),
                                        QObject* parent = nullptr);
    ~LinuxWallpaperChangeSource() override;
    void start() override;

private:
    void rewatch();
    void changed();

    QString m_indexPath;
    QByteArray m_displayName;
    QString m_backgroundSchema;
    QFileSystemWatcher* m_watcher = nullptr;
    CurrentDesktopWatcher* m_desktop = nullptr;
};

} // namespace corvanta
