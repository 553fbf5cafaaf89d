// The administrator deletion helper. Started as root by pkexec with exactly "--" and one path; it
// trusts nothing from its caller: the user is the one pkexec names, the folders are that user's
// standard ones, and the path must pass the same guard the program applies before it is removed
// without following any link.
#include "Platform/AdminDeleter.h"
#include "Platform/InstallLayout.h"
#include "Services/UninstallAdminCheck.h"
#include "Support/Constants.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <unistd.h>

using namespace corvanta;

namespace {

QString canonical(const QString& path)
{
    const QString real = QDir(path).canonicalPath();
    return real.isEmpty() ? QDir::cleanPath(path) : real;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || std::strcmp(argv[1], "--") != 0) {
        std::fprintf(stderr, "usage: corvanta-admin-delete -- PATH\n");
        return AdminHelperExit::usage;
    }
    uid_t uid = ::getuid();
    if (const char* pkexecUid = std::getenv("PKEXEC_UID")) {
        char* end = nullptr;
        const long value = std::strtol(pkexecUid, &end, 10);
        if (!end || *end != 0 || value < 0) {
            std::fprintf(stderr, "bad PKEXEC_UID\n");
            return AdminHelperExit::usage;
        }
        uid = uid_t(value);
    }
    const passwd* user = ::getpwuid(uid);
    if (!user || !user->pw_dir || user->pw_dir[0] != '/') {
        std::fprintf(stderr, "unknown user\n");
        return AdminHelperExit::refused;
    }

    UninstallEnvironment env;
    env.roots.home = canonical(QFile::decodeName(user->pw_dir));
    for (const QString& folder : AppConstants::scanDirectories(env.roots.home))
        env.roots.applicationFolders << canonical(folder);
    char self[4096];
    const ssize_t got = ::readlink("/proc/self/exe", self, sizeof self - 1);
    // Only the bundle of the program this helper serves is never deleted, not the folder around it
    // (a build folder holds sample applications too).
    if (got > 0)
        env.roots.ownBundle = UninstallRoots::ownBundleOf(
            InstallLayout::programFor(QFile::decodeName(QByteArray(self, got)), InstallLayout::installed()));
    const Uninstall::UninstallGuard guard(env);

    QString why;
    const int status = Uninstall::adminHelperDelete(QByteArray(argv[2]), guard, why);
    if (status == AdminHelperExit::refused)
        std::fprintf(stderr, "refused: %s\n", why.toUtf8().constData());
    else if (status == AdminHelperExit::failed)
        std::fprintf(stderr, "failed: %s\n", why.toUtf8().constData());
    return status;
}
