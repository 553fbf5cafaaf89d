#pragma once

#include "Services/UninstallGuard.h"

namespace corvanta::Uninstall {

// What the administrator helper accepts, knowing nothing but the path: everything the guard
// demands of any path, and a place a plan could have put it (an application bundle directly in an
// application folder, an entry of a scan folder or of the vendor's folder inside one, a launch item,
// a container, or a file that is no folder). Nothing when the path may be deleted.
std::optional<QString> adminHelperRefusal(const QString& path, const UninstallGuard& guard);

// The helper's work on its one argument, the path's bytes exactly as given: checks it, deletes it
// without following links, and returns the helper's exit code (AdminHelperExit). Bytes that do not
// read back as the same text are refused: written out again they would name another file. `why`
// receives the reason of a refusal or failure.
int adminHelperDelete(const QByteArray& path, const UninstallGuard& guard, QString& why);

} // namespace corvanta::Uninstall
