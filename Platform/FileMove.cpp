#include "Platform/FileMove.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace corvanta {

std::error_code moveWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS)
        return {errno, std::generic_category()};

    // File systems without the no-replace rename: a hard link fails on an existing target, so the
    // check and the move stay one step. Folders cannot be linked; for them, check first.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return {};
    }
    if (errno != EPERM && errno != EISDIR)
        return {errno, std::generic_category()};
    if (::access(target.constData(), F_OK) == 0)
        return std::make_error_code(std::errc::file_exists);
    if (::rename(source.constData(), target.constData()) == 0)
        return {};
    return {errno, std::generic_category()};
}

} // namespace corvanta
