#include "Services/UninstallManager.h"

#include "Platform/InstallLayout.h"
#include "Platform/ResolvedPath.h"
#include "Platform/StandardPaths.h"
#include "Services/AppScanner.h"
#include "Services/DockFileTileStore.h"
#include "Services/UninstallAdminCheck.h"
#include "Support/Constants.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

#include <chrono>
#include <pwd.h>
#include <unistd.h>

namespace corvanta {

namespace {

// One walk of bounded cost: realpath() on a folder deep below others costs a look-up of every
// prefix, on the main thread at start.
QString canonical(const QString& path)
{
    return resolvedPath(path.isEmpty() ? QDir::currentPath() : QDir::cleanPath(path));
}

} // namespace

UninstallRoots UninstallRoots::forThisSystem()
{
    UninstallRoots roots;
    // Fixture machines: tests point the whole uninstaller at a home and a system tree of their own.
    const QString homeOverride = qEnvironmentVariable("CORVANTA_UNINSTALL_HOME");
    roots.home = canonical(homeOverride.isEmpty() ? StandardPaths::homeDirectory() : homeOverride);
    const QString systemOverride = qEnvironmentVariable("CORVANTA_UNINSTALL_SYSTEM_ROOT");
    if (!systemOverride.isEmpty())
        roots.systemRoot = canonical(systemOverride);
    for (const QString& folder : AppConstants::scanDirectories())
        roots.applicationFolders << canonical(folder);
    if (QCoreApplication::instance())
        roots.ownBundle = ownBundleOf(QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
    // Data (and the folder it had under the program's earlier name), state with the logs, settings
    // and caches, where the desktop's base-folder variables put them and where they lie by default.
    auto xdg = [&roots](const char* variable, const char* underHome) {
        const QString value = qEnvironmentVariable(variable);
        return (!value.isEmpty() && QDir::isAbsolutePath(value) ? QDir::cleanPath(value)
                                                                 : roots.home + QLatin1Char('/') + QLatin1String(underHome));
    };
    for (const QString& base : {StandardPaths::applicationSupportDirectory(), xdg("XDG_DATA_HOME", ".local/share")})
        roots.ownStateFolders << base + QStringLiteral("/Corvanta") << base + QStringLiteral("/Verdanza");
    for (const QString& base : {StandardPaths::logsBaseDirectory(), xdg("XDG_STATE_HOME", ".local/state"),
                                xdg("XDG_CONFIG_HOME", ".config"), xdg("XDG_CACHE_HOME", ".cache")})
        roots.ownStateFolders << base + QStringLiteral("/Corvanta");
    for (const char* own : {"/.local/share/Corvanta", "/.local/state/Corvanta", "/.config/Corvanta", "/.cache/Corvanta"})
        roots.ownStateFolders << roots.home + QLatin1String(own);
    roots.ownStateFolders.removeDuplicates();
    return roots;
}

QString UninstallRoots::ownBundleOf(const QString& executable)
{
    const QStringList parts = executable.split(u'/');
    const qsizetype n = parts.size();
    if (n >= 5 && parts.at(n - 2) == QLatin1String("MacOS") && parts.at(n - 3) == QLatin1String("Contents")
        && parts.at(n - 4).endsWith(QLatin1String(".app"), Qt::CaseInsensitive) && parts.at(n - 4).size() > 4)
        return parts.mid(0, n - 3).join(u'/');
    return executable;
}

UninstallManager& UninstallManager::shared()
{
    static UninstallManager manager([] {
        UninstallEnvironment env;
        env.roots = UninstallRoots::forThisSystem();
        env.bundles = std::make_shared<FileBundleReader>();
        auto runner = std::make_shared<SpawnChildProcessRunner>();
        env.processes = runner;
        env.running = std::make_shared<ProcRunningApplications>();
        const QString helper = QCoreApplication::instance()
            ? InstallLayout::adminHelperFor(QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath(),
                                            InstallLayout::installed(), isExecutableFile)
            : QString();
        // "none": no administrator route (denied removals simply fail), for runs on fixture trees.
        if (qEnvironmentVariable("CORVANTA_UNINSTALL_ADMIN") != QStringLiteral("none"))
            env.admin = std::make_shared<PkexecAdminDeleter>(QStringLiteral("/usr/bin/pkexec"), helper, runner);
        // The helper takes this user's home from the user database, whatever the program was
        // pointed at: the sheet judges what it will take by the same folders.
        if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir && user->pw_dir[0] == '/')
            env.adminRoots = Uninstall::adminHelperRoots(QFile::decodeName(user->pw_dir), env.roots.ownBundle);
        else
            env.admin = nullptr; // the helper would know no such user
        // What partial removals left is remembered in the program's data folder across runs.
        env.remnantsFile = StandardPaths::applicationSupportDirectory() + QStringLiteral("/Corvanta/uninstall-remnants.json");
        env.dock = std::make_shared<DockFileTileStore>(DockPreferences(DockPreferences::defaultFolder()),
                                                       std::make_unique<KillallDockRestarter>());
        env.installedApps = [] { return AppScanner(AppConstants::scanDirectories()).scanAll(); };
        env.openUrl = [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); };
        env.background = threadPoolRunner();
        env.home = mainThreadRunner();
        env.now = [] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        };
        env.pause = [](double seconds) { QThread::msleep(static_cast<unsigned long>(seconds * 1000)); };
        return env;
    }());
    return manager;
}

} // namespace corvanta
