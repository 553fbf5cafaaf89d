#pragma once

#include "Services/UninstallGuard.h"

namespace corvanta::Uninstall {

// What the administrator helper accepts, knowing nothing but the path: everything the guard
// demands of any path, and a place a plan could have put it (an application bundle directly in an
// application folder, an entry of a scan folder or of the vendor's folder inside one, a launch item,
// a container, or a file that is no folder). Nothing when the path may be deleted.
std::optional<QString> adminHelperRefusal(const QString& path, const UninstallGuard& guard);

} // namespace corvanta::Uninstall
