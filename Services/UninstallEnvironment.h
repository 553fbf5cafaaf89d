#pragma once

#include "Models/AppItem.h"
#include "Platform/AdminDeleter.h"
#include "Platform/Bundle.h"
#include "Platform/ChildProcess.h"
#include "Platform/DockTileStore.h"
#include "Platform/RunningApplications.h"
#include "Platform/SafeFiles.h"
#include "Support/TaskRunner.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace corvanta {

// The folders the uninstaller reads and may delete in. Every one is a parameter, so a test points
// the whole uninstaller at a fixture tree. Paths are absolute, standardised, with no link in them.
struct UninstallRoots {
    QString home;       // the user's home folder
    QString systemRoot; // prefix of the system folders: "" on a real system, a fixture otherwise
    // The folders applications are installed in (top level only); the bundle to delete must be
    // directly inside one of them.
    QStringList applicationFolders;
    // The program's own bundle (see ownBundleOf) and its own state folders (support, settings,
    // logs, caches): never offered and never deleted.
    QString ownBundle;
    QStringList ownStateFolders;
    // Where the user's Library folder really lies when it is a link (as a home may be); empty: it
    // is the folder "Library" in the home.
    QString userLibrary;

    QString system(const QString& path) const { return systemRoot + path; } // path begins with "/"
    QString library() const { return system(QStringLiteral("/Library")); }
    QString homeLibrary() const { return userLibrary.isEmpty() ? home + QStringLiteral("/Library") : userLibrary; }

    // The real machine: the home folder, "/", the standard application folders, this program's
    // bundle and its data, settings, log and cache folders.
    static UninstallRoots forThisSystem();

    // The bundle a program's executable (an absolute path with no link in it) belongs to: the
    // X.app folder when it lies in X.app/Contents/MacOS, otherwise the executable file itself. The
    // folder around a bare executable is not the program's: other applications may sit beside it.
    static QString ownBundleOf(const QString& executable);
};

// Where the tools live. On a system without them, the lookup or unloading they do is skipped.
struct UninstallTools {
    QString pkgutil = QStringLiteral("/usr/sbin/pkgutil");
    QString launchctl = QStringLiteral("/bin/launchctl");
    int timeoutMs = 15000;              // one run of a tool
    qint64 maxOutput = 32 * 1024 * 1024; // bytes of output kept from one run
    int maxListedFiles = 200000;        // lines of one package listing looked at
};

struct UninstallEnvironment {
    UninstallRoots roots;
    UninstallTools tools;
    std::shared_ptr<const BundleReader> bundles;
    std::shared_ptr<ChildProcessRunner> processes;
    std::shared_ptr<RunningApplications> running;
    std::shared_ptr<AdminDeleter> admin;
    // The folders the administrator helper judges paths by: its own view of the user's folders,
    // which it takes from the system, not from the program. Empty: the same as `roots`.
    std::optional<UninstallRoots> adminRoots;
    std::shared_ptr<DockTileStore> dock;
    // The applications installed now; a leftover another one matches at least as well is not offered.
    std::function<QList<AppItem>()> installedApps;
    std::function<void(const QString& url)> openUrl;
    TaskRunner background; // where plans and deletions run
    TaskRunner home;       // where their results are delivered (the main thread)
    // The quit wait: monotonic seconds and a pause of the calling (background) thread.
    std::function<double()> now;
    std::function<void(double seconds)> pause;
    SafeFiles::DeviceOverride deviceOverride; // tests only
    SafeFiles::MountCheck mounts;             // how mount points are recognised (tests: a mount table of their own)
    // The plain removal; tests put a failing one here to reach the administrator route.
    std::function<SafeFiles::RemoveOutcome(const QString& path, std::optional<SafeFiles::Identity> expected)> remove;
    SafeFiles::Credentials credentials = SafeFiles::Credentials::ofProcess();
    // The identifier of the program itself.
    QString ownBundleIdentifier = QStringLiteral("com.corvanta.app");
    // Where what partial removals left of bundles is remembered across runs; empty: for the life
    // of the guard only.
    QString remnantsFile;
};

} // namespace corvanta
