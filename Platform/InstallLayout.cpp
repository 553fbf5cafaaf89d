#include "Platform/InstallLayout.h"

namespace corvanta::InstallLayout {

namespace {

QString folderOf(const QString& path) { return path.section(u'/', 0, -2); }

QString inFolder(const QString& folder, const char* name) { return folder + u'/' + QLatin1String(name); }

} // namespace

Folders installed()
{
    // The build defines both for this file alone, as absolute paths.
    return {QStringLiteral(CORVANTA_INSTALL_BINDIR), QStringLiteral(CORVANTA_INSTALL_LIBEXECDIR)};
}

QString adminHelperFor(const QString& program, const Folders& folders, const Exists& exists)
{
    const QString installedHelper = inFolder(folders.libexecDir, adminHelperName);
    const QString folder = folderOf(program);
    if (folder == folders.binDir)
        return installedHelper;
    const QString beside = inFolder(folder, adminHelperName);
    return exists(beside) ? beside : installedHelper;
}

QString programFor(const QString& helper, const Folders& folders)
{
    const QString folder = folderOf(helper);
    return inFolder(folder == folders.libexecDir ? folders.binDir : folder, programName);
}

} // namespace corvanta::InstallLayout
