#include "Platform/WallpaperChangeSource.h"

#include "Platform/CurrentDesktopWatcher.h"
#include "Platform/GnomeSettings.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

namespace corvanta {

LinuxWallpaperChangeSource::LinuxWallpaperChangeSource(QString indexPath, QByteArray displayName,
                                                       QString backgroundSchema, QObject* parent)
    : WallpaperChangeSource(parent),
      m_indexPath(std::move(indexPath)),
      m_displayName(std::move(displayName)),
      m_backgroundSchema(std::move(backgroundSchema))
{
}

LinuxWallpaperChangeSource::~LinuxWallpaperChangeSource() = default;

void LinuxWallpaperChangeSource::start()
{
    if (m_watcher)
        return;
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &LinuxWallpaperChangeSource::changed);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &LinuxWallpaperChangeSource::changed);
    rewatch();
    auto* background = new GnomeSettings::Watcher(m_backgroundSchema, this);
    connect(background, &GnomeSettings::Watcher::changed, this, [this](const QString& key) {
        if (key.startsWith(QStringLiteral("picture-")))
            changed();
    });
    m_desktop = new CurrentDesktopWatcher(m_displayName, this);
    connect(m_desktop, &CurrentDesktopWatcher::currentDesktopChanged, this,
            &WallpaperChangeSource::activeSpaceChanged);
}

void LinuxWallpaperChangeSource::rewatch()
{
    // An atomic save replaces the file, which drops its watch; adding it again picks up the new one.
    const QFileInfo index(m_indexPath);
    for (const QString& path : {index.absolutePath(), index.absoluteFilePath()}) {
        if (QFileInfo::exists(path) && !m_watcher->files().contains(path) && !m_watcher->directories().contains(path))
            m_watcher->addPath(path);
    }
}

void LinuxWallpaperChangeSource::changed()
{
    rewatch();
    Q_EMIT desktopNotification({{QStringLiteral("BackgroundChanged"), true}});
}

} // namespace corvanta
