// The administrator deletion helper. Started as root by pkexec with "--" and the paths of one
// uninstall; it trusts nothing from its caller: the user is the one pkexec names, that user's
// home comes from the system's user database, the folders are that user's standard ones, and
// each path must be something an uninstall may delete (an application bundle in an application
// folder, or an item in the Library folders the leftover scan searches) before it is removed
// without following any link.
#include "Platform/AdminDeleter.h"
#include "Platform/Bundle.h"
#include "Platform/InstallLayout.h"
#include "Services/UninstallAdminCheck.h"
#include "Support/LogText.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <unistd.h>

using namespace corvanta;

int main(int argc, char** argv)
{
    if (argc < 3 || std::strcmp(argv[1], "--") != 0) {
        std::fprintf(stderr, "usage: corvanta-admin-delete -- PATH...\n");
        return AdminHelperExit::usage;
    }
    uid_t uid = ::getuid();
    if (const char* pkexecUid = std::getenv("PKEXEC_UID")) {
        const auto parsed = Uninstall::parseUserId(pkexecUid);
        if (!parsed) {
            std::fprintf(stderr, "bad PKEXEC_UID\n");
            return AdminHelperExit::usage;
        }
        uid = uid_t(*parsed);
    }
    const passwd* user = ::getpwuid(uid);
    if (!user || !user->pw_dir || user->pw_dir[0] != '/') {
        std::fprintf(stderr, "unknown user\n");
        return AdminHelperExit::refused;
    }

    char self[4096];
    const ssize_t got = ::readlink("/proc/self/exe", self, sizeof self - 1);
    // Only the bundle of the program this helper serves is never deleted, not the folder around it
    // (a build folder holds sample applications too).
    const QString ownBundle = got > 0
        ? UninstallRoots::ownBundleOf(InstallLayout::programFor(QFile::decodeName(QByteArray(self, got)), InstallLayout::installed()))
        : QString();
    UninstallEnvironment env;
    env.roots = Uninstall::adminHelperRoots(QFile::decodeName(user->pw_dir), ownBundle);
    env.bundles = std::make_shared<FileBundleReader>();
    const Uninstall::UninstallGuard guard(env);

    QByteArrayList paths;
    for (int i = 2; i < argc; ++i)
        paths << QByteArray(argv[i]);
    QByteArray report;
    QStringList why;
    const int status = Uninstall::adminHelperRun(paths, guard, report, why);
    std::fwrite(report.constData(), 1, size_t(report.size()), stdout);
    std::fflush(stdout);
    for (const QString& line : std::as_const(why))
        std::fprintf(stderr, "%s\n", logSafe(line).toUtf8().constData());
    return status;
}
