#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace corvanta::StandardPaths {

// The current user's home folder as the platform reports it.
QString homeDirectory();

// The per-user data folder that holds the program's own folder ("Application Support"):
// $XDG_DATA_HOME, or ~/.local/share when it is unset, empty or relative.
QString applicationSupportDirectory();

// The per-user folder under which the log folder lives: $XDG_STATE_HOME, or ~/.local/state when it
// is unset, empty or relative.
QString logsBaseDirectory();

// The environment variable that replaces the standard application folders with a list of its own
// (colon separated), so the program can be pointed at a folder of sample applications.
inline constexpr char applicationDirectoriesVariable[] = "CORVANTA_APPLICATION_DIRS";

// The folders named by `value` in the form of CORVANTA_APPLICATION_DIRS; empty entries are skipped.
QStringList parseDirectoryList(const QString& value);

// The folders of CORVANTA_APPLICATION_DIRS, or nothing when it is unset or names no folder.
std::optional<QStringList> applicationDirectoriesOverride();

} // namespace corvanta::StandardPaths
