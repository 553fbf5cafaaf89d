#pragma once

#include "Services/UninstallAdminCheck.h"
#include "Services/UninstallEnvironment.h"
#include "Services/UninstallGuard.h"
#include "Services/UninstallRecords.h"

namespace corvanta::Uninstall {

// Whether an application may never be uninstalled: the program itself, the system's applications
// and anything under the system folder.
bool isProtectedApp(const AppItem& app, const UninstallEnvironment& env);

// Carries out a confirmed plan on the calling thread: refuses protected applications, checks the
// bundle before touching anything, quits the application, unloads its launch items, deletes the
// bundle (when asked) and every leftover (each through the guard), and removes its Dock tiles.
// What the plain removal may not delete goes through the administrator route in one call for the
// whole uninstall, so the user is asked once, for exactly those items.
UninstallOutcome executeUninstall(const UninstallPlan& plan, bool includeApp, const UninstallEnvironment& env,
                                  const UninstallGuard& guard, const AdminRoute& route);

// Quits the running instances: a polite request, then, after 2 seconds, a forced end.
void terminateProcesses(const AppItem& app, const UninstallEnvironment& env);

} // namespace corvanta::Uninstall
