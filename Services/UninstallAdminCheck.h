#pragma once

#include "Services/UninstallGuard.h"

#include <QByteArrayList>

#include <memory>
#include <optional>

namespace corvanta::Uninstall {

// The folders the administrator helper works with for the user whose home is `home` (its real
// path, from the system's user database): the standard application folders, each only when no
// link lies on its way (a link in the user's folders would let the user point the helper
// anywhere), and the program's own bundle.
UninstallRoots adminHelperRoots(const QString& home, const QString& ownBundle);

// The user id pkexec names in PKEXEC_UID: decimal digits only, no sign, no blanks, no overflow.
// Nothing for anything else, the empty text included (it must never read as root).
std::optional<quint32> parseUserId(const char* text);

// What the administrator helper deletes, knowing nothing but the path: only what an uninstall
// may. Either an application bundle (a real "*.app" folder directly in an application folder,
// whose Contents/Info.plist names a bundle identifier, not a system application nor the program)
// or an item inside the Library folders the leftover scan searches, at a place a plan could have
// put it. Everything the guard demands of any path holds as well. Nothing when it may be deleted;
// `isBundle` tells which kind the path was taken for.
std::optional<QString> adminHelperRefusal(const QString& path, const UninstallGuard& guard, bool* isBundle = nullptr);

// The helper's work on one argument, the path's bytes exactly as given: checks it, deletes it
// without following links, and returns the helper's exit code (AdminHelperExit). Bytes that do not
// read back as the same text are refused: written out again they would name another file. `why`
// receives the reason of a refusal or failure.
int adminHelperDelete(const QByteArray& path, const UninstallGuard& guard, QString& why, bool* isBundle = nullptr);

// The helper's work on all the paths of one uninstall, in order: one report line per path
// (AdminHelperReport) in `report`, the reasons of refusals and failures in `why`. An application
// bundle that does not go takes the paths after it with it: they are skipped, as the program
// keeps the leftovers of a bundle it could not remove. Returns the worst status.
int adminHelperRun(const QByteArrayList& paths, const UninstallGuard& guard, QByteArray& report, QStringList& why);

// Whether the user this program runs as may remove `path` from its folder (no administrator).
bool userMayRemove(const QString& path, const UninstallEnvironment& env);
// Whether that user may remove everything inside `folder` (links not followed): a plain removal
// that met a folder it may not empty would leave the bundle half gone, its Info.plist with it.
bool userMayEmpty(const QString& folder, const UninstallEnvironment& env);

// The administrator route as the program sees it: the deleter of the environment and the helper
// behind it, judging paths against the helper's own roots (the environment's `adminRoots`, or its
// roots). The user is asked for the password only for paths it will take.
class AdminRoute {
public:
    explicit AdminRoute(const UninstallEnvironment& env);
    AdminRoute(const AdminRoute&) = delete;
    AdminRoute& operator=(const AdminRoute&) = delete;

    // Nothing when the route can delete `path`; else why not, in words for the sheet.
    std::optional<QString> unavailableReason(const QString& path) const;
    bool serves(const QString& path) const { return !unavailableReason(path); }

private:
    UninstallEnvironment m_env;
    std::unique_ptr<UninstallGuard> m_guard;
};

} // namespace corvanta::Uninstall
