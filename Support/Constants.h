#pragma once

#include <QString>
#include <QStringList>
#include <QUuid>

namespace corvanta::AppConstants {

// The fixed id of the Utilities folder; also the decoding default that marks it.
inline constexpr QUuid systemUtilitiesFolderID{
    0x0A11C000, 0x5555, 0x4000, 0x80, 0x00, 0x55, 0x54, 0x49, 0x4C, 0x49, 0x54};

// Compression quality of the JPEG files of the wallpaper blur cache.
inline constexpr double wallpaperBlurJPEGQuality = 0.85;

// The standard application folders under `homeDirectory`, in the order that decides which copy of
// an application wins when the same one sits in two of them.
QStringList scanDirectories(const QString& homeDirectory);

// The folders this process scans: the list of CORVANTA_APPLICATION_DIRS when it is set, otherwise
// the standard folders under the user's home. Built once, on first use.
QStringList scanDirectories();

// The system's Utilities folders, whose applications gather into the Utilities folder of the grid.
QStringList systemUtilitiesDirectories();

// The system's Utilities folders, plus every folder of `scanOverride` named "Utilities": with the
// scan folders replaced, those stand in for the system's.
QStringList utilitiesDirectories(const QStringList& scanOverride);

// The Utilities folders of this process (CORVANTA_APPLICATION_DIRS as the override). Built once.
QStringList utilitiesDirectories();

// The program's own folder `<base>/Corvanta`, created if missing. The first call that finds only
// the folder of the earlier product name (`<base>/Verdanza`) moves it into place. Never fails: the
// path is returned even when the folder could not be created.
QString resolvedAppSupportDirectory(const QString& applicationSupportBase);

// The same, under the platform's per-user data folder.
QString resolvedAppSupportDirectory();

} // namespace corvanta::AppConstants
