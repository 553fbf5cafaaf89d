#pragma once

#include <QString>
#include <QStringList>

namespace corvanta::ScanWarnings {

// Each scan outcome that drops or degrades a bundle logs one warning, so a missing application
// can be explained from the log. Paths go into the lines as plain text.

// The visible direct children of a scan folder, sorted by name. A folder that exists but cannot
// be listed logs a warning and gives nothing; so does, for itself, a child named "….app" whose
// name is not valid UTF-8 (no path could name it). A missing folder gives nothing silently.
QStringList listFolder(const QString& folder);

// The bundle's folder could not be opened; the warning names why when it can: a loop of symbolic
// links, or the system's error.
void droppedBundle(const QString& bundlePath);
// The bundle opened but its Info.plist exists and did not read as a dictionary: the folder name
// stands in for its name, and it has no identifier.
void unreadableInfo(const QString& bundlePath);

} // namespace corvanta::ScanWarnings
